// Several kiv-server processes on one PostgreSQL behind HAProxy (round robin
// on the chat and the web port): what a user must not be able to tell apart
// from one server. Only on the PostgreSQL run of the suite.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "net/Messages.h"
#include "server/Balancer.h"
#include "server/ServerFixture.h"
#include "server/TestDatabase.h"

namespace kiv::test {
namespace {

using Clock = std::chrono::steady_clock;

class ClusterTest : public ServerFixture {
 protected:
  void SetUp() override {
    if (!testingOnPostgres()) GTEST_SKIP() << "several processes share PostgreSQL only";
    if (::access(kHaproxy, X_OK) != 0) GTEST_FAIL() << "HAProxy is missing (scripts/setup-deps.sh)";
    ServerFixture::SetUp();
  }

  // A second server on the same database.
  std::unique_ptr<server::ChatServer> another() {
    server::ServerOptions options;
    options.databasePath = testDatabase(dir_, "server.db");
    options.chatPort = 0;
    options.webPort = 0;
    options.echoLog = false;
    auto second = std::make_unique<server::ChatServer>(options);
    std::string error;
    EXPECT_TRUE(second->start(&error)) << error;
    return second;
  }

  std::unique_ptr<RawClient> signInAt(std::uint16_t port, std::uint32_t id) {
    auto client = std::make_unique<RawClient>(port);
    EXPECT_EQ(client->login(phoneOf(id), "pw"), 0);
    return client;
  }

  static std::uint8_t terminalOf(RawClient& client, std::uint32_t friendId) {
    for (const auto& f : client.ask<FriendListResponse>(FriendListRequest{}).friends)
      if (f.userId == friendId) return f.terminal;
    return 0xFF;
  }
};

TEST_F(ClusterTest, ASignInOnOneServerEndsTheSessionOnTheOtherAndPresenceIsShared) {
  auto second = another();
  const auto user = addUser("甲");
  const auto buddy = addUser("乙");
  ASSERT_EQ(admin().run("add-friend", {std::to_string(user), std::to_string(buddy)}), 0);
  auto buddyClient = signInAt(second->chatPort(), buddy);
  EXPECT_EQ(terminalOf(*buddyClient, user), 0) << "offline everywhere";

  auto first = signInAt(server_->chatPort(), user);
  EXPECT_TRUE(within(std::chrono::seconds(1), [&] { return terminalOf(*buddyClient, user) == 3; }))
      << "signed in on the other server shows as signed in here";

  const auto before = Clock::now();
  auto again = signInAt(second->chatPort(), user);
  const auto unasked = first->receive(1000);
  ASSERT_GE(unasked.size(), kHeaderSize) << "no logout answer within a second";
  EXPECT_EQ(commandOf(unasked.data()), LogoutResponse::kCommand);
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(1));
  EXPECT_TRUE(first->closedByServer());
  EXPECT_EQ(terminalOf(*buddyClient, user), 3) << "still signed in, on the second server now";

  again.reset();  // signed out by closing
  EXPECT_TRUE(within(std::chrono::seconds(1), [&] { return terminalOf(*buddyClient, user) == 0; }));
}

TEST_F(ClusterTest, ThroughTheBalancerMessagesArriveOnceAndAvatarsComeFromEveryServer) {
  auto second = another();
  Balancer balancer(dir_, {server_->chatPort(), second->chatPort()}, {server_->webPort(), second->webPort()});
  const auto from = addUser("发");
  const auto to = addUser("收");
  // Each connection lands on the next server.
  auto sender = signInAt(balancer.chatPort(), from);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(send(*sender, ConversationKind::kPrivate, to, "m" + std::to_string(i)).result, 0);
  auto receiver = signInAt(balancer.chatPort(), to);
  EXPECT_EQ(fetch(*receiver, ConversationKind::kPrivate, from).size(), 4u);
  receiver.reset();
  receiver = signInAt(balancer.chatPort(), to);
  receiver->key();  // a new request, not a repeat of the first fetch
  EXPECT_TRUE(fetch(*receiver, ConversationKind::kPrivate, from).empty()) << "fetched once, whichever server answers";

  ASSERT_TRUE(store_->avatars().putAvatar(false, from, "\xFF\xD8jpeg\xFF\xD9"));
  const std::string get =
      "GET /upload/user/" + std::to_string(from) + ".jpg HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(http(server_->webPort(), get).status, 200);
  EXPECT_EQ(http(second->webPort(), get).status, 200);
}

TEST_F(ClusterTest, AServerKilledLosesNothingItAnsweredAndItsUsersGoOnThroughTheOther) {
  // Real processes: one of them is killed.
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  const std::string program = std::string(self).substr(0, std::string(self).rfind("/tests/")) + "/server/kiv-server";
  const std::string db = testDatabase(dir_, "server.db");
  const std::uint16_t chat[] = {freePort(), freePort()}, web[] = {freePort(), freePort()};
  auto start = [&](int i) {
    return std::make_unique<Spawned>(std::vector<std::string>{program, "--db", db, "--port", std::to_string(chat[i]),
                                                              "--web-port", std::to_string(web[i]), "--log",
                                                              dir_.file("server" + std::to_string(i) + ".log")});
  };
  auto killed = start(0);
  auto survivor = start(1);
  ASSERT_TRUE(within(std::chrono::seconds(10), [&] { return accepts(chat[0]) && accepts(chat[1]); }));
  Balancer balancer(dir_, {chat[0], chat[1]}, {web[0], web[1]});
  const auto from = addUser("发");
  const auto to = addUser("收");

  auto sender = signInAt(chat[0], from);
  ASSERT_EQ(send(*sender, ConversationKind::kPrivate, to, "before the crash").result, 0);
  killed->kill(SIGKILL);
  EXPECT_TRUE(sender->closedByServer(1000));

  // The client reconnects through the balancer, which sends it to the
  // survivor, and signs in again at once.
  const auto before = Clock::now();
  auto again = signInAt(balancer.chatPort(), from);
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(1));
  ASSERT_EQ(send(*again, ConversationKind::kPrivate, to, "after the crash").result, 0);
  auto receiver = signInAt(balancer.chatPort(), to);
  const auto got = fetch(*receiver, ConversationKind::kPrivate, from);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(got[0].text.find("before the crash"), std::string::npos);
}

}  // namespace
}  // namespace kiv::test
