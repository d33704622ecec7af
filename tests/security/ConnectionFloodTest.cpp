// Strangers who only hold connections: caps per address and in total, and
// the deadlines that close a connection which never signs in or never
// finishes its packet, on both ports.
#include <memory>
#include <vector>

#include "net/LoginMessages.h"
#include "security/SecurityFixture.h"

namespace kiv::test {
namespace {

TEST_F(SecurityTest, ConnectionsBeyondTheCapsAreClosedAndTheGenuineUserSignsIn) {
  startServer(false, [](server::ServerOptions& o) { o.chatCaps = {20, 8}; });
  const auto id = addUser("真用户");
  // Two addresses try 12 each: 8 of each are kept, 4 closed at once.
  std::vector<std::unique_ptr<RawClient>> held;
  for (const char* from : {"127.0.0.2", "127.0.0.3"}) {
    for (int i = 0; i < 12; ++i) held.push_back(std::make_unique<RawClient>(from, server_->chatPort()));
  }
  ASSERT_TRUE(waitFor([&] { return server_->connectionCount() == 16; }));
  int closed = 0;
  for (auto& c : held) closed += c->closedByServer(100) ? 1 : 0;
  EXPECT_EQ(closed, 8);
  // While they hold their places, the genuine user signs in from elsewhere.
  auto genuine = signIn(id);
  EXPECT_TRUE(served(*genuine, id));
  // A third address fills what is left in all: the next one is refused.
  std::vector<std::unique_ptr<RawClient>> more;
  for (int i = 0; i < 4; ++i) more.push_back(std::make_unique<RawClient>("127.0.0.4", server_->chatPort()));
  EXPECT_TRUE(waitFor([&] { return server_->connectionCount() == 20; }));
  RawClient late("127.0.0.5", server_->chatPort());
  EXPECT_TRUE(late.closedByServer());
}

TEST_F(SecurityTest, AnOfficeOfThreeHundredBehindOneAddressSignsInWithTheDefaults) {
  std::vector<std::uint32_t> ids;
  for (int i = 0; i < 300; ++i) ids.push_back(addUser("同事" + std::to_string(i)));
  std::vector<std::unique_ptr<RawClient>> office;
  for (const auto id : ids) {
    office.push_back(std::make_unique<RawClient>("127.0.0.2", server_->chatPort()));
    ASSERT_EQ(office.back()->login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
  }
  EXPECT_EQ(server_->signedInCount(), 300u);
}

TEST_F(SecurityTest, ConnectionsThatNeverSignInOrNeverFinishAPacketAreClosed) {
  startServer(false, [](server::ServerOptions& o) {
    o.chatTimes.signIn = server::Millis(300);
    o.chatTimes.packet = server::Millis(300);
  });
  const auto id = addUser("真用户");
  const auto other = addUser("慢用户");
  RawClient oneByte("127.0.0.2", server_->chatPort());
  const std::uint8_t byte = 0;
  oneByte.sendBytes(&byte, 1);
  auto slow = signIn(other);
  const auto login = LoginRequest{phoneOf(other), "pw", 5}.build(slow->key());
  slow->sendBytes(login.data(), 10);  // a packet begun and never finished

  whileAttacking([&] { EXPECT_TRUE(oneByte.closedByServer(3000)); },
                 [&] {
                   auto genuine = signIn(id);
                   EXPECT_TRUE(served(*genuine, id));
                 });
  EXPECT_TRUE(slow->closedByServer(3000));
  EXPECT_TRUE(server_->log().contains("not signed in in time"));
  EXPECT_TRUE(server_->log().contains("packet not finished in time"));
}

TEST_F(SecurityTest, WebConnectionsAreCappedAndSlowHeadersCut) {
  startServer(false, [](server::ServerOptions& o) {
    o.webCaps = {50, 4};
    o.web.header = server::Millis(300);
  });
  std::vector<TcpSocket> slow;
  for (int i = 0; i < 6; ++i) {
    slow.push_back(connectFrom("127.0.0.2", server_->webPort()));
    slow.back().sendAll("GET /", 5, 1000);
  }
  // The genuine download is served meanwhile; the stalled ones are cut.
  EXPECT_EQ(http("GET /upload/user/1000.jpg HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"), 404);
  for (auto& s : slow) {
    char c;
    EXPECT_EQ(s.waitReadable(3000), TcpSocket::kReady);
    EXPECT_LE(s.receive(&c, 1), 0);
  }
  EXPECT_TRUE(waitFor([&] { return server_->webConnectionCount() == 0; }));
}

}  // namespace
}  // namespace kiv::test
