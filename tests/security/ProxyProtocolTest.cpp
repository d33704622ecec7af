// Clients behind a load balancer that passes their addresses on in a PROXY
// header: caps and the sign-in throttle count each client by its own address,
// only the trusted balancer is believed, and a garbled header ends the
// connection.
#include <arpa/inet.h>

#include <memory>
#include <string>

#include "net/LoginMessages.h"
#include "security/SecurityFixture.h"
#include "server/Balancer.h"
#include "server/TrustedNetworks.h"

namespace kiv::test {
namespace {

constexpr std::uint8_t kTryLater = 6;
const char* const kBalancer = "127.0.0.2";

std::string textHeader(const std::string& client, int port) {
  return "PROXY TCP4 " + client + " 127.0.0.1 " + std::to_string(port) + " 7838\r\n";
}

std::string binaryHeader(const std::string& client, int port) {
  std::string out("\r\n\r\n\0\r\nQUIT\n\x21\x11\x00\x0C", 16);
  in_addr address{};
  inet_pton(AF_INET, client.c_str(), &address);
  out.append(reinterpret_cast<const char*>(&address), 4);
  out.append("\x7F\x00\x00\x01", 4);
  out += static_cast<char>(port >> 8);
  out += static_cast<char>(port & 0xFF);
  return out + "\x1E\x9E";
}

server::TrustedNetworks trusting(const char* list) {
  return *server::TrustedNetworks::parse(list, nullptr);
}

class ProxyProtocolTest : public SecurityTest {
 protected:
  void SetUp() override {
    startServer(false, [](server::ServerOptions& o) {
      o.balancers = trusting(kBalancer);
      o.chatCaps = {50, 2};
      o.chatTimes.packet = server::Millis(300);
      o.signIn.accountFreeFailures = 100;
      o.signIn.addressFreeFailures = 2;
      o.signIn.longestWait = std::chrono::seconds(30);
      o.signIn.longestHold = server::Millis(200);
    });
  }

  // A connection from `from` that starts with `header` (and `then`, in the same write).
  std::unique_ptr<RawClient> connect(const std::string& header, const std::string& then = "",
                                     const char* from = kBalancer) {
    auto client = std::make_unique<RawClient>(from, server_->chatPort());
    const std::string bytes = header + then;
    client->sendBytes(bytes.data(), bytes.size());
    return client;
  }

  // A login packet for `phone` as the bytes that follow a header.
  static std::string loginBytes(RawClient& client, const std::string& phone, const std::string& password) {
    client.setPhone(phone);
    const auto packet = LoginRequest{phone, password, 5}.build(client.key());
    return std::string(packet.begin(), packet.end());
  }
};

TEST_F(ProxyProtocolTest, ClientsBehindTheBalancerAreCountedByTheirOwnAddresses) {
  const auto id = addUser("真用户");
  auto first = connect(textHeader("203.0.113.5", 40001));
  auto second = connect(binaryHeader("203.0.113.5", 40002));
  ASSERT_TRUE(waitFor([&] { return server_->connectionCount() == 2; }));
  // The client's address is full; the balancer's other clients are not.
  auto third = connect(textHeader("203.0.113.5", 40003));
  EXPECT_TRUE(third->closedByServer());

  // Connections whose headers are still on their way are the balancer's,
  // which no cap per address holds back.
  std::vector<std::unique_ptr<RawClient>> pending;
  for (int i = 0; i < 3; ++i) pending.push_back(connect("PROXY TCP4 198.51.100."));
  for (int i = 0; i < 3; ++i) {
    const std::string rest = std::to_string(10 + i) + " 127.0.0.1 1 2\r\n";
    pending[i]->sendBytes(rest.data(), rest.size());
  }
  ASSERT_TRUE(waitFor([&] { return server_->connectionCount() == 5; }));

  // The request arrives with the header, in one piece, as a balancer forwards it.
  RawClient other(kBalancer, server_->chatPort());
  const std::string bytes = binaryHeader("198.51.100.7", 50000) + loginBytes(other, phoneOf(id), "pw");
  other.sendBytes(bytes.data(), bytes.size());
  const auto answer = other.receive();
  ASSERT_FALSE(answer.empty());
  EXPECT_EQ(LoginResponse::read(answer.data(), answer.size()).result, LoginResponse::kLoggedIn);
  EXPECT_TRUE(server_->log().contains("login " + phoneOf(id) + " from 198.51.100.7:50000 via 127.0.0.2"));
}

TEST_F(ProxyProtocolTest, FailedSignInsLockTheGuessersAddressNotTheBalancers) {
  const auto id = addUser("真用户");
  bool locked = false;
  for (int i = 0; i < 10 && !locked; ++i) {
    auto guess = connect(textHeader("203.0.113.5", 40000 + i));
    locked = guess->login("1390009" + std::to_string(1000 + i), "no") == kTryLater;
  }
  ASSERT_TRUE(locked);
  EXPECT_EQ(connect(textHeader("203.0.113.5", 41000))->login(phoneOf(id), "pw"), kTryLater);
  // Everybody else behind the same balancer signs in at once.
  EXPECT_EQ(connect(binaryHeader("198.51.100.7", 50000))->login(phoneOf(id), "pw"), LoginResponse::kLoggedIn);
}

TEST_F(ProxyProtocolTest, AGarbledOrMissingOrUntrustedHeaderEndsTheConnection) {
  const auto id = addUser("真用户");
  // From an address that is not a balancer a header is not believed: it is
  // no packet either.
  RawClient spoofer("127.0.0.3", server_->chatPort());
  const std::string spoofed = textHeader("198.51.100.7", 50000) + loginBytes(spoofer, phoneOf(id), "pw");
  spoofer.sendBytes(spoofed.data(), spoofed.size());
  EXPECT_TRUE(spoofer.closedByServer());
  EXPECT_FALSE(server_->log().contains("198.51.100.7"));

  RawClient probe(kBalancer, server_->chatPort());
  const std::string login = loginBytes(probe, phoneOf(id), "pw");
  for (const std::string& header : {std::string("PROXY TCP4 203.0.113.500 127.0.0.1 1 2\r\n"),
                                    std::string("PROXY TCP4 203.0.113.5 127.0.0.1 1 2\n"),
                                    binaryHeader("203.0.113.5", 1).replace(12, 1, "\x31"), std::string()}) {
    auto garbled = connect(header, login);
    EXPECT_TRUE(garbled->closedByServer()) << header;
  }
  auto silent = connect("PROXY TCP4 203.0.113.5");
  EXPECT_TRUE(silent->closedByServer());
  EXPECT_EQ(server_->signedInCount(), 0u);
  EXPECT_TRUE(server_->log().contains("chat port: closing 127.0.0.2:"));
  EXPECT_TRUE(server_->log().contains("bad PROXY header"));
  EXPECT_TRUE(server_->log().contains("no PROXY header in time"));
  // The web port reads its header the same way.
  const std::string get = "GET /upload/user/1000.jpg HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(kiv::test::http(server_->webPort(), "PROXY TCP4 1.2.3\r\n" + get, kBalancer).status, 0);
  EXPECT_EQ(kiv::test::http(server_->webPort(), binaryHeader("203.0.113.5", 1) + get, kBalancer).status, 404);
}

TEST_F(ProxyProtocolTest, ThroughHaproxyEachClientIsCountedByItsOwnAddress) {
  ASSERT_EQ(::access(kHaproxy, X_OK), 0) << "HAProxy is missing (scripts/setup-deps.sh)";
  // HAProxy connects from 127.0.0.1: text headers on the chat port, binary ones on the web port.
  startServer(false, [](server::ServerOptions& o) {
    o.balancers = trusting("127.0.0.1");
    o.chatCaps = {50, 2};
  });
  Balancer balancer(dir_, {server_->chatPort()}, {server_->webPort()}, "send-proxy", "send-proxy-v2");
  const auto a = addUser("甲"), b = addUser("乙"), c = addUser("丙");
  RawClient first("127.0.0.2", balancer.chatPort()), second("127.0.0.2", balancer.chatPort());
  ASSERT_EQ(first.login(phoneOf(a), "pw"), LoginResponse::kLoggedIn);
  ASSERT_EQ(second.login(phoneOf(b), "pw"), LoginResponse::kLoggedIn);
  RawClient third("127.0.0.2", balancer.chatPort());
  EXPECT_TRUE(third.closedByServer());
  RawClient elsewhere("127.0.0.3", balancer.chatPort());
  EXPECT_EQ(elsewhere.login(phoneOf(c), "pw"), LoginResponse::kLoggedIn);
  EXPECT_TRUE(server_->log().contains("from 127.0.0.3:"));
  EXPECT_TRUE(server_->log().contains("via 127.0.0.1"));

  const std::string get = "GET /upload/user/1000.jpg HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  EXPECT_EQ(kiv::test::http(balancer.webPort(), get, "127.0.0.4").status, 404);
}

}  // namespace
}  // namespace kiv::test
