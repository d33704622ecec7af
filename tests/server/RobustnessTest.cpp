// Bad input on the chat port closes that one connection, is logged, and
// leaves every other client served.
#include <gtest/gtest.h>

#include <thread>

#include "net/LoginMessages.h"
#include "net/PacketWriter.h"
#include "net/SendMessageMessages.h"
#include "net/UserInfoMessages.h"
#include "server/ServerFixture.h"

namespace kiv::test {
namespace {

class RobustnessTest : public ServerFixture {
 protected:
  void SetUp() override {
    if (testingOnPostgres()) GTEST_SKIP() << "framing never reaches the database; run on SQLite";
    ServerFixture::SetUp();
    bystanderId_ = addUser("旁观者");
    bystander_ = signIn(bystanderId_);
  }
  // The signed-in bystander still gets answers.
  void expectBystanderServed() {
    EXPECT_EQ(bystander_->ask<UserInfoResponse>(UserInfoRequest{0}).userId, bystanderId_);
  }

  std::vector<std::uint8_t> header(std::uint32_t length, std::uint32_t command) {
    std::vector<std::uint8_t> packet(std::max<std::uint32_t>(length, 24), 0);
    writeHeader(packet.data(), length, command, HeaderKey{});
    return packet;
  }

  std::uint32_t bystanderId_ = 0;
  std::unique_ptr<RawClient> bystander_;
};

TEST_F(RobustnessTest, BadLengthsAndUnknownCommandsCloseOnlyThatConnection) {
  struct Case {
    const char* what;
    std::uint32_t length;
    std::uint32_t command;
    const char* logged;
  };
  const Case cases[] = {
      {"length below the header", 23, 3, "packet length outside"},
      {"length zero", 0, 3, "packet length outside"},
      {"length above the largest packet", 9013, 3, "packet length outside"},
      {"unused command 13", 24, 13, "unknown command 13"},
      {"command 0", 24, 0, "unknown command 0"},
      {"an answer's command", 25, 0x80000001u, "unknown command"},
      {"command 26", 24, 26, "unknown command 26"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RawClient bad(server_->chatPort());
    bad.sendBytes(header(c.length, c.command));
    EXPECT_TRUE(bad.closedByServer());
    EXPECT_TRUE(server_->log().contains(c.logged));
    expectBystanderServed();
  }
}

TEST_F(RobustnessTest, TruncatedAndShortRequestsNeverCrashTheServer) {
  const auto id = addUser("截断");
  auto client = signIn(id);
  // Every request code with a body cut to the bare header: read as zeros.
  for (std::uint32_t command = 1; command <= 25; ++command) {
    if (command == 13 || command == 16 || command == 1) continue;
    client->sendBytes(header(24, command));
    EXPECT_FALSE(client->receive().empty()) << "command " << command;
  }
  // A SendMessageRequest announcing more text than it carries.
  auto send = header(40, 6);
  putU32(send.data(), 25, bystanderId_);
  send[24] = 1;
  putU32(send.data(), 29, 3000);
  client->sendBytes(send);
  EXPECT_FALSE(client->receive().empty());
  expectBystanderServed();

  // A packet cut off by the client closing mid-way.
  {
    RawClient half(server_->chatPort());
    const auto login = LoginRequest{"13900001000", "pw", 5}.build(half.key());
    half.sendBytes(login.data(), login.size() / 2);
  }
  expectBystanderServed();
}

TEST_F(RobustnessTest, SplitAndCoalescedPacketsAreEachAnswered) {
  RawClient client(server_->chatPort(), phoneOf(bystanderId_));
  auto login = LoginRequest{phoneOf(bystanderId_), "pw", 5}.build(client.key());
  auto info = UserInfoRequest{0}.build(client.key());
  std::vector<std::uint8_t> stream(login);
  stream.insert(stream.end(), info.begin(), info.end());
  // The first 10 bytes alone, then the rest of both packets in one write.
  client.sendBytes(stream.data(), 10);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  client.sendBytes(stream.data() + 10, stream.size() - 10);
  const auto first = client.receive();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(commandOf(first.data()), LoginResponse::kCommand);
  const auto second = client.receive();
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(UserInfoResponse::read(second.data(), second.size()).userId, bystanderId_);
}

TEST_F(RobustnessTest, AClientThatNeverReadsIsDroppedWithoutHoldingUpOthers) {
  const auto id = addUser("不读");
  auto lazy = signIn(id);
  // Requests whose answers pile up unread: the server must keep serving the
  // bystander meanwhile and eventually give up on the lazy client.
  const auto request = UserInfoRequest{0}.build(lazy->key());
  std::vector<std::uint8_t> burst;
  for (int i = 0; i < 500; ++i) burst.insert(burst.end(), request.begin(), request.end());
  bool dropped = false;
  for (int round = 0; round < 200 && !dropped; ++round) {
    dropped = !lazy->sendBytes(burst);
    if (round % 20 == 0) expectBystanderServed();
    if (server_->log().contains("not reading its answers")) dropped = true;
  }
  EXPECT_TRUE(dropped);
  expectBystanderServed();
}

}  // namespace
}  // namespace kiv::test
