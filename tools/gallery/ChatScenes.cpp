// The chat window in use: a private chat with received messages, an echo, a
// notice and an invitation; a group chat; the narrow and the wide limit.
#include <gtest/gtest.h>

#include <QLabel>

#include "chat/ChatTestSupport.h"
#include "platform/MessageBox.h"
#include "gallery/Screenshot.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

void queue(DemoServer& server, std::uint32_t recipient, server::ConversationKind kind, std::uint32_t conversation,
           std::uint32_t sender, const char* utf8Text, const char* time) {
  ASSERT_TRUE(server.store().waiting().queueMessage(recipient, kind, conversation, sender, gbk::fromUtf8(utf8Text), time));
}

// Shows the window, lets its avatar arrive, and saves it.
void save(CSendMessage* chat, const QString& name) {
  chat->showNormal();
  const QImage before = chat->control<QLabel>(CSendMessage::kAvatarId)->pixmap().toImage();
  waitFor([&] { return chat->control<QLabel>(CSendMessage::kAvatarId)->pixmap().toImage() != before; },
          std::chrono::seconds(2));
  QTest::qWait(50);
  EXPECT_FALSE(saveScreenshot(chat, name).isEmpty());
}

TEST(ChatScene, PrivateAndGroupChatsAndBothLimits) {
  MessageRecorder boxes;
  DemoServer server;
  TempDir home;
  ClientStack zhao(server, DemoServer::demoPhone(10004), home.path());
  ASSERT_TRUE(zhao.signIn(false));

  // Behind the waiting invitation, two messages of different seconds.
  queue(server, 10004, server::ConversationKind::kPrivate, 10002, 10002, "李小红(私聊):周六上午九点，体育馆见？",
        "260307093012");
  queue(server, 10004, server::ConversationKind::kPrivate, 10002, 10002, "李小红(私聊):记得带球拍，我带水。",
        "260307093140");
  CSendMessage* chat = openChat(zhao, 10002, ConversationKind::kPrivate, "李小红", terminal::kPcClient);
  fetchFor(zhao, chat);
  ASSERT_TRUE(waitForShown(chat, QStringLiteral("我带水")));
  // The own echo in a colour of the user's choice.
  chat->inputStyle().setColourChooser([](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0x1f, 0x5f, 0xbf)); });
  chat->inputStyle().chooseColour();
  typeText(chat->input(), QStringLiteral("好的，周末见！"));
  chat->send();
  chat->send();  // empty: the notice line
  ASSERT_TRUE(waitFor([&] { return chat->profileLine() != QStringLiteral("好友简介:"); }));
  save(chat, QStringLiteral("chat-private"));

  queue(server, 10004, server::ConversationKind::kGroup, 20001, 10001, "张小明(群聊):这周的聚会改到周日下午。",
        "260307100500");
  CSendMessage* group = openChat(zhao, 20001, ConversationKind::kGroup, "木棉同学会", -1);
  group->setTitleLine(QStringLiteral("在群 木棉同学会 ( 群号:20001 ) 中聊天..."));
  fetchFor(zhao, group);
  ASSERT_TRUE(waitForShown(group, QStringLiteral("周日下午")));
  typeText(group->input(), QStringLiteral("收到，我会准时到。"));
  group->send();
  ASSERT_TRUE(waitFor([&] { return group->profileLine() != QStringLiteral("群简介:"); }));
  save(group, QStringLiteral("chat-group"));

  CSendMessage* narrow = openChat(zhao, 10005, ConversationKind::kPrivate, "陈晨", terminal::kMobileClient);
  narrow->setTitleLine(QStringLiteral("与 陈晨(10005) 聊天当中..."));
  typeText(narrow->input(), QStringLiteral("手机上只能收一百二十个字以内的消息。"));
  save(narrow, QStringLiteral("chat-limit-narrow"));
  narrow->setPartner(gbk::fromUtf8("陈晨"), terminal::kPcClient);
  save(narrow, QStringLiteral("chat-limit-wide"));
}

}  // namespace
}  // namespace kiv::test
