// Two demo accounts talk through chat windows against the in-process server:
// privately and in their group, and through the invitation links.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <filesystem>

#include "ChatTestSupport.h"
#include "net/JoinGroupMessages.h"
#include "net/ResponseReceiver.h"
#include "platform/MessageBox.h"
#include "skin/CBitButtonNL.h"
#include "storage/SqliteDatabase.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

// 张小明 and his friend 李小红, both signed in.
class TwoFriends : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(zhang.signIn());
    ASSERT_TRUE(li.signIn());
  }

  MessageRecorder boxes;
  DemoServer server;
  TempDir homeZhang, homeLi;
  ClientStack zhang{server, DemoServer::demoPhone(10001), homeZhang.path()};
  ClientStack li{server, DemoServer::demoPhone(10002), homeLi.path()};
};

QString limitLabel(const CSendMessage* chat) {
  return chat->control<QLabel>(CSendMessage::kLimitLabelId)->text();
}

TEST_F(TwoFriends, TalkPrivatelyAndInTheirGroupEachMessageShownAndStoredOnce) {

  // 张小明 writes to his friend 李小红, who is online (a PC client).
  CSendMessage* toLi = openChat(zhang, 10002, ConversationKind::kPrivate, "李小红(10002)", terminal::kPcClient);
  toLi->show();
  EXPECT_FALSE(toLi->control(CSendMessage::kAddFriendId)->isVisible()) << "she is a friend already";
  EXPECT_EQ(limitLabel(toLi), QStringLiteral("您还可以再输入[500]个字"));
  ASSERT_TRUE(waitFor([&] { return toLi->profileLine() != QStringLiteral("好友简介:"); }));
  EXPECT_EQ(toLi->profileLine(), QStringLiteral("好友简介:周末一起打羽毛球吧"));

  typeText(toLi->input(), QStringLiteral("你好，小红"));
  EXPECT_EQ(limitLabel(toLi), QStringLiteral("您还可以再输入[495]个字"));
  QTest::keyClick(toLi->input(), Qt::Key_Return);
  EXPECT_TRUE(shown(toLi).contains(QStringLiteral("我(私聊):你好，小红")));
  EXPECT_TRUE(toLi->input()->toPlainText().isEmpty());
  EXPECT_EQ(limitLabel(toLi), QStringLiteral("您还可以再输入[500]个字"));
  EXPECT_EQ(occurrences(utf8History(zhang.store, ConversationKind::kPrivate, 10002), "我(私聊):你好，小红"), 1u)
      << "the echo is stored before the server answers";

  // The delivery was confirmed without a word in 张小明's window.
  ASSERT_TRUE(waitFor([&] { return zhang.net.pendingRequests() == 0; }));
  EXPECT_FALSE(shown(toLi).contains(QStringLiteral("未能发送")));

  // Her window is closed: the fetched message shows it minimised, flashing.
  CSendMessage* toZhang = openChat(li, 10001, ConversationKind::kPrivate, "张小明(10001)", terminal::kPcClient);
  ASSERT_FALSE(toZhang->isVisible());
  fetchFor(li, toZhang);
  ASSERT_TRUE(waitForShown(toZhang, QStringLiteral("张小明(私聊):你好，小红")));
  EXPECT_TRUE(toZhang->isVisible());
  EXPECT_TRUE(toZhang->isMinimized());
  EXPECT_TRUE(toZhang->isFlashing());
  toZhang->showNormal();
  EXPECT_FALSE(toZhang->isFlashing()) << "restoring the window stops the flashing";
  EXPECT_EQ(occurrences(utf8History(li.store, ConversationKind::kPrivate, 10001), "张小明(私聊):你好，小红"), 1u);

  // In the group, a pasted text longer than one record travels as several
  // records of the same second and arrives as one message, stored once.
  CSendMessage* groupZhang = openChat(zhang, 20001, ConversationKind::kGroup, "木棉同学会", -1);
  groupZhang->show();
  const QString longText = QString(60, QChar(0x6728)) + QString(70, QChar(0x68C9));  // 木 x60, 棉 x70
  QApplication::clipboard()->setText(longText);
  groupZhang->input()->paste();
  EXPECT_EQ(groupZhang->input()->toPlainText(), longText.left(120)) << "pasted text is cut to the limit too";
  EXPECT_EQ(limitLabel(groupZhang), QStringLiteral("您还可以再输入[0]个字"));
  QTest::mouseClick(groupZhang->control<CBitButtonNL>(CSendMessage::kSendId), Qt::LeftButton);
  EXPECT_TRUE(shown(groupZhang).contains(QStringLiteral("我(群聊):") + longText.left(120)));
  ASSERT_TRUE(waitFor([&] { return zhang.net.pendingRequests() == 0; }));

  CSendMessage* groupLi = openChat(li, 20001, ConversationKind::kGroup, "木棉同学会", -1);
  fetchFor(li, groupLi);
  ASSERT_TRUE(waitForShown(groupLi, QStringLiteral("张小明(群聊):") + longText.left(120)));
  const std::string history = utf8History(li.store, ConversationKind::kGroup, 20001);
  EXPECT_EQ(occurrences(history, "(群聊):"), 2u) << history;  // 王大力's waiting one and 张小明's
  EXPECT_EQ(occurrences(history, (QStringLiteral("张小明(群聊):") + longText.left(120)).toStdString()), 1u);
  EXPECT_TRUE(boxes.texts().empty());
}

TEST(ChatConversation, InvitationLinksJoinTheInvitedUserAndAdmitTheOneWhoAsked) {
  MessageRecorder boxes;
  DemoServer server;
  TempDir homeZhao, homeZhang, homeChen;
  ClientStack zhao(server, DemoServer::demoPhone(10004), homeZhao.path());
  ClientStack zhang(server, DemoServer::demoPhone(10001), homeZhang.path());
  ClientStack chen(server, DemoServer::demoPhone(10005), homeChen.path());
  ASSERT_TRUE(zhao.signIn(false));
  ASSERT_TRUE(zhang.signIn(false));
  ASSERT_TRUE(chen.signIn(false));

  // 李小红 has invited 赵静 into 周末羽毛球 (20002): the invitation shows
  // with its link and is not kept in the history.
  CSendMessage* fromLi = openChat(zhao, 10002, ConversationKind::kPrivate, "李小红", terminal::kSms, false);
  fetchFor(zhao, fromLi);
  ASSERT_TRUE(waitForShown(fromLi, QStringLiteral("同意请点击这里")));
  EXPECT_TRUE(shown(fromLi).contains(QStringLiteral("[20002]")));
  EXPECT_EQ(utf8History(zhao.store, ConversationKind::kPrivate, 10002), "");

  // A right click and a click into the input box do nothing.
  fromLi->showNormal();
  ASSERT_TRUE(clickText(fromLi->view(), QStringLiteral("同意请点击这里"), Qt::RightButton));
  QTest::mouseClick(fromLi->input()->viewport(), Qt::LeftButton);
  EXPECT_EQ(zhao.net.pendingRequests(), 0);
  ASSERT_TRUE(clickText(fromLi->view(), QStringLiteral("同意请点击这里")));
  EXPECT_TRUE(shown(fromLi).contains(QStringLiteral("已提交!")));
  EXPECT_FALSE(shown(fromLi).contains(QStringLiteral("同意请点击这里"))) << "a followed link is gone";
  ASSERT_TRUE(waitFor([&] { return server.store().members().isMember(20002, 10004); }));

  // 陈晨 asks to join 木棉同学会; its owner 张小明 sees the request in the
  // group window and admits him with the link.
  QObject chenAsks;
  ASSERT_TRUE(chen.session.relay().tell(JoinGroupRequest{20001}, &chenAsks));
  ASSERT_TRUE(waitFor([&] { return server.store().members().hasJoinRequest(20001, 10005); }));
  CSendMessage* group = openChat(zhang, 20001, ConversationKind::kGroup, "木棉同学会", -1, false);
  group->show();
  fetchFor(zhang, group);
  ASSERT_TRUE(waitForShown(group, QStringLiteral("[10005]")));
  ASSERT_TRUE(clickText(group->view(), QStringLiteral("同意请点击这里")));
  EXPECT_TRUE(shown(group).contains(QStringLiteral("已提交!")));
  ASSERT_TRUE(waitFor([&] { return server.store().members().isMember(20001, 10005); }));
  EXPECT_EQ(occurrences(utf8History(zhang.store, ConversationKind::kGroup, 20001), "[10005]"), 0u);
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(TwoFriends, AHistoryTheDiskRefusesIsSaidInTheWindowAndNothingHalfWritten) {
  // 李小红's disk is full: every row her history takes is refused.
  std::string liHistory;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(homeLi.path()))
    if (entry.path().filename() == "MsgEx.db") liHistory = entry.path().string();
  ASSERT_FALSE(liHistory.empty());
  {
    SqliteDatabase db;
    ASSERT_TRUE(db.open(liHistory));
    for (const char* table : {"msg_user", "msg_group"})
      ASSERT_TRUE(db.execute(std::string("CREATE TRIGGER full_") + table + " BEFORE INSERT ON " + table +
                             " BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
  }
  const QString saidNothing = QStringLiteral("聊天记录没能保存，磁盘空间可能已满");

  CSendMessage* toLi = openChat(zhang, 10002, ConversationKind::kPrivate, "李小红(10002)", terminal::kPcClient);
  toLi->show();
  typeText(toLi->input(), QStringLiteral("在吗"));
  QTest::keyClick(toLi->input(), Qt::Key_Return);
  EXPECT_FALSE(shown(toLi).contains(saidNothing)) << "张小明's disk has room";
  ASSERT_TRUE(waitFor([&] { return zhang.net.pendingRequests() == 0; }));

  CSendMessage* toZhang = openChat(li, 10001, ConversationKind::kPrivate, "张小明(10001)", terminal::kPcClient);
  toZhang->show();
  fetchFor(li, toZhang);
  ASSERT_TRUE(waitForShown(toZhang, QStringLiteral("张小明(私聊):在吗")));
  EXPECT_TRUE(shown(toZhang).contains(saidNothing)) << "shown, not kept, and said so";
  typeText(toZhang->input(), QStringLiteral("在"));
  QTest::keyClick(toZhang->input(), Qt::Key_Return);
  EXPECT_EQ(shown(toZhang).count(saidNothing), 2);
  EXPECT_EQ(utf8History(li.store, ConversationKind::kPrivate, 10001), "");
  EXPECT_TRUE(boxes.texts().empty()) << "a notice in the window, no box";
}

}  // namespace
}  // namespace kiv::test
