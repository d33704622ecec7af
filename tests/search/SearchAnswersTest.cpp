// The answers the real server never gives, from a scripted one: every status
// of the three action tables, hits with odd names, a page that replaced the
// row an answer is about.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>

#include "chat/ChatWindowDriver.h"
#include "search/CDlgSearchRet.h"
#include "net/AddFriendMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"
#include "net/SearchMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"

namespace kiv::test {
namespace {

using R = CDlgSearchRet;

const std::string kFullName = "ABCDEFGHIJKLMNOP";        // 16 bytes, no room for a terminator
const std::string kBadName = "\xFF" "ab" "\xFF";         // not GBK

std::vector<SearchHit> pageOf(std::uint32_t first, int count) {
  std::vector<SearchHit> hits;
  for (int i = 0; i < count; ++i)
    hits.push_back({first + static_cast<std::uint32_t>(i), "user" + std::to_string(i), 2});
  return hits;
}

class ScriptedSearch : public ScriptedTest {
 protected:
  std::vector<Bytes> answer(const Bytes& p) override {
    const HeaderKey key = keyOf(p.data());
    const auto status = static_cast<std::uint8_t>(this->status.load());
    switch (commandOf(p.data())) {
      case SearchRequest::kCommand: {
        const auto asked = SearchRequest::read(p.data(), p.size());
        SearchResponse page;
        page.hits = pageOf(601, fullPages ? 10 : 3);
        if (asked.page == 0) {
          page.hits = pageOf(501, 10);
          page.hits[0] = {501, kFullName, 1};
          page.hits[1] = {502, kBadName, 7};
        }
        if (asked.page == 1 && holdAddFriend) {
          std::lock_guard lock(heldMutex);
          pageKey = key;
          return releaseHeld();
        }
        return {page.build(key)};
      }
      case AddFriendRequest::kCommand:
        if (holdAddFriend) {
          std::lock_guard lock(heldMutex);
          addFriendKey = key;
          return releaseHeld();
        }
        return {AddFriendResponse{status}.build(key)};
      case InviteToGroupRequest::kCommand:
        return {InviteToGroupResponse{status}.build(key)};
      case JoinGroupRequest::kCommand:
        return {JoinGroupResponse{status}.build(key)};
      default:
        return {};
    }
  }

  // Once both the add-friend request and the next page are in: the page
  // first, then the add-friend answer about a row that has gone.
  std::vector<Bytes> releaseHeld() {
    if (!pageKey || !addFriendKey) return {};
    SearchResponse page;
    page.hits = pageOf(601, 3);
    std::vector<Bytes> out{page.build(*pageKey), AddFriendResponse{}.build(*addFriendKey)};
    pageKey.reset();
    addFriendKey.reset();
    return out;
  }

  // Clicks `button` once per status, each answered before the next.
  std::vector<std::string> statusTexts(R& results, int button, const std::vector<int>& statuses) {
    const std::size_t from = boxes.texts().size();
    for (int value : statuses) {
      status = value;
      click(results, button);
      EXPECT_TRUE(waitFor([&] { return !results.busy(); }));
    }
    const auto all = boxes.texts();
    return {all.begin() + static_cast<long>(from), all.end()};
  }

  std::atomic<bool> holdAddFriend{false};
  std::atomic<bool> fullPages{false};
  std::mutex heldMutex;
  std::optional<HeaderKey> pageKey;
  std::optional<HeaderKey> addFriendKey;
};

TEST_F(ScriptedSearch, EveryStatusOfAddFriendAndInviteIsToldWithTheHitsName) {
  session.model.addOrUpdateGroup(30001, gbk::fromUtf8("测试群") + "        ", true, false);
  R results(*session.session, SearchRequest::kUserById, QStringLiteral("5"));
  results.show();
  ASSERT_TRUE(waitFor([&] { return !results.busy(); }));
  QTreeWidget* list = results.control<QTreeWidget>(R::kList);
  ASSERT_EQ(list->topLevelItemCount(), 10);
  // A number search never pages, however many hits come.
  EXPECT_FALSE(visible(results, R::kNextPage));
  // A full 16-byte name is shown whole; a name that is not GBK is shown
  // (replacement marks and all) rather than lost; an unknown terminal reads
  // "短信".
  EXPECT_EQ(list->topLevelItem(0)->text(1), QString::fromStdString(kFullName));
  EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("WAP端"));
  EXPECT_EQ(list->topLevelItem(1)->text(1), fromGbk(kBadName));
  EXPECT_TRUE(list->topLevelItem(1)->text(1).contains(QStringLiteral("ab")));
  EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("短信"));

  selectRow(list, 0);
  EXPECT_EQ(statusTexts(results, R::kAddFriend, {1, 2, 3, 9, 0}),
            (std::vector<std::string>{"添加的用户" + kFullName + "不存在", "好友" + kFullName + "已经添加到列表中",
                                      "未知原因添加好友" + kFullName + "失败", "网络故障,请稍后再试",
                                      "好友" + kFullName + "添加成功"}));
  const ContactEntry* full = session.model.findFriend(501);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->nickname, kFullName.substr(0, 15));  // the list keeps 15 bytes and a terminator
  EXPECT_EQ(full->terminal, 1);

  selectRow(list, 1);
  statusTexts(results, R::kAddFriend, {0});
  const ContactEntry* odd = session.model.findFriend(502);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->nickname, kBadName);  // the bytes as they came, not their picture
  EXPECT_EQ(odd->terminal, 0);

  selectRow(list, 0);
  const std::string n = kFullName;
  EXPECT_EQ(statusTexts(results, R::kInvite, {0, 1, 2, 3, 4, 5, 6, 7, 200}),
            (std::vector<std::string>{"邀请成功,等待用户回复同意加入", "群30001内成员已达到最大数",
                                      "您要添加好友的群号30001不正确", "好友" + n + "不存在", "好友" + n + "已经在群中",
                                      "好友" + n + "已经加了三个群,不能继续加入新群", "好友" + n + "已经注销业务",
                                      "系统错误,请稍后再试", "网络故障,错误代码:200"}));
}

TEST_F(ScriptedSearch, EveryStatusOfJoinIsToldWithTheGroupNumber) {
  R results(*session.session, SearchRequest::kGroupByName, QString());
  results.show();
  ASSERT_TRUE(waitFor([&] { return !results.busy(); }));
  QTreeWidget* list = results.control<QTreeWidget>(R::kList);
  EXPECT_EQ(list->columnCount(), 2);
  EXPECT_TRUE(visible(results, R::kNextPage));  // a name search with a full page
  click(results, R::kJoinGroup);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请选择您要操作的对象！"});
  selectRow(list, 0);
  EXPECT_EQ(statusTexts(results, R::kJoinGroup, {0, 1, 2, 3, 4, 5, 77}),
            (std::vector<std::string>{"加入群501的申请已经成功发出,等待群主回复", "已经加入群501,不用重复申请",
                                      "要申请加入的群501已经解散", "申请的群501不存在",
                                      "您已经参与了5个群了,不能再参与其它群了",
                                      "要加入的群501已经达到最大人数限制,不能再新增成员了", "系统繁忙,请稍后再试"}));
}

TEST_F(ScriptedSearch, AnAnswerAboutARowThatAnotherPageReplacedNamesTheNumber) {
  R results(*session.session, SearchRequest::kUserByNickname, QStringLiteral("user"));
  results.show();
  ASSERT_TRUE(waitFor([&] { return !results.busy(); }));
  QTreeWidget* list = results.control<QTreeWidget>(R::kList);
  holdAddFriend = true;
  selectRow(list, 4);  // 505
  click(results, R::kAddFriend);
  click(results, R::kNextPage);
  ASSERT_TRUE(waitFor([&] { return !boxes.texts().empty(); }));
  EXPECT_EQ(column(list, 0), (QStringList{QStringLiteral("601"), QStringLiteral("602"), QStringLiteral("603")}));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"好友505添加成功"});
  const ContactEntry* added = session.model.findFriend(505);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->nickname, "505");
  EXPECT_EQ(added->terminal, 0);
  EXPECT_FALSE(results.busy());
}

TEST_F(ScriptedSearch, TheLastPageTheRequestCanNameOffersNoNextPage) {
  // The page travels in one byte: page 255 is the last that can be asked,
  // so even a full one offers no "下一页" that could not be sent.
  fullPages = true;
  R results(*session.session, SearchRequest::kUserByNickname, QStringLiteral("user"));
  results.show();
  ASSERT_TRUE(waitFor([&] { return !results.busy(); }));
  while (results.page() < SearchRequest::kMaxPage && visible(results, R::kNextPage)) {
    click(results, R::kNextPage);
    ASSERT_TRUE(waitFor([&] { return !results.busy(); }));
  }
  EXPECT_EQ(results.page(), SearchRequest::kMaxPage);
  EXPECT_EQ(results.control<QTreeWidget>(R::kList)->topLevelItemCount(), 10);
  EXPECT_FALSE(visible(results, R::kNextPage));
  EXPECT_TRUE(visible(results, R::kPreviousPage));
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
