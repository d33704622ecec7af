// Profile answers the real server never gives, from a scripted one: a late
// answer for a number shown before, refusals, unknown categories, short
// creation times.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <atomic>
#include <optional>

#include "chat/ChatWindowDriver.h"
#include "profile/CDlgInfoGroup.h"
#include "profile/CDlgInfoUser.h"
#include "model/ItemTexts.h"
#include "net/GroupInfoMessages.h"
#include "net/UpdateGroupInfoMessages.h"
#include "net/UpdateUserInfoMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

namespace kiv::test {
namespace {

using U = CDlgInfoUser;
using G = CDlgInfoGroup;

class ScriptedProfiles : public ScriptedTest {
 protected:
  std::vector<Bytes> answer(const Bytes& p) override {
    const HeaderKey key = keyOf(p.data());
    const auto status = static_cast<std::uint8_t>(this->status.load());
    switch (commandOf(p.data())) {
      case UserInfoRequest::kCommand: {
        const auto asked = UserInfoRequest::read(p.data(), p.size());
        UserInfoResponse profile;
        profile.status = asked.userId == 404 ? 1 : 0;
        profile.userId = asked.userId;
        profile.nickname = "user" + std::to_string(asked.userId);
        profile.sex = gbk::fromUtf8("女");
        profile.city = "city";
        Bytes packet = profile.build(key);
        std::lock_guard lock(mutex);
        // The first user's answer waits until the second user is asked for.
        if (asked.userId == 801) {
          held = packet;
          return {};
        }
        if (asked.userId == 802 && held) {
          std::vector<Bytes> out{*held};
          held.reset();
          heldSecond = packet;
          return out;
        }
        return {packet};
      }
      case GroupInfoRequest::kCommand: {
        GroupInfoResponse profile;
        profile.name = "group";
        profile.category = category;
        profile.created = "2301021530";
        profile.memberCount = 7;
        profile.type = 9;
        return {profile.build(key)};
      }
      case UpdateUserInfoRequest::kCommand:
        return {UpdateUserInfoResponse{status}.build(key)};
      case UpdateGroupInfoRequest::kCommand:
        return {UpdateGroupInfoResponse{status}.build(key)};
      default:
        return {};
    }
  }

  std::mutex mutex;
  std::optional<Bytes> held;
  std::optional<Bytes> heldSecond;
  std::string category;
};

TEST_F(ScriptedProfiles, ALateAnswerForTheUserShownBeforeIsDroppedAndKeepsTheDisplayBusy) {
  U info(*session.session);
  info.ShowUser(801, QStringLiteral("一号"));
  info.ShowUser(802, QStringLiteral("二号"));
  // 801's answer has come (and gone); 802's is still out.
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard lock(mutex);
    return heldSecond.has_value();
  }));
  ASSERT_TRUE(waitFor([&] { return session.net->pendingRequests() == 1; }));
  ASSERT_TRUE(session.answersHandled());
  EXPECT_TRUE(info.busy());
  EXPECT_EQ(info.control<QLineEdit>(U::kNickname)->text(), QStringLiteral("二号"));
  EXPECT_EQ(info.control<QLineEdit>(U::kCity)->text(), QStringLiteral("******"));

  Bytes second;
  {
    // Not written under the lock: the peer's thread holds its own lock while
    // it takes this one in answer().
    std::lock_guard lock(mutex);
    second = *heldSecond;
  }
  ASSERT_TRUE(session.peer.write(second));
  ASSERT_TRUE(waitFor([&] { return !info.busy(); }));
  EXPECT_EQ(info.control<QLineEdit>(U::kNickname)->text(), QStringLiteral("user802"));
  EXPECT_TRUE(info.control<QRadioButton>(U::kFemale)->isChecked());

  // No profile: the placeholders stay.
  info.ShowUser(404, QStringLiteral("四零四"));
  ASSERT_TRUE(waitFor([&] { return !info.busy(); }));
  EXPECT_EQ(info.control<QLineEdit>(U::kNickname)->text(), QStringLiteral("四零四"));
  EXPECT_EQ(info.control<QLineEdit>(U::kCity)->text(), QStringLiteral("******"));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ScriptedProfiles, RefusedSavesAreToldAndStopTheBusyDisplayAtOnce) {
  U info(*session.session);
  info.ShowUser(777, QStringLiteral("我"));
  ASSERT_TRUE(waitFor([&] { return !info.busy(); }));
  ASSERT_TRUE(info.editable());
  status = 1;
  click(info, U::kSave);
  ASSERT_TRUE(waitFor([&] { return !boxes.texts().empty(); }));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"个人资料设置失败"});
  EXPECT_FALSE(info.busy());
  EXPECT_TRUE(info.isVisible());
  EXPECT_EQ(session.model.self().nickname, "");  // nothing taken from a refused save

  session.model.addOrUpdateGroup(30001, gbk::fromUtf8("旧名(屏蔽中)") + "          ", true, true);
  G group(*session.session);
  group.ShowGroup(30001, QStringLiteral("旧名"), true);
  ASSERT_TRUE(waitFor([&] { return !group.busy(); }));
  click(group, G::kSave);
  ASSERT_TRUE(waitFor([&] { return boxes.texts().size() == 2; }));
  EXPECT_EQ(boxes.texts().back(), "群信息设置失败");
  EXPECT_FALSE(group.busy());
  EXPECT_TRUE(group.isVisible());

  // Saved: the tree takes the new name and keeps the shield mark.
  status = 0;
  auto* name = group.control<QLineEdit>(G::kName);
  name->selectAll();
  typeText(name, QStringLiteral("新名"));
  click(group, G::kSave);
  ASSERT_TRUE(waitFor([&] { return !group.isVisible(); }));
  EXPECT_EQ(gbk::toUtf8(session.model.findGroup(30001)->displayText), "新名(屏蔽中)          ");
}

TEST_F(ScriptedProfiles, UnknownCategoriesShowTheLastAndShortTimesAreFilledWithZeros) {
  G group(*session.session);
  for (const char* given : {"不存在的分类", "", "体育"}) {
    category = gbk::fromUtf8(given);
    group.ShowGroup(30002, QStringLiteral("别人的群"), false);
    ASSERT_TRUE(waitFor([&] { return !group.busy(); }));
    EXPECT_EQ(group.control<QComboBox>(G::kCategory)->currentText(),
              std::string(given) == "体育" ? QStringLiteral("体育天地") : QStringLiteral("其他"))
        << given;
  }
  EXPECT_EQ(group.control<QLineEdit>(G::kCreated)->text(), QStringLiteral("23-01-02 15:30:00"));
  EXPECT_EQ(group.control<QLineEdit>(G::kMemberCount)->text(), QStringLiteral("7"));
  EXPECT_TRUE(group.control<QRadioButton>(G::kOrdinary)->isChecked());  // any type but 2
  EXPECT_EQ(G::creationText("991231235959"), QStringLiteral("99-12-31 23:59:59"));
}

}  // namespace
}  // namespace kiv::test
