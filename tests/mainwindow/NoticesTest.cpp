// Notices of waiting messages reach the main window, which opens the right
// conversation, unshown, and fetches on its behalf: between real clients of
// the in-process server, and from a scripted server for the notices the
// real one never sends.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <mutex>

#include "MainWindowFixture.h"
#include "chat/ChatTestSupport.h"
#include "chat/ChatWindowDriver.h"
#include "model/ItemTexts.h"
#include "net/FetchMessagesMessages.h"
#include "net/GroupListMessages.h"
#include "net/NoticePollMessages.h"

namespace kiv::test {
namespace {

// Types `text` into the chat window and sends it with Enter.
void say(CSendMessage* chat, const QString& text) {
  typeText(chat->input(), text);
  QTest::keyClick(chat->input(), Qt::Key_Return);
}

// Waits until the client has a window for the conversation that shows `text`.
CSendMessage* waitForWindowShowing(MainWindowClient& client, bool group, std::int32_t number, const QString& text) {
  CSendMessage* chat = nullptr;
  waitFor([&] {
    chat = group ? client.groupWindow(number) : client.privateWindow(number);
    return chat != nullptr && shown(chat).contains(text);
  });
  return chat != nullptr && shown(chat).contains(text) ? chat : nullptr;
}

std::size_t timesShown(const CSendMessage* chat, const QString& text) {
  return occurrences(shown(chat).toStdString(), text.toStdString());
}

TEST(Notices, FriendsAndTheirGroupTalkEveryMessageShownOnceInAWindowTheNoticeOpened) {
  MessageRecorder boxes;
  DemoServer server;
  // 陈晨 is no friend of 张小明's, only a member of 周末羽毛球 with him.
  ASSERT_TRUE(server.admin().sendMessage(10005, "private", 10001, "羽毛球拍借我用一下"));
  MainWindowClient zhang(server, 10001);
  ASSERT_TRUE(zhang.signIn());

  // What waited at sign-in opens minimised, titled by who it is: 李小红 as a friend (though she is a member too), the
  // service account as a stranger, 陈晨 as a member, and the group.
  CSendMessage* fromLi = waitForWindowShowing(zhang, false, 10002, QStringLiteral("李小红(私聊):明天中午一起吃饭吗?"));
  ASSERT_NE(fromLi, nullptr);
  EXPECT_EQ(fromLi->windowTitle(), QStringLiteral("与 李小红(10002) 聊天当中..."));
  EXPECT_TRUE(fromLi->isMinimized());
  CSendMessage* service = waitForWindowShowing(zhang, false, 1000, QStringLiteral("欢迎使用木棉"));
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->windowTitle(), QStringLiteral("与陌生人 木棉客服(1000) 聊天当中..."));
  CSendMessage* fromChen = waitForWindowShowing(zhang, false, 10005, QStringLiteral("羽毛球拍借我用一下"));
  ASSERT_NE(fromChen, nullptr);
  EXPECT_EQ(fromChen->windowTitle(), QStringLiteral("与群 周末羽毛球 中的 陈晨 私聊..."));
  CSendMessage* classmates =
      waitForWindowShowing(zhang, true, 20001, QStringLiteral("王大力(群聊):周六的聚会大家都来吗?"));
  ASSERT_NE(classmates, nullptr);
  EXPECT_EQ(classmates->windowTitle(), QStringLiteral("在群 木棉同学会 ( 群号:20001 ) 中聊天..."));
  EXPECT_EQ(occurrences(utf8History(zhang.stack.store, ConversationKind::kGroup, 20001), "周六的聚会大家都来吗?"), 1u);

  MainWindowClient li(server, 10002);
  MainWindowClient wang(server, 10003);
  ASSERT_TRUE(li.signIn());
  ASSERT_TRUE(wang.signIn());

  // Privately, both ways; asking for the conversation brings back the window
  // the notice left minimised.
  zhang.main.friendList()->setCurrentRow(0);
  zhang.main.friendList()->runCommand(CKivListCtrl::kFriendChat);
  EXPECT_EQ(zhang.privateWindow(10002), fromLi);
  EXPECT_FALSE(fromLi->isMinimized());
  say(fromLi, QStringLiteral("好的，中午见"));
  CSendMessage* toZhang = waitForWindowShowing(li, false, 10001, QStringLiteral("张小明(私聊):好的，中午见"));
  ASSERT_NE(toZhang, nullptr);
  EXPECT_TRUE(toZhang->isMinimized());
  toZhang->showNormal();
  say(toZhang, QStringLiteral("老地方"));
  ASSERT_TRUE(waitForShown(fromLi, QStringLiteral("李小红(私聊):老地方")));

  // In the group, each of the other two members hears each message.
  classmates->showNormal();
  say(classmates, QStringLiteral("大家好"));
  CSendMessage* liGroup = waitForWindowShowing(li, true, 20001, QStringLiteral("张小明(群聊):大家好"));
  CSendMessage* wangGroup = waitForWindowShowing(wang, true, 20001, QStringLiteral("张小明(群聊):大家好"));
  ASSERT_NE(liGroup, nullptr);
  ASSERT_NE(wangGroup, nullptr);
  wangGroup->showNormal();
  say(wangGroup, QStringLiteral("都来"));
  ASSERT_TRUE(waitForShown(classmates, QStringLiteral("王大力(群聊):都来")));
  ASSERT_TRUE(waitForShown(liGroup, QStringLiteral("王大力(群聊):都来")));

  // What arrived once must not come again.
  ASSERT_TRUE(zhang.showsAnotherRound({{false, 10002, 10002}, {true, 20001, 10004}}));
  ASSERT_TRUE(li.showsAnotherRound({{false, 10001, 10001}, {true, 20001, 10004}}));
  ASSERT_TRUE(wang.showsAnotherRound({{true, 20001, 10004}}));
  EXPECT_EQ(timesShown(fromLi, QStringLiteral("明天中午一起吃饭吗?")), 1u);
  EXPECT_EQ(timesShown(fromLi, QStringLiteral("老地方")), 1u);
  EXPECT_EQ(timesShown(toZhang, QStringLiteral("好的，中午见")), 1u);
  EXPECT_EQ(timesShown(liGroup, QStringLiteral("大家好")), 1u);
  EXPECT_EQ(timesShown(wangGroup, QStringLiteral("大家好")), 1u);
  EXPECT_EQ(timesShown(classmates, QStringLiteral("王大力(群聊):都来")), 1u);
  EXPECT_EQ(timesShown(classmates, QStringLiteral("大家好")), 1u) << "the own echo only";
  EXPECT_EQ(occurrences(utf8History(li.stack.store, ConversationKind::kPrivate, 10001), "张小明(私聊):好的，中午见"), 1u);
  EXPECT_EQ(occurrences(utf8History(wang.stack.store, ConversationKind::kGroup, 20001), "张小明(群聊):大家好"), 1u);
  EXPECT_TRUE(boxes.texts().empty());
}

TEST(Notices, AStrangersFirstMessageListsAStrangerWithTheShortLimitWhoIsSavedAtExit) {
  MessageRecorder boxes;
  DemoServer server;
  dropWaitingMessages(server, 10001);
  const std::uint32_t passer = server.admin().addUser("13900000001", "123456", "路人甲");
  ASSERT_NE(passer, 0u);
  MainWindowClient zhang(server, 10001);
  MainWindowClient stranger(server, passer, "13900000001");
  ASSERT_TRUE(zhang.signIn());
  ASSERT_TRUE(stranger.signIn());

  stranger.main.showConversation(ChatCategory::kStranger, 10001, gbk::fromUtf8("张小明(10001)"), "", 3);
  CSendMessage* toZhang = stranger.privateWindow(10001);
  ASSERT_NE(toZhang, nullptr);
  say(toZhang, QStringLiteral("你好，我们见过吗"));

  const auto id = static_cast<std::int32_t>(passer);
  const QString row = QStringLiteral("路人甲(%1)").arg(id);
  CSendMessage* fromPasser = waitForWindowShowing(zhang, false, id, QStringLiteral("你好，我们见过吗"));
  ASSERT_NE(fromPasser, nullptr);
  CKivListCtrl* strangers = zhang.main.strangerList();
  ASSERT_EQ(strangers->findItems(row, Qt::MatchExactly).size(), 1);
  EXPECT_EQ(fromPasser->windowTitle(), QStringLiteral("与陌生人 %1 聊天当中...").arg(row));
  // Signed in on a PC, but met as a stranger: the short limit.
  EXPECT_EQ(fromPasser->control<QLabel>(CSendMessage::kLimitLabelId)->text(),
            QStringLiteral("您还可以再输入[120]个字"));
  EXPECT_TRUE(fromPasser->control(CSendMessage::kAddFriendId)->isVisibleTo(fromPasser));

  zhang.main.exitProgram();
  StrangerMap saved;
  zhang.stack.store.history.LoadStrangers(saved);
  ASSERT_EQ(saved.count(id), 1u);
  EXPECT_EQ(gbk::toUtf8(saved[id]), "路人甲");
  EXPECT_TRUE(boxes.texts().empty());
}

// What waited at sign-in comes with the first poll the main window hears,
// not one list cycle later: the notices answered while the sign-in was
// ending are kept for the main window, not thrown away.
TEST(Notices, WaitingMessagesShowWithTheFirstPollAfterSignIn) {
  DemoServer server;
  MainWindowClient zhang(server, 10001);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(zhang.signIn());
  const auto signedIn = std::chrono::steady_clock::now();
  // The first conversation that shows a message (its window appears), whichever it is.
  const auto anyShown = [&] {
    const ConversationRegistry& open = zhang.stack.model.conversations();
    for (std::int32_t number : open.privateNumbers())
      if (auto* chat = zhang.privateWindow(number); chat != nullptr && chat->isVisible())
        return true;
    for (std::int32_t number : open.groupNumbers())
      if (auto* chat = zhang.groupWindow(number); chat != nullptr && chat->isVisible())
        return true;
    return false;
  };
  ASSERT_TRUE(waitFor(anyShown));
  const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  const auto total = ms(std::chrono::steady_clock::now() - start);
  const auto after = total - ms(signedIn - start);
  std::printf("[ figure ] first waiting message shown %lld ms after sign-in ended, %.1f s at the real pace\n",
              static_cast<long long>(after), static_cast<double>(after) / ClientStack::kPace / 1000.0);
}

// 777 signed in to a scripted server whose one armed poll lists what the
// real server never would; every fetch is recorded, and the first one for
// 4242 brings a message.
class ScriptedNotices : public ScriptedTest {
 protected:
  void SetUp() override {
    main = std::make_unique<CKivDlg>(*session.session);
    ScriptedTest::SetUp();
    ASSERT_TRUE(waitFor([&] { return session.model.findGroup(555) != nullptr; }));
    main->afterSignIn();
  }
  void TearDown() override {
    releaseFetches();
    ScriptedTest::TearDown();
    main.reset();
  }

  void releaseFetches() {
    {
      std::lock_guard lock(mutex);
      holdFetches = false;
    }
    fetchesFreed.notify_all();
  }

  std::vector<Bytes> answer(const Bytes& packet) override {
    const HeaderKey key = keyOf(packet.data());
    switch (commandOf(packet.data())) {
      case GroupListRequest::kCommand:
        return {GroupListResponse{{GroupRecord{555, "Fans", 0, 0}}}.build(key)};
      case NoticePollRequest::kCommand: {
        ++polls;
        NoticePollResponse poll;
        if (armed.exchange(false)) {
          constexpr auto user = ConversationKind::kPrivate, group = ConversationKind::kGroup;
          constexpr auto odd = ConversationKind{5};  // read as private
          poll.notices = {{user, 4242, "Li"}, {user, 4242, "Li"},  {group, 99999, "gone"},
                          {odd, 4343, "Wu"},  {group, 555, "Fans"}, {user, 0, "nobody"}};
        } else {
          poll.status = 1;
        }
        return {poll.build(key)};
      }
      case FetchMessagesRequest::kCommand: {
        const auto fetch = FetchMessagesRequest::read(packet.data(), packet.size());
        FetchMessagesResponse out;
        std::unique_lock lock(mutex);
        if (fetch.id == 4242 && fetches.empty()) out.messages.push_back({"hello", "250102030405", {}});
        fetches.emplace_back(fetch.kind, fetch.id);
        fetchesFreed.wait(lock, [&] { return !holdFetches; });
        return {out.build(key)};
      }
      default:
        return {};
    }
  }

  std::size_t fetchCount() {
    std::lock_guard lock(mutex);
    return fetches.size();
  }

  std::unique_ptr<CKivDlg> main;
  std::atomic<bool> armed{false};
  std::atomic<int> polls{0};  // answered so far
  std::mutex mutex;
  std::condition_variable fetchesFreed;
  bool holdFetches = false;  // the answers wait until released
  std::vector<std::pair<ConversationKind, std::uint32_t>> fetches;
};

TEST_F(ScriptedNotices, TwiceForOnePersonOneWindowTwoFetchesKindFiveIsAPersonAnUnknownGroupIsDropped) {
  armed = true;
  ASSERT_TRUE(waitFor([&] { return fetchCount() == 4; }));
  // A fetch the notices asked for would go out before two more polls.
  const int answered = polls;
  ASSERT_TRUE(waitFor([&] { return polls >= answered + 2; }));
  {
    std::lock_guard lock(mutex);
    constexpr auto kPrivate = ConversationKind::kPrivate;
    const std::vector<std::pair<ConversationKind, std::uint32_t>> expected = {
        {kPrivate, 4242}, {kPrivate, 4242}, {kPrivate, 4343}, {ConversationKind::kGroup, 555}};
    EXPECT_EQ(fetches, expected) << "in the order of the notices; none for the unknown group";
  }
  ConversationRegistry& conversations = session.model.conversations();
  EXPECT_EQ(conversations.privateNumbers(), std::vector<std::int32_t>{4242}) << "a window only where messages came";
  EXPECT_TRUE(conversations.groupNumbers().empty());
  EXPECT_NE(session.model.findStranger(4242), nullptr);
  EXPECT_NE(session.model.findStranger(4343), nullptr);
  EXPECT_EQ(session.model.findStranger(0), nullptr) << "no row for a number that is nobody's";

  auto* li = dynamic_cast<CSendMessage*>(conversations.findPrivate(4242));
  ASSERT_TRUE(waitForShown(li, QStringLiteral("hello")));
  EXPECT_EQ(occurrences(shown(li).toStdString(), "hello"), 1u);
  EXPECT_EQ(li->windowTitle(), QStringLiteral("与陌生人 Li(4242) 聊天当中..."));
  EXPECT_TRUE(boxes.texts().empty());
}

// The history must not hang on a window: the server forgets the messages
// once it answered, so a window that goes while they are on the way (a
// stranger who became a friend, a group that left the list) must not take
// them along. They are stored, and the conversation shows them again.
TEST_F(ScriptedNotices, AWindowThatGoesWhileItsMessagesAreOnTheWayLosesNothing) {
  main->showConversation(ChatCategory::kStranger, 4242, "Li", std::string(), -1);
  ConversationRegistry& conversations = session.model.conversations();
  ASSERT_NE(conversations.findPrivate(4242), nullptr);
  {
    std::lock_guard lock(mutex);
    holdFetches = true;
  }
  armed = true;
  ASSERT_TRUE(waitFor([&] { return fetchCount() >= 1; }));
  ASSERT_TRUE(conversations.destroyPrivate(4242));
  releaseFetches();

  ASSERT_TRUE(waitFor([&] { return session.store.history.ReadUserHistoryPage(4242, 0).find("hello") != std::string::npos; }));
  CSendMessage* again = nullptr;
  ASSERT_TRUE(waitFor([&] {
    again = dynamic_cast<CSendMessage*>(conversations.findPrivate(4242));
    return again != nullptr && shown(again).contains(QStringLiteral("hello"));
  }));
  EXPECT_EQ(occurrences(session.store.history.ReadUserHistoryPage(4242, 0), "hello"), 1u);
}

}  // namespace
}  // namespace kiv::test
