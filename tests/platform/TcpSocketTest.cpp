#include "platform/TcpSocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace kiv {
namespace {

// A listening socket on 127.0.0.1 with an ephemeral port.
class Listener {
 public:
  Listener() : fd_(TcpSocket::listenOnLoopback(4, port_)) {}
  ~Listener() { ::close(fd_); }
  std::uint16_t port() const { return port_; }
  TcpSocket accept() { return TcpSocket::adopt(::accept(fd_, nullptr, nullptr)); }

 private:
  std::uint16_t port_ = 0;
  int fd_ = -1;
};

TEST(TcpSocket, ExchangesBytesAndSeesEndOfStream) {
  Listener listener;
  TcpSocket client;
  ASSERT_EQ(client.connect("127.0.0.1", listener.port(), 1000), 0);
  TcpSocket server = listener.accept();
  ASSERT_TRUE(server.isOpen());

  EXPECT_EQ(server.waitReadable(10), TcpSocket::kTimeout);
  ASSERT_TRUE(client.sendAll("hello", 5, 1000));
  ASSERT_EQ(server.waitReadable(1000), TcpSocket::kReady);
  char buf[16] = {};
  EXPECT_EQ(server.receive(buf, sizeof buf), 5);
  EXPECT_STREQ(buf, "hello");

  client.close();
  ASSERT_EQ(server.waitReadable(1000), TcpSocket::kReady);
  EXPECT_EQ(server.receive(buf, sizeof buf), 0);
}

TEST(TcpSocket, SendingToAClosedPeerFailsWithoutKillingTheProcess) {
  Listener listener;
  TcpSocket client;
  ASSERT_EQ(client.connect("127.0.0.1", listener.port(), 1000), 0);
  listener.accept().close();
  // The first writes may still be accepted by the kernel; once the peer's
  // reset arrives a write fails. SIGPIPE would end the test program here.
  const std::vector<char> block(64 * 1024, 'x');
  bool failed = false;
  for (int i = 0; i < 200 && !failed; ++i) failed = !client.sendAll(block.data(), block.size(), 200);
  EXPECT_TRUE(failed);
}

TEST(TcpSocket, ConnectionRefusedIsReported) {
  std::uint16_t port;
  {
    Listener listener;
    port = listener.port();
  }
  TcpSocket client;
  EXPECT_NE(client.connect("127.0.0.1", port, 1000), 0);
  EXPECT_FALSE(client.isOpen());
  EXPECT_EQ(client.waitReadable(0), TcpSocket::kFailed);
  EXPECT_FALSE(client.sendAll("x", 1, 10));
  char c;
  EXPECT_EQ(client.receive(&c, 1), -1);
}

TEST(TcpSocket, MovedFromSocketIsClosed) {
  Listener listener;
  TcpSocket a;
  ASSERT_EQ(a.connect("127.0.0.1", listener.port(), 1000), 0);
  TcpSocket b = std::move(a);
  EXPECT_FALSE(a.isOpen());
  EXPECT_TRUE(b.isOpen());
}

}  // namespace
}  // namespace kiv
