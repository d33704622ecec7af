// The answers the real server never gives, from a scripted one: refused
// sends, the clock correction, removal from a group, every outcome of adding
// a friend, and fetched messages that lie about their count or carry broken
// text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <ctime>

#include "ChatTestSupport.h"
#include "ChatWindowDriver.h"
#include "net/AddFriendMessages.h"
#include "net/GroupInfoMessages.h"
#include "net/SendMessageMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "platform/qt/QtMessagePresenter.h"
#include "platform/qt/WavePlayer.h"
#include "platform/SoundEnabled.h"
#include "skin/ResourceLoader.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

std::string digitsOf(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[16] = {};
  std::strftime(text, sizeof text, "%y%m%d%H%M%S", &local);
  return text;
}

SendMessageResponse sendResult(std::uint8_t result, std::string serverTime = {}) {
  return SendMessageResponse{result, std::move(serverTime)};
}

QColor colourAt(const CRichEditCtrlEx* view, const QString& text) {
  QTextCursor found = view->document()->find(text);
  if (found.isNull()) return {};
  return found.charFormat().foreground().color();
}

// A client signed in to a scripted server that answers each request from a
// script kept per command, in order.
class ChatAnswers : public ::testing::Test {
 protected:
  using Answer = std::function<Bytes(const HeaderKey& key)>;

  void SetUp() override {
    scripted.setAnswer([this](const Bytes& packet) { return answer(packet); });
    ASSERT_TRUE(scripted.signIn());
    scripted.store.history.OpenMessageDatabase(scripted.model.self().userId);
  }
  void TearDown() override { scripted.setAnswer(nullptr); }

  // The answer to the next request of `command` (a request code).
  void answerNext(std::uint32_t command, Answer answer) {
    std::lock_guard lock(mutex_);
    script_[command].push_back(std::move(answer));
  }
  template <class Response>
  void answerNextWith(std::uint32_t command, Response response) {
    answerNext(command, [response](const HeaderKey& key) { return response.build(key); });
  }

  // Types and sends `text`, then waits until the server has the request.
  void sendAndWait(CSendMessage* chat, const QString& text) {
    const auto before = scripted.peer.countOf(SendMessageRequest::kCommand);
    typeText(chat->input(), text);
    chat->send();
    ASSERT_TRUE(waitFor([&] { return scripted.peer.countOf(SendMessageRequest::kCommand) > before; }));
  }

  std::mutex mutex_;
  std::map<std::uint32_t, std::deque<Answer>> script_;
  // The protocol's pace of the window tests: a request unanswered for 600 ms
  // is sent again, long after any scripted answer has arrived.
  ScriptedSession scripted{ClientStack::kPace};
  ClientSession& client = *scripted.session;
  NetClient& net = *scripted.net;

 private:
  std::vector<Bytes> answer(const Bytes& packet) {
    std::lock_guard lock(mutex_);
    auto& queue = script_[commandOf(packet.data())];
    if (queue.empty()) return {};
    Answer next = std::move(queue.front());
    queue.pop_front();
    return {next(keyOf(packet.data()))};
  }
};

TEST_F(ChatAnswers, TheProfileLineAndPictureFollowTheProfileAnswers) {
  CSendMessage* toFriend = openChat(client, 10002, ConversationKind::kPrivate, "李小红(10002)", 0, false);
  CSendMessage* toMember = openChat(client, 10003, ConversationKind::kPrivate, "王大力", 0, false);
  CSendMessage* group = openChat(client, 20001, ConversationKind::kGroup, "木棉同学会", -1, false);
  const auto answered = [&](CSendMessage* chat, const QString& line) {
    chat->askProfile();
    return waitFor([&] { return chat->profileLine() == line; });
  };

  UserInfoResponse profile;
  profile.sex = gbk::fromUtf8("女");
  answerNextWith(UserInfoRequest::kCommand, profile);
  ASSERT_TRUE(answered(toFriend, QStringLiteral("好友简介: 这个人很神秘!")));
  EXPECT_EQ(toFriend->control<QLabel>(CSendMessage::kPartnerPictureId)->pixmap().toImage(),
            ResourceLoader::bitmap(239).toImage())
      << "the partner is female";
  profile.introduction = gbk::fromUtf8("周末一起打羽毛球吧");
  answerNextWith(UserInfoRequest::kCommand, profile);
  ASSERT_TRUE(answered(toFriend, QStringLiteral("好友简介:周末一起打羽毛球吧")));
  answerNextWith(UserInfoRequest::kCommand, UserInfoResponse{1});
  ASSERT_TRUE(answered(toMember, QStringLiteral("好友简介: 这个人很神秘!")));
  answerNextWith(GroupInfoRequest::kCommand, GroupInfoResponse{1});
  ASSERT_TRUE(answered(group, QStringLiteral("群简介: 群主很低调!")));
  GroupInfoResponse groupProfile;
  groupProfile.introduction = gbk::fromUtf8("同学聚会");
  answerNextWith(GroupInfoRequest::kCommand, groupProfile);
  ASSERT_TRUE(answered(group, QStringLiteral("群简介:同学聚会")));
}

TEST_F(ChatAnswers, RefusedSendsAddNoticesAndAServerAheadCorrectsTheEchoTime) {
  MessageRecorder boxes;
  CSendMessage* chat = openChat(client, 10009, ConversationKind::kPrivate, "路人甲(10009)", terminal::kSms, false);
  chat->show();

  answerNextWith(SendMessageRequest::kCommand, sendResult(SendMessageResponse::kRecipientCancelled));
  sendAndWait(chat, QStringLiteral("在吗"));
  ASSERT_TRUE(waitForShown(chat, QStringLiteral(" 系统提示:好友已经取消了该项业务")));
  EXPECT_EQ(colourAt(chat->view(), QStringLiteral("系统提示")), CSendMessage::noticeColour());

  // Any other refusal quotes the text as the request carried it.
  answerNextWith(SendMessageRequest::kCommand, sendResult(9));
  sendAndWait(chat, QStringLiteral("晚上'见'"));
  ASSERT_TRUE(waitForShown(chat, QStringLiteral("您发送的:晚上'见',\n未能发送到对方!请重试.")));
  EXPECT_TRUE(shown(chat).contains(QStringLiteral("我(私聊):晚上'见'"))) << "the echo stays";
  EXPECT_EQ(occurrences(utf8History(client.store, ConversationKind::kPrivate, 10009), "我(私聊):"), 2u);

  // A font and a colour chosen now are the echo's, not the notices'; the
  // input box shows them on what is typed already.
  typeText(chat->input(), QStringLiteral("对表"));
  chat->inputStyle().setFontChooser([](const QFont& current, QWidget*) {
    QFont bold = current;
    bold.setBold(true);
    return std::optional<QFont>(bold);
  });
  QTest::mouseClick(chat->control<QAbstractButton>(CSendMessage::kFontId), Qt::LeftButton);
  const QColor green(0, 128, 64);
  chat->inputStyle().setColourChooser([&](const QColor& current, QWidget*) {
    EXPECT_EQ(current, QColor(Qt::black));
    return std::optional<QColor>(green);
  });
  QTest::mouseClick(chat->control<QAbstractButton>(CSendMessage::kColourId), Qt::LeftButton);
  EXPECT_EQ(colourAt(chat->input(), QStringLiteral("对表")), green);

  // A server 200 seconds ahead sets the offset; the next echo carries it.
  answerNext(SendMessageRequest::kCommand,
             [](const HeaderKey& key) { return sendResult(0, digitsOf(std::time(nullptr) + 200)).build(key); });
  sendAndWait(chat, QString());  // what is typed already
  ASSERT_TRUE(waitFor([&] { return chat->clock().seconds() != 0; }));
  EXPECT_TRUE(chat->view()->document()->find(QStringLiteral("我(私聊):对表")).charFormat().font().bold());
  EXPECT_EQ(colourAt(chat->view(), QStringLiteral("我(私聊):对表")), green);
  EXPECT_FALSE(chat->view()->document()->find(QStringLiteral("系统提示")).charFormat().font().bold());
  EXPECT_NEAR(static_cast<double>(chat->clock().seconds()), 200.0, 2.0);
  const std::time_t now = std::time(nullptr);
  answerNextWith(SendMessageRequest::kCommand, sendResult(0, "991332250000"));  // month 13
  sendAndWait(chat, QStringLiteral("再对"));
  // The echo is stamped by the local clock 200 s ahead.
  bool corrected = false;
  for (std::time_t t = now + 198; t <= now + 203; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, "%y-%m-%d %H:%M:%S", &local);
    corrected |= shown(chat).contains(QStringLiteral("\n\n%1\n我(私聊):再对").arg(QString::fromLatin1(stamp)));
  }
  EXPECT_TRUE(corrected) << shown(chat).toStdString();
  ASSERT_TRUE(scripted.answersHandled());
  EXPECT_NEAR(static_cast<double>(chat->clock().seconds()), 200.0, 2.0) << "an invalid date changes nothing";
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ChatAnswers, RemovalFromTheGroupClosesTheWindowAfterItsBoxEvenWhenTheClientStopsMeanwhile) {
  // A name that fills its 16 bytes without a terminator is quoted whole.
  client.model.addOrUpdateGroup(20009, gbk::fromUtf8("羽毛球队周末活动"), false, false);
  QPointer<CSendMessage> chat = openChat(client, 20009, ConversationKind::kGroup, "羽毛球队周末活动", -1, false);
  chat->show();

  {
    MessageRecorder boxes;
    answerNextWith(SendMessageRequest::kCommand, sendResult(SendMessageResponse::kBroadcastGroup));
    sendAndWait(chat, QStringLiteral("大家好"));
    ASSERT_TRUE(waitForShown(chat, QStringLiteral(" 您所在的群是广播群,只允许群主发言")));
    EXPECT_TRUE(boxes.texts().empty());
  }

  // The real box this time, up in its own event loop while the user quits:
  // the connection stops without waiting for the box, and the window goes
  // only after its handler has returned.
  QtMessagePresenter presenter;
  installMessagePresenter(&presenter);
  QString boxText;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    closer.stop();
    boxText = box->text();
    net.Shutdown();
    box->button(QMessageBox::Ok)->click();
  });
  closer.start(5);
  answerNextWith(SendMessageRequest::kCommand, sendResult(SendMessageResponse::kRemovedFromGroup));
  sendAndWait(chat, QStringLiteral("还在吗"));
  ASSERT_TRUE(waitFor([&] { return !boxText.isEmpty(); }));
  installMessagePresenter(nullptr);
  EXPECT_EQ(boxText, QStringLiteral("系统提示:您已经被请出了群羽毛球队周末活动"));
  EXPECT_TRUE(net.waitForThreads(std::chrono::seconds(5)));
  EXPECT_EQ(client.model.findGroup(20009), nullptr);
  EXPECT_EQ(client.model.conversations().findGroup(20009), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(chat.isNull());
}

TEST_F(ChatAnswers, AddFriendOutcomesAndTheStrangersWindowGoesOnceItsHandlerReturned) {
  MessageRecorder boxes;
  ContactEntry stranger;
  stranger.userId = 10009;
  stranger.nickname = gbk::fromUtf8("路人甲");
  client.model.addOrUpdateContact(ContactListKind::kStrangers, stranger);
  QPointer<CSendMessage> chat = openChat(client, 10009, ConversationKind::kPrivate, "路人甲(10009)", -1, false);
  chat->show();
  QWidget* button = chat->control(CSendMessage::kAddFriendId);
  ASSERT_TRUE(button->isVisible());

  const std::pair<std::uint8_t, const char*> failures[] = {
      {AddFriendResponse::kNoSuchUser, "你要添加的好友路人甲(10009)ID不正确"},
      {AddFriendResponse::kAlreadyFriend, "你要添加的好友路人甲(10009)已经添加到列表中"},
      {AddFriendResponse::kRefused, "路人甲(10009)加为好友失败,请稍后再试"},
  };
  std::size_t shownBoxes = 0;
  for (const auto& [result, text] : failures) {
    answerNextWith(AddFriendRequest::kCommand, AddFriendResponse{result});
    QTest::mouseClick(static_cast<QAbstractButton*>(button), Qt::LeftButton);
    EXPECT_FALSE(button->isVisible()) << "hidden while the request is open";
    ASSERT_TRUE(waitFor([&] { return boxes.texts().size() > shownBoxes; }));
    EXPECT_EQ(boxes.texts().back(), text);
    EXPECT_TRUE(button->isVisible()) << "a failure offers the button again";
    ++shownBoxes;
  }

  answerNextWith(AddFriendRequest::kCommand, AddFriendResponse{AddFriendResponse::kAdded});
  QTest::mouseClick(static_cast<QAbstractButton*>(button), Qt::LeftButton);
  ASSERT_TRUE(waitFor([&] { return boxes.texts().size() > shownBoxes; }));
  EXPECT_EQ(boxes.texts().back(), "好友路人甲(10009)成功添加到好友列表中");
  const ContactEntry* added = client.model.findFriend(10009);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(gbk::toUtf8(added->nickname), "路人甲") << "the list's nickname, not the window's row text";
  EXPECT_EQ(client.model.findStranger(10009), nullptr);
  EXPECT_EQ(client.model.conversations().findPrivate(10009), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(chat.isNull()) << "the stranger's window went with the stranger";
}

// A fetch answer holding `records`, whose count field says `count`.
Bytes fetchAnswer(const HeaderKey& key, const std::vector<MessageRecord>& records, std::int16_t count) {
  Bytes packet = FetchMessagesResponse{records}.build(key);
  packet[30] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(count) >> 8);
  packet[31] = static_cast<std::uint8_t>(count & 0xff);
  return packet;
}

TEST_F(ChatAnswers, FetchedCountsAreClippedToThePacketAndBrokenRecordsAreShownAsTheyAre) {
  MessageRecorder boxes;
  CSendMessage* chat = openChat(client, 10009, ConversationKind::kPrivate, "路人甲", -1, false);
  auto fetchWith = [&](std::vector<MessageRecord> records, std::int16_t count) {
    answerNext(FetchMessagesRequest::kCommand,
               [records, count](const HeaderKey& key) { return fetchAnswer(key, records, count); });
    const auto before = scripted.peer.countOf(FetchMessagesRequest::kCommand);
    fetchFor(client, chat);
    ASSERT_TRUE(waitFor([&] { return scripted.peer.countOf(FetchMessagesRequest::kCommand) > before; }));
    ASSERT_TRUE(scripted.answersHandled());
  };

  // Nothing counted, nothing shown: the window stays hidden and quiet.
  const int sounds = WavePlayer::requests();
  fetchWith({MessageRecord{"hidden", "260101000000", {}}}, 0);
  fetchWith({}, -1);
  EXPECT_FALSE(chat->isVisible());
  EXPECT_FALSE(chat->isFlashing());
  EXPECT_TRUE(shown(chat).isEmpty());
  EXPECT_EQ(WavePlayer::requests(), sounds);

  // Five counted, one present: one message, one row.
  fetchWith({MessageRecord{gbk::fromUtf8("只有一条"), "260102030405", {}}}, 5);
  ASSERT_TRUE(waitForShown(chat, QStringLiteral("26-01-02 03:04:05\n只有一条")));
  EXPECT_FALSE(shown(chat).contains(QStringLiteral("00-00-00 00:00:00")));
  EXPECT_EQ(occurrences(utf8History(client.store, ConversationKind::kPrivate, 10009), "\r\n\r\n"), 1u);
  EXPECT_EQ(WavePlayer::requests(), sounds + 1);

  // With the sound switched off the next one arrives silently.
  SoundEnabled = false;

  // A huge count over broken records: invalid GBK, a full field without a
  // terminator, time characters that are no digits.
  const std::string invalid =
      "ab\xff"
      "cd";
  const std::string full(140, 'x');
  fetchWith({MessageRecord{invalid, "260102030406", {}}, MessageRecord{full, "2601020304ab", {}}}, 0x7fff);
  ASSERT_TRUE(waitForShown(chat, QStringLiteral("26-01-02 03:04:ab\n") + QString(140, QLatin1Char('x'))));
  SoundEnabled = true;
  EXPECT_EQ(WavePlayer::requests(), sounds + 1);
  EXPECT_TRUE(shown(chat).contains(QStringLiteral("ab\uFFFDcd")));
  const std::string stored = client.store.history.ReadUserHistoryPage(10009, 0);
  EXPECT_NE(stored.find(invalid), std::string::npos) << "the bytes are kept as they came";
  EXPECT_NE(stored.find(full), std::string::npos);
  EXPECT_EQ(occurrences(stored, "\r\n\r\n"), 3u);
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
