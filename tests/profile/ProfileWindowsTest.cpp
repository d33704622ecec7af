// The profile windows against the in-process server: the own profile edited
// and saved (with the birthday rules and a new picture uploaded), the window
// refilled with another user's, read only, a group renamed by its owner.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>

#include "chat/ChatWindowDriver.h"
#include "profile/CDlgInfoGroup.h"
#include "profile/CDlgInfoUser.h"
#include "profile/ProfileAvatar.h"
#include "model/ContactModelObserver.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "avatars/LocalHttpServer.h"
#include "avatars/Avatars.h"

namespace kiv::test {
namespace {

class UserProfile : public DemoAccount {};
class GroupProfile : public DemoAccount {};

using U = CDlgInfoUser;
using G = CDlgInfoGroup;

// What the model told its views.
struct ViewLog : ContactModelObserver {
  void selfChanged(const SelfProfile& self) override { selves.push_back(self); }
  void avatarChanged(std::int32_t id, bool group) override { avatars.emplace_back(id, group); }
  void groupChanged(const GroupEntry& group) override { groupTexts.push_back(gbk::toUtf8(group.displayText)); }
  std::vector<SelfProfile> selves;
  std::vector<std::pair<std::int32_t, bool>> avatars;
  std::vector<std::string> groupTexts;
};

QString text(CDlgBasic& window, int id) {
  if (auto* line = window.control<QLineEdit>(id)) return line->text();
  if (auto* box = window.control<QPlainTextEdit>(id)) return box->toPlainText();
  if (auto* list = window.control<QComboBox>(id)) return list->currentText();
  return QStringLiteral("<no text control %1>").arg(id);
}

void choose(CDlgBasic& window, int id, const QString& item) {
  auto* list = window.control<QComboBox>(id);
  ASSERT_NE(list, nullptr);
  const int index = list->findText(item);
  ASSERT_GE(index, 0) << item.toStdString();
  list->setCurrentIndex(index);
}

void retype(CDlgBasic& window, int id, const QString& value) {
  QWidget* box = window.control(id);
  ASSERT_NE(box, nullptr);
  if (auto* line = qobject_cast<QLineEdit*>(box)) line->selectAll();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) plain->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  typeText(box, value);
}

void birthdayTo(U& info, const QString& year, const QString& month, const QString& day) {
  choose(info, U::kYear, year);
  choose(info, U::kMonth, month);
  choose(info, U::kDay, day);
}

bool checked(CDlgBasic& window, int id) {
  auto* option = window.control<QRadioButton>(id);
  return option != nullptr && option->isChecked();
}

// A 90 x 60 picture file in red (220, 20, 20).
std::string redPicture(const TempDir& home) {
  const std::string file = home.file("red.png");
  QImage red(90, 60, QImage::Format_RGB32);
  red.fill(QColor(220, 20, 20));
  EXPECT_TRUE(red.save(QString::fromStdString(file)));
  return file;
}

bool answered(ProfileWindow& window) {
  return waitFor([&] { return !window.busy(); });
}

TEST_F(UserProfile, OwnProfileIsEditedAndSavedWithTheBirthdayRules) {
  ASSERT_TRUE(zhang.signIn(false));
  ViewLog views;
  zhang.model.addObserver(&views);

  U info(zhang.session);
  info.ShowUser(10001, QStringLiteral("小明"));
  // Placeholders until the profile is there.
  EXPECT_TRUE(info.busy());
  EXPECT_TRUE(visible(info, U::kBusyLabel));
  EXPECT_EQ(text(info, U::kNumber), QStringLiteral("10001"));
  EXPECT_EQ(text(info, U::kNickname), QStringLiteral("小明"));
  EXPECT_EQ(text(info, U::kCity), QStringLiteral("******"));
  EXPECT_TRUE(checked(info, U::kSecret));
  EXPECT_EQ(text(info, U::kYear), QStringLiteral("-"));
  ASSERT_TRUE(answered(info));
  EXPECT_FALSE(visible(info, U::kBusyLabel));
  EXPECT_EQ(text(info, U::kNickname), QStringLiteral("张小明"));
  EXPECT_EQ(text(info, U::kIntroduction), QStringLiteral("喜欢摄影和旅行"));
  EXPECT_EQ(text(info, U::kCity), QStringLiteral("北京"));
  EXPECT_TRUE(checked(info, U::kMale));
  EXPECT_EQ(text(info, U::kYear) + text(info, U::kMonth) + text(info, U::kDay), QStringLiteral("1990312"));
  EXPECT_TRUE(info.editable());
  EXPECT_TRUE(visible(info, U::kSave));
  EXPECT_TRUE(visible(info, U::kChangePicture));
  EXPECT_FALSE(info.control<QLineEdit>(U::kNickname)->isReadOnly());
  EXPECT_TRUE(unnamedControls(&info).isEmpty()) << unnamedControls(&info).join(", ").toStdString();

  // 31 February of a common year is refused at once, with nothing sent and
  // the busy display stopped.
  birthdayTo(info, QStringLiteral("1993"), QStringLiteral("2"), QStringLiteral("31"));
  click(info, U::kSave);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请正确输入您的生日"});
  EXPECT_FALSE(info.busy());
  EXPECT_EQ(zhang.net.pendingRequests(), 0);
  EXPECT_TRUE(info.isVisible());

  // In a leap year it is saved as the 29th; the window closes and the own
  // profile (the main window's header) takes nickname, signature and sex.
  birthdayTo(info, QStringLiteral("1992"), QStringLiteral("2"), QStringLiteral("31"));
  retype(info, U::kNickname, QStringLiteral("小明同学"));
  retype(info, U::kIntroduction, QStringLiteral("爱打羽毛球"));
  QTest::mouseClick(info.control<QRadioButton>(U::kFemale), Qt::LeftButton);
  click(info, U::kSave);
  EXPECT_TRUE(info.busy());
  ASSERT_TRUE(waitFor([&] { return !info.isVisible(); }));
  ASSERT_EQ(views.selves.size(), 1u);
  EXPECT_EQ(gbk::toUtf8(zhang.model.self().nickname), "小明同学");
  EXPECT_EQ(gbk::toUtf8(zhang.model.self().signature), "爱打羽毛球");
  EXPECT_EQ(gbk::toUtf8(zhang.model.self().sex), "女");
  EXPECT_EQ(server.store().accounts().account(10001)->birthday, "19920229");

  info.ShowUser(10001, QStringLiteral("小明同学"));
  ASSERT_TRUE(answered(info));
  EXPECT_EQ(text(info, U::kYear) + "/" + text(info, U::kMonth) + "/" + text(info, U::kDay),
            QStringLiteral("1992/2/29"));
  EXPECT_TRUE(checked(info, U::kFemale));

  // No year and no month: "1000" and "0101" go out, and read back as three
  // dashes. An empty own introduction stays empty in the box.
  birthdayTo(info, QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("12"));
  retype(info, U::kIntroduction, QString());
  click(info, U::kSave);
  ASSERT_TRUE(waitFor([&] { return !info.isVisible(); }));
  EXPECT_EQ(server.store().accounts().account(10001)->birthday, "10000101");
  info.ShowUser(10001, QStringLiteral("小明同学"));
  ASSERT_TRUE(answered(info));
  EXPECT_EQ(text(info, U::kYear) + text(info, U::kMonth) + text(info, U::kDay), QStringLiteral("---"));
  EXPECT_EQ(text(info, U::kIntroduction), QString());
  EXPECT_EQ(info.control<QPlainTextEdit>(U::kIntroduction)->placeholderText(), QStringLiteral("这个人很神秘!"));

  // The same window refilled for somebody else: everything read only, and
  // an empty introduction shown as the text it stands for.
  info.ShowUser(10003, QStringLiteral("王大力"));
  ASSERT_TRUE(answered(info));
  EXPECT_EQ(text(info, U::kCity), QStringLiteral("广州"));
  EXPECT_EQ(text(info, U::kIntroduction), QStringLiteral("这个人很神秘!"));
  EXPECT_EQ(text(info, U::kYear), QStringLiteral("-"));
  EXPECT_FALSE(info.editable());
  EXPECT_FALSE(visible(info, U::kSave));
  EXPECT_FALSE(visible(info, U::kChangePicture));
  EXPECT_TRUE(info.control<QLineEdit>(U::kNickname)->isReadOnly());
  EXPECT_TRUE(info.control<QPlainTextEdit>(U::kIntroduction)->isReadOnly());
  for (int id : {U::kMale, U::kFemale, U::kSecret, U::kYear, U::kMonth, U::kDay})
    EXPECT_FALSE(info.control(id)->isEnabled()) << id;
  QTest::keyClick(&info, Qt::Key_Return);  // Enter saves nothing here
  EXPECT_EQ(zhang.net.pendingRequests(), 0);
  EXPECT_EQ(boxes.texts().size(), 1u);
  zhang.model.removeObserver(&views);
}

TEST_F(UserProfile, ANewPictureIsUploadedOnSaveAndShownEverywhere) {
  ASSERT_TRUE(zhang.signIn(false));
  ViewLog views;
  zhang.model.addObserver(&views);
  const std::string file = redPicture(home);

  U info(zhang.session);
  info.setAvatarChooser([&](const QString& filter) -> std::optional<QString> {
    EXPECT_TRUE(filter.contains(QStringLiteral("*.png")));
    return QString::fromStdString(file);
  });
  info.ShowUser(10001, QStringLiteral("张小明"));
  ASSERT_TRUE(answered(info));
  auto* picture = info.control<QLabel>(U::kPicture);
  click(info, U::kChangePicture);
  EXPECT_TRUE(info.avatar().changed());
  EXPECT_EQ(picture->pixmap().toImage().pixelColor(35, 35), QColor(220, 20, 20));
  EXPECT_TRUE(server.store().avatars().avatar(false, 10001).has_value());  // the demo picture, until saved
  const std::string before = *server.store().avatars().avatar(false, 10001);

  QSignalSpy uploaded(&info.avatar(), &ProfileAvatar::uploaded);
  click(info, U::kSave);
  EXPECT_FALSE(info.avatar().changed());
  ASSERT_TRUE(waitFor([&] { return uploaded.count() == 1; }));
  EXPECT_TRUE(uploaded.at(0).at(1).toBool());
  ASSERT_TRUE(waitFor([&] { return !info.isVisible(); }));
  EXPECT_EQ(views.avatars, (std::vector<std::pair<std::int32_t, bool>>{{10001, false}}));
  const auto stored = server.store().avatars().avatar(false, 10001);
  ASSERT_TRUE(stored.has_value());
  EXPECT_NE(*stored, before);
  const QImage onServer = QImage::fromData(QByteArray::fromStdString(*stored));
  ASSERT_FALSE(onServer.isNull());
  const QColor centre = onServer.pixelColor(onServer.width() / 2, onServer.height() / 2);
  EXPECT_GT(centre.red(), 180);
  EXPECT_LT(centre.green(), 70);
  // Every view loads the avatar again from the cache, which has it now.
  const AvatarLoad cached = LoadAvatar(10001, 10001, false, 40);
  EXPECT_FALSE(cached.pending);
  EXPECT_EQ(cached.picture.pixelColor(20, 20), QColor(220, 20, 20));
  EXPECT_TRUE(boxes.texts().empty());
  zhang.model.removeObserver(&views);
}

// A web host that takes the upload and never answers: saving again and
// closing the window both return at once.
TEST_F(UserProfile, ASlowUploadNeverHoldsTheWindow) {
  ASSERT_TRUE(zhang.signIn(false));
  test::HttpReply silent;
  silent.silent = true;
  test::LocalHttpServer slow([&](const test::HttpRequest&) { return silent; });
  defaultAvatarService().setWeb(Endpoint{"127.0.0.1", slow.port()});
  const std::string file = redPicture(home);

  auto info = std::make_unique<U>(zhang.session);
  info->setAvatarChooser([&](const QString&) -> std::optional<QString> { return QString::fromStdString(file); });
  const auto saveNewPicture = [&] {
    info->ShowUser(10001, QStringLiteral("张小明"));
    EXPECT_TRUE(answered(*info));
    click(*info, U::kChangePicture);
    QElapsedTimer saving;
    saving.start();
    click(*info, U::kSave);
    const qint64 took = saving.elapsed();
    EXPECT_TRUE(waitFor([&] { return !info->isVisible(); }));
    return took;
  };
  saveNewPicture();
  ASSERT_TRUE(waitFor([&] { return slow.requestCount() == 1; })) << "the first upload is at the host";
  EXPECT_LT(saveNewPicture(), 1000);
  EXPECT_EQ(info->avatar().uploading(), 2);
  QElapsedTimer closing;
  closing.start();
  info.reset();
  EXPECT_LT(closing.elapsed(), 1000);
  defaultAvatarService().setWeb(Endpoint{"127.0.0.1", server.webPort()});
}

TEST_F(GroupProfile, TheOwnerRenamesTheGroupAndOthersOnlyRead) {
  ASSERT_TRUE(zhang.signIn());
  ViewLog views;
  zhang.model.addObserver(&views);

  G group(zhang.session);
  group.ShowGroup(20001, QStringLiteral("木棉同学会"), true);
  EXPECT_EQ(text(group, G::kMemberCount), QStringLiteral("******"));
  EXPECT_EQ(text(group, G::kCategory), QStringLiteral("其他"));
  EXPECT_TRUE(checked(group, G::kOrdinary));
  ASSERT_TRUE(answered(group));
  EXPECT_EQ(text(group, G::kNumber), QStringLiteral("20001"));
  EXPECT_EQ(text(group, G::kMemberCount), QStringLiteral("4"));
  EXPECT_EQ(text(group, G::kCategory), QStringLiteral("同事同学"));
  EXPECT_EQ(text(group, G::kIntroduction), QStringLiteral("老同学聊天的地方"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                  .match(text(group, G::kCreated))
                  .hasMatch())
      << text(group, G::kCreated).toStdString();
  EXPECT_TRUE(group.editable());
  EXPECT_TRUE(visible(group, G::kSave));
  EXPECT_TRUE(unnamedControls(&group).isEmpty()) << unnamedControls(&group).join(", ").toStdString();

  retype(group, G::kName, QStringLiteral("木棉校友会"));
  choose(group, G::kCategory, QStringLiteral("体育天地"));
  QTest::mouseClick(group.control<QRadioButton>(G::kBroadcast), Qt::LeftButton);
  click(group, G::kSave);
  ASSERT_TRUE(waitFor([&] { return !group.isVisible(); }));
  const GroupEntry* entry = zhang.model.findGroup(20001);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(gbk::toUtf8(entry->displayText), "木棉校友会          ");
  EXPECT_EQ(views.groupTexts, std::vector<std::string>{"木棉校友会          "});
  const auto saved = server.store().groups().group(20001);
  EXPECT_EQ(gbk::toUtf8(saved->name), "木棉校友会");
  EXPECT_EQ(gbk::toUtf8(saved->category), "体育天地");
  EXPECT_EQ(saved->type, 2);

  group.ShowGroup(20002, QStringLiteral("周末羽毛球"), false);
  ASSERT_TRUE(answered(group));
  EXPECT_EQ(text(group, G::kName), QStringLiteral("周末羽毛球"));
  EXPECT_FALSE(group.editable());
  EXPECT_FALSE(visible(group, G::kSave));
  EXPECT_FALSE(visible(group, G::kChangePicture));
  EXPECT_TRUE(group.control<QLineEdit>(G::kName)->isReadOnly());
  for (int id : {G::kCategory, G::kOrdinary, G::kBroadcast}) EXPECT_FALSE(group.control(id)->isEnabled()) << id;
  EXPECT_TRUE(boxes.texts().empty());
  zhang.model.removeObserver(&views);
}

}  // namespace
}  // namespace kiv::test
