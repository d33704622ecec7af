#include <gtest/gtest.h>

#include "NetClientFixture.h"
#include "net/GroupListMessages.h"
#include "net/StreamFramer.h"

namespace kiv::test {
namespace {

Bytes packetOf(std::uint32_t length, std::uint32_t command, std::uint8_t fill) {
  Bytes p(length, fill);
  writeHeader(p.data(), length, command, HeaderKey{});
  return p;
}

TEST(StreamFramerTest, SeparatesCoalescedPacketsAndJoinsSplitOnes) {
  StreamFramer framer;
  auto out = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  std::size_t size = 0;
  const Bytes a = packetOf(24, 1, 0), b = packetOf(9012, 2, 0xAB), c = packetOf(30, 3, 0xCD);
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  all.insert(all.end(), c.begin(), c.end());

  framer.feed(all.data(), all.size());
  for (const Bytes* expected : {&a, &b, &c}) {
    ASSERT_EQ(framer.next(out.get(), size), StreamFramer::Status::kPacket);
    ASSERT_EQ(size, expected->size());
    EXPECT_TRUE(std::equal(expected->begin(), expected->end(), out.get()));
  }
  EXPECT_EQ(framer.next(out.get(), size), StreamFramer::Status::kNeedMore);

  // One byte at a time: the packet comes out once, whole, zero past its end.
  std::fill(out.get(), out.get() + kMaxPacketSize, 0xFF);
  for (std::size_t i = 0; i < c.size(); ++i) {
    ASSERT_EQ(framer.next(out.get(), size), StreamFramer::Status::kNeedMore) << i;
    framer.feed(&c[i], 1);
  }
  ASSERT_EQ(framer.next(out.get(), size), StreamFramer::Status::kPacket);
  EXPECT_TRUE(std::equal(c.begin(), c.end(), out.get()));
  EXPECT_TRUE(std::all_of(out.get() + c.size(), out.get() + kMaxPacketSize, [](std::uint8_t x) { return x == 0; }));
  EXPECT_EQ(framer.buffered(), 0u);
}

TEST(StreamFramerTest, ImpossibleLengthsBreakTheStreamUntilReset) {
  auto out = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  std::size_t size = 0;
  for (const std::uint32_t length : {0u, 23u, 9013u, 0xFFFFFFFFu}) {
    StreamFramer framer;
    Bytes head(4, 0);
    putU32(head.data(), 0, length);
    framer.feed(head.data(), head.size());
    EXPECT_EQ(framer.next(out.get(), size), StreamFramer::Status::kBroken) << length;
    const Bytes good = packetOf(24, 1, 0);
    framer.feed(good.data(), good.size());
    EXPECT_EQ(framer.next(out.get(), size), StreamFramer::Status::kBroken) << "nothing after it can be trusted";
    framer.reset();
    framer.feed(good.data(), good.size());
    EXPECT_EQ(framer.next(out.get(), size), StreamFramer::Status::kPacket);
  }
}

using NetClientFramingTest = NetClientFixture;

TEST_F(NetClientFramingTest, CoalescedAnswersAreEachHandled) {
  peer.setCoalesce(true);
  peer.setResponder([this](const Bytes& p) {
    auto answers = serve(p);
    if (commandOf(p.data()) == LoginRequest::kCommand) {
      GroupListResponse groups;
      groups.groups.resize(1);
      groups.groups[0].groupId = 5;
      answers.push_back(groups.build(keyOf(p.data())));
    }
    return answers;
  });
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  ASSERT_TRUE(waitFor([&] {
    std::lock_guard lock(observer->mutex);
    return !observer->groupLists.empty();
  }));
  EXPECT_EQ(peer.connections(), 1);
}

TEST_F(NetClientFramingTest, SplitAnswersAreJoined) {
  peer.setSplitAt(10);  // the first piece is not even a header
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  EXPECT_EQ(peer.connections(), 1);
}

TEST_F(NetClientFramingTest, BrokenLengthOrCommandZeroDropsTheConnectionAndSignsInAgain) {
  ASSERT_EQ(client->Start(), 0);
  ASSERT_TRUE(signedIn());
  ASSERT_TRUE(peer.write(packetOf(24, 0x80000003u, 0) /* pairs with nothing */));
  Bytes broken(30, 0);
  putU32(broken.data(), 0, 9013);
  ASSERT_TRUE(peer.write(broken));
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 2; }));
  ASSERT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 2));
  ASSERT_TRUE(waitFor([&] { return client->loggedIn(); }));

  ASSERT_TRUE(peer.write(packetOf(24, 0, 0)));
  ASSERT_TRUE(waitFor([&] { return peer.connections() == 3; }));
  ASSERT_TRUE(peer.waitForPackets(LoginRequest::kCommand, 3));
  EXPECT_FALSE(client->stopped());
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
