// The chat window and its view on their own, without a server: what the
// view makes of text and links, the input limit, the commands that work
// offline, and what the window shows when it opens and learns the profile.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTextBlock>

#include "ChatTestSupport.h"
#include "ChatWindowDriver.h"
#include "net/GroupInfoMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/MessageBox.h"
#include "skin/ResourceLoader.h"
#include "support/QtAccessibility.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

// A client that never connects: requests wait in its table.
class ChatWindow : public ::testing::Test {
 protected:
  bool hasLink(const CRichEditCtrlEx& view) {
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
      for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isAnchor()) return true;
    return false;
  }

  // The position of the first link of the view.
  int linkPosition(const CRichEditCtrlEx& view) {
    return view.document()->find(QStringLiteral("同意请点击这里")).selectionStart();
  }

  ScriptedSession scripted;  // never signed in
  ClientSession& client = *scripted.session;
};

TEST_F(ChatWindow, ViewShowsTextAsTextAndFollowsOnlyInvitationsWithAProperNumber) {
  MessageRecorder boxes;
  CRichEditCtrlEx view;
  view.setReadOnly(true);
  view.setSession(&client);

  // Markup and addresses stay text.
  view.appendColored(QStringLiteral("\r\n\r\n<b>粗</b> http://kiv.example/"), CSendMessage::receivedColour());
  EXPECT_EQ(view.toPlainText(), QStringLiteral("\n\n<b>粗</b> http://kiv.example/"));
  EXPECT_FALSE(hasLink(view));
  EXPECT_EQ(view.document()->find(QStringLiteral("粗")).charFormat().foreground().color(),
            CSendMessage::receivedColour());

  auto invitation = [&](const QString& line) {
    view.clear();
    view.appendColored(QStringLiteral("\r\n\r\n26-01-02 03:04:05\r\n") + line + QStringLiteral(","),
                       CSendMessage::receivedColour());
    view.appendLink(QStringLiteral("同意请点击这里"));
    return linkPosition(view);
  };

  // The input box and a view without a partner follow nothing.
  int at = invitation(QStringLiteral("[20002]李小红邀请你加入"));
  EXPECT_FALSE(view.activateLinkAt(at)) << "kind -1 is the input box";
  view.setConversation(0, ConversationKind::kPrivate);
  EXPECT_TRUE(view.activateLinkAt(at));
  EXPECT_TRUE(hasLink(view));
  EXPECT_EQ(client.net.pendingRequests(), 0);
  EXPECT_EQ(view.document()->find(QStringLiteral("同意")).charFormat().foreground().color(),
            CSendMessage::receivedColour())
      << "the link keeps the colour of what precedes it";

  // Malformed numbers are refused with the conversation's text; the link stays.
  view.setConversation(10002, ConversationKind::kPrivate);
  const std::pair<QString, std::string> refused[] = {
      {QStringLiteral("[12a4]邀请"), "群号12a4有误,加入失败!"},
      {QStringLiteral("邀请你加入羽毛球队"), "群号有误,加入失败!"},
      {QStringLiteral("[99999999999]邀请"), "群号99999999999有误,加入失败!"},
  };
  for (const auto& [line, box] : refused) {
    EXPECT_TRUE(view.activateLinkAt(invitation(line)));
    EXPECT_EQ(boxes.texts().back(), box);
    EXPECT_TRUE(hasLink(view));
  }
  EXPECT_EQ(client.net.pendingRequests(), 0);
  view.setConversation(20001, ConversationKind::kGroup);
  EXPECT_TRUE(view.activateLinkAt(invitation(QStringLiteral("[12a4]请求加入"))));
  EXPECT_EQ(boxes.texts().back(), "用户ID号12a4有误,加入失败!");

  // A proper number is asked for once; the link is gone.
  EXPECT_TRUE(view.activateLinkAt(invitation(QStringLiteral("[10005]陈晨请求加入群"))));
  EXPECT_EQ(client.net.pendingRequests(), 1);
  EXPECT_FALSE(hasLink(view));
  EXPECT_TRUE(view.toPlainText().endsWith(QStringLiteral("[10005]陈晨请求加入群,已提交!")));
  EXPECT_FALSE(view.activateLinkAt(view.toPlainText().size() - 2));
  EXPECT_EQ(boxes.texts().size(), 4u);

  EXPECT_EQ(CRichEditCtrlEx::bracketText(QStringLiteral("12]x")), QStringLiteral("12"));
  EXPECT_EQ(CRichEditCtrlEx::bracketText(QStringLiteral("[12")), std::nullopt);
}

QString limitLabel(const CSendMessage* chat) {
  return chat->control<QLabel>(CSendMessage::kLimitLabelId)->text();
}

TEST_F(ChatWindow, InputLimitCountsCharactersAndCutsWhatIsTypedPastedOrLeftOverOnAReopen) {
  MessageRecorder boxes;
  CSendMessage* chat = openChat(client, 10009, ConversationKind::kPrivate, "路人甲", terminal::kMobileClient, false);
  chat->show();
  CRichEditCtrlEx* input = chat->input();
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[120]个字"));

  // A Chinese character counts as one; the 121st is removed at once.
  typeText(input, QString(121, QChar(0x6C49)));
  EXPECT_EQ(input->toPlainText(), QString(120, QChar(0x6C49)));
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[0]个字"));

  // A PC client takes 500; a paste beyond is cut too.
  chat->setPartner(gbk::fromUtf8("路人甲"), terminal::kPcClient);
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[380]个字"));
  QApplication::clipboard()->setText(QString(600, QLatin1Char('a')));
  input->paste();
  EXPECT_EQ(input->toPlainText().size(), 500);
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[0]个字"));
  EXPECT_EQ(input->textCursor().position(), 500) << "the caret goes to the end";

  // Reopened for a mobile partner: what was typed is cut to the new limit.
  chat->setPartner(gbk::fromUtf8("路人甲"), terminal::kSms);
  EXPECT_EQ(input->toPlainText().size(), 120);
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[0]个字"));

  // A character outside the BMP is never cut in half.
  input->clear();
  QApplication::clipboard()->setText(QString(119, QLatin1Char('b')) + QStringLiteral("\U0001F600"));
  input->paste();
  EXPECT_EQ(input->toPlainText(), QString(119, QLatin1Char('b')));
  EXPECT_EQ(limitLabel(chat), QStringLiteral("您还可以再输入[1]个字"));

  // Ctrl+Enter starts a line; Enter sends, which offline only says so.
  input->clear();
  typeText(input, QStringLiteral("第一行"));
  QTest::keyClick(input, Qt::Key_Return, Qt::ControlModifier);
  typeText(input, QStringLiteral("第二行"));
  EXPECT_EQ(input->toPlainText(), QStringLiteral("第一行\n第二行"));
  client.net.Shutdown();
  QTest::keyClick(input, Qt::Key_Return);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"请先连接服务器"});
  EXPECT_FALSE(chat->isVisible());
  EXPECT_EQ(input->toPlainText(), QStringLiteral("第一行\n第二行")) << "nothing was sent";
  EXPECT_TRUE(shown(chat).isEmpty());
  EXPECT_EQ(client.net.pendingRequests(), 0);

  // Add friend offline likewise; Close and Escape only hide, the text stays.
  chat->show();
  QTest::mouseClick(chat->control<QAbstractButton>(CSendMessage::kAddFriendId), Qt::LeftButton);
  EXPECT_EQ(boxes.texts().size(), 2u);
  EXPECT_FALSE(chat->isVisible());
  EXPECT_TRUE(chat->control(CSendMessage::kAddFriendId)->isVisibleTo(chat));
  chat->show();
  QTest::keyClick(chat, Qt::Key_Escape);
  EXPECT_FALSE(chat->isVisible());
  chat->show();
  QTest::mouseClick(chat->control<QAbstractButton>(CSendMessage::kCloseButtonId), Qt::LeftButton);
  EXPECT_FALSE(chat->isVisible());
  EXPECT_TRUE(chat->isAlive());
  EXPECT_EQ(input->toPlainText(), QStringLiteral("第一行\n第二行"));
}

bool showsBitmap(const CSendMessage* chat, int control, int bitmap) {
  return chat->control<QLabel>(control)->pixmap().toImage() == ResourceLoader::bitmap(bitmap).toImage();
}

TEST_F(ChatWindow, OpeningShowsWhoTalksAndWhoCanBeAdded) {
  SelfProfile self;
  self.userId = 10001;
  self.sex = gbk::fromUtf8("女");
  client.model.setSelf(self);
  ContactEntry friendEntry;
  friendEntry.userId = 10002;
  friendEntry.nickname = gbk::fromUtf8("李小红");
  client.model.addOrUpdateContact(ContactListKind::kFriends, friendEntry);

  CSendMessage* toFriend = openChat(client, 10002, ConversationKind::kPrivate, "李小红(10002)", 0, false);
  CSendMessage* toMember = openChat(client, 10003, ConversationKind::kPrivate, "王大力", 0, false);
  CSendMessage* group = openChat(client, 20001, ConversationKind::kGroup, "木棉同学会", -1, false);
  EXPECT_FALSE(toFriend->control(CSendMessage::kAddFriendId)->isVisibleTo(toFriend));
  EXPECT_TRUE(toMember->control(CSendMessage::kAddFriendId)->isVisibleTo(toMember));
  EXPECT_FALSE(group->control(CSendMessage::kAddFriendId)->isVisibleTo(group));
  EXPECT_TRUE(showsBitmap(toFriend, CSendMessage::kPartnerPictureId, 238));
  EXPECT_TRUE(showsBitmap(toFriend, CSendMessage::kOwnPictureId, 239)) << "the user is female";
  EXPECT_TRUE(showsBitmap(group, CSendMessage::kPartnerPictureId, 271));
  EXPECT_EQ(toFriend->profileLine(), QStringLiteral("好友简介:"));
  EXPECT_EQ(group->profileLine(), QStringLiteral("群简介:"));

  // Every control can be found by a screen reader.
  const std::pair<int, QString> named[] = {
      {CSendMessage::kViewId, QStringLiteral("聊天记录")},
      {CSendMessage::kInputId, QStringLiteral("输入框")},
      {CSendMessage::kSendId, QStringLiteral("发送")},
      {CSendMessage::kCloseButtonId, QStringLiteral("关闭")},
      {CSendMessage::kAddFriendId, QStringLiteral("加为好友")},
      {CSendMessage::kFontId, QStringLiteral("字体")},
      {CSendMessage::kColourId, QStringLiteral("颜色")},
      {CSendMessage::kLimitLabelId, QStringLiteral("您还可以再输入[120]个字")},
  };
  for (const auto& [id, name] : named) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(toMember->control(id));
    ASSERT_NE(accessible, nullptr) << id;
    EXPECT_EQ(accessible->text(QAccessible::Name), name) << id;
  }
  EXPECT_EQ(unnamedControls(toMember), QStringList());
}

}  // namespace
}  // namespace kiv::test

namespace kiv {
namespace {

TEST(ClockOffset, OnlyAValidServerTimeWellAheadOfTheSendReplacesTheOffset) {
  ClockOffset clock;
  const std::time_t sent = clock.stampSend(*ClockOffset::parse("260315120000"));
  for (const char* invalid : {"261315120000", "260300120000", "260332120000", "260315240000", "260315126000",
                              "260315120060", "26031512000", "2603151200000", "26031512000a", ""})
    EXPECT_EQ(ClockOffset::parse(invalid), std::nullopt) << invalid;

  clock.learn("260315120200");  // 120 s: the message's own way, no correction
  clock.learn("260315115000");  // behind: never corrected
  EXPECT_EQ(clock.seconds(), 0);
  clock.learn("260315120201");
  EXPECT_EQ(clock.seconds(), 121);
  EXPECT_EQ(clock.stampSend(sent), sent + 121);
  clock.learn("260315120202");  // the corrected send time is 1 s behind now
  EXPECT_EQ(clock.seconds(), 121);
}

}  // namespace
}  // namespace kiv
