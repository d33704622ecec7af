// The client's own connection code against the in-process server, with the
// protocol's cycles sped up: sign-in, the lists, a message from one client to
// another through notice poll and fetch, and the forced sign-out.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>

#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "net/NetObserver.h"
#include "net/ReceiverRegistry.h"
#include "net/ResponseReceiver.h"
#include "net/SendMessageMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"
#include "server/AdminCommands.h"
#include "server/ChatServer.h"
#include "server/Store.h"
#include "support/TempDir.h"

namespace kiv::test {
namespace {

// Collects what the client reports; tests wait for a condition on it.
class Events : public NetObserver, public ResponseReceiver {
 public:
  void onOwnProfile(const UserInfoResponse& profile) override {
    update([&] { ownId = profile.userId; });
  }
  void onLoginRefused(int result, const std::string&) override {
    update([&] { refusal = result; });
  }
  void onGroupList(const GroupListResponse& list) override {
    update([&] { groups = list.groups.size(); });
  }
  void onNotice(const MessageNotice& notice) override {
    update([&] { notices.push_back(notice); });
  }
  void onConnectionEnded(LogoutState state) override {
    update([&] { endedWith = state; });
  }
  void OnServerResponse(const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    update([&] {
      if (command == SendMessageResponse::kCommand)
        sendResult = SendMessageResponse::read(response, size).result;
      if (command == FetchMessagesResponse::kCommand) {
        for (auto& m : FetchMessagesResponse::read(response, size).messages) fetched.push_back(m.text);
      }
    });
  }

  bool waitFor(const std::function<bool()>& done) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), done);
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::uint32_t ownId = 0;
  int refusal = 0;
  std::size_t groups = 0;
  std::vector<MessageNotice> notices;
  int sendResult = -1;
  std::vector<std::string> fetched;
  std::optional<LogoutState> endedWith;

 private:
  template <class F>
  void update(F&& f) {
    {
      std::lock_guard lock(mutex);
      f();
    }
    changed.notify_all();
  }
};

class NetClientServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    store_ = server::Store::open(dir_.file("server.db"), &error);
    ASSERT_TRUE(store_) << error;
    std::ostringstream out, err;
    ASSERT_EQ(server::AdminCommands(*store_, out, err).run("seed-demo", {}), 0);
    server::ServerOptions options;
    options.databasePath = dir_.file("server.db");
    options.chatPort = 0;
    options.webEnabled = false;
    options.echoLog = false;
    server_ = std::make_unique<server::ChatServer>(options);
    ASSERT_TRUE(server_->start(&error)) << error;
  }

  // A started client for `phone` reporting to `events`.
  std::unique_ptr<NetClient> client(const std::string& phone, const std::string& password,
                                    const std::shared_ptr<Events>& events) {
    NetClient::Options options;
    options.pauseScale = 0.02;
    options.logDirectory = dir_.file("log-" + phone);
    options.registry = &registry_;
    auto c = std::make_unique<NetClient>(options);
    c->setObserver(events);
    c->SetServer("127.0.0.1", server_->chatPort());
    c->SetAccount(phone, password);
    EXPECT_EQ(c->Start(), 0);
    return c;
  }

  // Shutdown does not wait for a thread that is inside a call out; its last
  // look into the registry must be over before the fixture's goes away.
  static void finish(NetClient& c) {
    c.Shutdown();
    EXPECT_TRUE(c.waitForThreads(std::chrono::seconds(10)));
  }

  MessageRecorder messages_;
  TempDir dir_;
  ReceiverRegistry registry_;
  std::unique_ptr<server::Store> store_;
  std::unique_ptr<server::ChatServer> server_;
};

TEST_F(NetClientServerTest, PrivateMessageFromOneClientToAnother) {
  auto bobEvents = std::make_shared<Events>();
  auto aliceEvents = std::make_shared<Events>();
  auto bob = client("13800000003", "123456", bobEvents);      // 王大力
  auto alice = client("13800000006", "123456", aliceEvents);  // 刘洋
  ASSERT_TRUE(bobEvents->waitFor([&] { return bobEvents->ownId == 10003 && bobEvents->groups == 1; }));
  ASSERT_TRUE(aliceEvents->waitFor([&] { return aliceEvents->ownId == 10006; }));

  const auto asker = registry_.add(bobEvents);
  SendMessageRequest message;
  message.kind = ConversationKind::kPrivate;
  message.target = 10006;
  message.text = gbk::fromUtf8("你好刘洋");
  ASSERT_EQ(bob->Enqueue(message.build(bob->newKey()), asker), 0);
  ASSERT_TRUE(bobEvents->waitFor([&] { return bobEvents->sendResult == 0; }));

  ASSERT_TRUE(aliceEvents->waitFor([&] { return !aliceEvents->notices.empty(); }));
  EXPECT_EQ(aliceEvents->notices[0].id, 10003u);
  EXPECT_EQ(gbk::toUtf8(aliceEvents->notices[0].name), "王大力");
  const auto fetcher = registry_.add(aliceEvents);
  FetchMessagesRequest fetch;
  fetch.kind = ConversationKind::kPrivate;
  fetch.id = 10003;
  ASSERT_EQ(alice->Enqueue(fetch.build(alice->newKey()), fetcher), 0);
  ASSERT_TRUE(aliceEvents->waitFor([&] { return !aliceEvents->fetched.empty(); }));
  EXPECT_EQ(gbk::toUtf8(aliceEvents->fetched[0]), "王大力(私聊):你好刘洋");

  finish(*alice);
  finish(*bob);
}

TEST_F(NetClientServerTest, WrongPasswordIsRefusedAndSecondSignInForcesTheFirstOffline) {
  auto wrongEvents = std::make_shared<Events>();
  auto wrong = client("13800000005", "nope", wrongEvents);
  ASSERT_TRUE(wrongEvents->waitFor([&] { return wrongEvents->refusal != 0; }));
  EXPECT_EQ(wrongEvents->refusal, 3);
  finish(*wrong);

  auto firstEvents = std::make_shared<Events>();
  auto first = client("13800000005", "123456", firstEvents);
  ASSERT_TRUE(firstEvents->waitFor([&] { return firstEvents->ownId == 10005; }));
  auto secondEvents = std::make_shared<Events>();
  auto second = client("13800000005", "123456", secondEvents);
  ASSERT_TRUE(secondEvents->waitFor([&] { return secondEvents->ownId == 10005; }));
  ASSERT_TRUE(firstEvents->waitFor([&] { return firstEvents->endedWith.has_value(); }));
  EXPECT_EQ(firstEvents->endedWith, LogoutState::kForcedOffline);
  finish(*second);
  finish(*first);
}

}  // namespace
}  // namespace kiv::test
