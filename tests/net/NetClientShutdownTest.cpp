#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <deque>

#include "NetClientFixture.h"
#include "net/NoticePollMessages.h"

namespace kiv::test {
namespace {

// Stands in for a UI toolkit's blocking hand-over: the calling thread posts a
// task and waits until the UI thread (the test's main thread) has run it.
class UiThread {
 public:
  void invokeBlocking(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    bool done = false;
    tasks_.push_back([&] {
      task();
      done = true;
    });
    changed_.notify_all();
    changed_.wait(lock, [&] { return done; });
  }
  bool hasWaiting() {
    std::lock_guard lock(mutex_);
    return !tasks_.empty();
  }
  void runPending() {
    std::unique_lock lock(mutex_);
    while (!tasks_.empty()) {
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      task();
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
};

// The main window takes each notice on the UI thread while the receive
// thread waits.
class UiObserver : public RecordingObserver {
 public:
  explicit UiObserver(UiThread& ui) : ui_(ui) {}
  void onNotice(const MessageNotice& notice) override {
    ui_.invokeBlocking([&] { RecordingObserver::onNotice(notice); });
  }

 private:
  UiThread& ui_;
};

class NetClientShutdownTest : public NetClientFixture {
 protected:
  void SetUp() override {
    NetClientFixture::SetUp();
    uiObserver = std::make_shared<UiObserver>(ui);
    client->setObserver(uiObserver);
  }

  // Signs in and gets the receive thread stuck handing a notice to the UI.
  void blockReceiveThreadOnTheUi() {
    ASSERT_EQ(client->Start(), 0);
    ASSERT_TRUE(waitFor([&] { return client->loggedIn(); }));
    NoticePollResponse poll;
    poll.notices.resize(1);
    poll.notices[0].id = 1000;
    ASSERT_TRUE(peer.write(poll.build(client->newKey())));
    ASSERT_TRUE(waitFor([&] { return ui.hasWaiting(); }));
  }

  template <class F>
  static std::chrono::milliseconds timed(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  }

  UiThread ui;
  std::shared_ptr<UiObserver> uiObserver;
};

TEST_F(NetClientShutdownTest, ShutdownOnTheUiThreadDoesNotWaitForAReceiveThreadWaitingForIt) {
  blockReceiveThreadOnTheUi();
  EXPECT_LT(timed([&] { client->Shutdown(); }), 3000ms);
  EXPECT_TRUE(client->stopped());
  EXPECT_FALSE(client->waitForThreads(50ms)) << "the receive thread is still inside the call";
  ui.runPending();
  EXPECT_TRUE(client->waitForThreads(5s));
  EXPECT_EQ(uiObserver->notices.size(), 1u);
  EXPECT_TRUE(uiObserver->endedStates().empty()) << "a retired thread says nothing more";
}

TEST_F(NetClientShutdownTest, StartOnTheUiThreadRunsANewPairWhileTheOldOneWaits) {
  blockReceiveThreadOnTheUi();
  EXPECT_LT(timed([&] { EXPECT_EQ(client->Start(), 0); }), 3000ms);
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }));
  ASSERT_TRUE(waitFor([&] { return client->loggedIn(); }));
  ui.runPending();
  // The old thread leaves without touching the new connection.
  ASSERT_TRUE(peer.waitForPackets(NoticePollRequest::kCommand, 2));
  EXPECT_EQ(peer.connections(), 2);
  EXPECT_TRUE(client->loggedIn());
  EXPECT_FALSE(client->stopped());
  EXPECT_TRUE(uiObserver->endedStates().empty());
}

TEST_F(NetClientShutdownTest, DestroyingTheClientDoesNotWaitEither) {
  blockReceiveThreadOnTheUi();
  EXPECT_LT(timed([&] { client.reset(); }), 3000ms);
  ui.runPending();
  // The thread still holds what it needs; give it a moment to leave cleanly.
  std::this_thread::sleep_for(50ms);
  client = makeClient();  // for TearDown
}

TEST_F(NetClientShutdownTest, ShutdownIsQuickWithTheRealOneSecondCycle) {
  NetClient::Options options;
  options.logDirectory = dir.file("Log");
  options.registry = &registry;
  NetClient real(options);
  real.SetServer("127.0.0.1", peer.port());
  real.SetAccount("13800000000", "secret");
  ASSERT_EQ(real.Start(), 0);
  ASSERT_TRUE(waitFor([&] { return real.loggedIn(); }, 10s));
  // The pauses are cut short; only a socket wait of at most a second remains.
  EXPECT_LT(timed([&] { real.Shutdown(); }), 1500ms);
  EXPECT_TRUE(real.waitForThreads(2s));
  ASSERT_TRUE(peer.waitForPackets(LogoutRequest::kCommand, 1));
}

// The goodbye waits a second for the server's answer (two before going
// offline); those pauses belong to the connection, not to the caller, which
// is the UI thread. The peer here never answers, so nothing cuts them short.
TEST_F(NetClientShutdownTest, GoingOfflineAndClosingDoNotWaitForTheGoodbye) {
  answerLogout = false;
  NetClient::Options options;
  options.logDirectory = dir.file("Log");
  options.registry = &registry;
  NetClient real(options);
  real.SetServer("127.0.0.1", peer.port());
  real.SetAccount("13800000000", "secret");
  ASSERT_EQ(real.Start(), 0);
  ASSERT_TRUE(waitFor([&] { return real.loggedIn(); }, 10s));

  const auto offline = timed([&] { real.GoOffline(true); });
  std::printf("[ figure ] GoOffline(true) returned after %lld ms\n", static_cast<long long>(offline.count()));
  EXPECT_LT(offline, 500ms);
  EXPECT_TRUE(real.stopped()) << "the offline look is due at once";
  ASSERT_TRUE(peer.waitForPackets(LogoutRequest::kCommand, 1));
  ASSERT_TRUE(real.waitForThreads(10s));
  EXPECT_TRUE(real.stopped());

  // Online again, then the program closes: one goodbye, never a new sign-in.
  ASSERT_EQ(real.Start(), 0);
  ASSERT_TRUE(waitFor([&] { return real.loggedIn(); }, 10s));
  const auto closing = timed([&] { real.GoOffline(false); });
  std::printf("[ figure ] GoOffline(false) returned after %lld ms\n", static_cast<long long>(closing.count()));
  EXPECT_LT(closing, 500ms);
  ASSERT_TRUE(real.waitForThreads(10s));
  real.Shutdown();
  EXPECT_EQ(peer.countOf(LogoutRequest::kCommand), 2u);
  EXPECT_EQ(peer.countOf(LoginRequest::kCommand), 2u);
}

}  // namespace
}  // namespace kiv::test
