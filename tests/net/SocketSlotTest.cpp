// The connection's socket as the sender, the receiver and the goodbye share
// it: a drop names the socket its caller saw, so a connection already made
// anew is never dropped by a thread that still held the old one.
#include <gtest/gtest.h>

#include "net/LogoutMessages.h"
#include "net/SocketSlot.h"
#include "platform/TcpSocket.h"
#include "support/FakePeer.h"
#include "support/WaitFor.h"

namespace kiv::test {
namespace {

TEST(SocketSlot, ADropOfAReplacedSocketLeavesTheNewConnectionAlone) {
  FakePeer peer;
  int dropped = 0;
  SocketSlot slot([&] { ++dropped; });
  const auto packet = LogoutRequest{}.build(HeaderKey{});
  EXPECT_FALSE(slot.send(packet.data(), packet.size())) << "no connection yet";

  ASSERT_EQ(slot.connect("127.0.0.1", peer.port(), 2000), 0);
  slot.setConnected(true);
  const auto old = slot.current();
  ASSERT_EQ(slot.connect("127.0.0.1", peer.port(), 2000), 0);
  slot.setConnected(true);
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }));

  EXPECT_FALSE(slot.drop(old));
  EXPECT_EQ(dropped, 0);
  EXPECT_TRUE(slot.connected());
  ASSERT_TRUE(slot.send(packet.data(), packet.size()));
  ASSERT_TRUE(peer.waitForPackets(LogoutRequest::kCommand, 1));

  EXPECT_TRUE(slot.drop(slot.current()));
  EXPECT_EQ(dropped, 1);
  EXPECT_FALSE(slot.connected());
  EXPECT_EQ(slot.current(), nullptr);
  EXPECT_FALSE(slot.send(packet.data(), packet.size()));
  EXPECT_EQ(dropped, 1) << "nothing left to drop";
}

}  // namespace
}  // namespace kiv::test
