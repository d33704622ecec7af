#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/MessageSamples.h"
#include "net/Messages.h"
#include "net/Packet.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const HeaderKey kKey{{3, 0x368B4A00}, 1231235959, 7};

// Builds `m`, checks the header and that reading gives `m` back, then reads
// every prefix of the packet from an exact-size heap block, so that the
// sanitizers see any read past the end.
template <class M>
void roundTrip(const M& m, bool isRequest) {
  SCOPED_TRACE(testing::Message() << "command " << (M::kCommand & 0xFF) << (isRequest ? " request" : " response"));
  const Bytes p = m.build(kKey);
  ASSERT_GE(p.size(), kHeaderSize);
  ASSERT_LE(p.size(), kMaxPacketSize);
  EXPECT_EQ(getU32(p.data(), 0), p.size());
  EXPECT_EQ(commandOf(p.data()), M::kCommand);
  EXPECT_EQ(keyOf(p.data()).sequence, kKey.sequence);
  EXPECT_EQ(keyOf(p.data()).timeStamp, kKey.timeStamp);
  EXPECT_EQ((M::kCommand & kResponseFlag) != 0, !isRequest);
  if (isRequest && M::kCommand != SendMessageRequest::kCommand) {
    EXPECT_EQ(p.size(), requestLength(M::kCommand));
  }
  EXPECT_TRUE(M::read(p.data(), p.size()) == m);
  for (std::size_t n = 0; n <= p.size(); ++n) {
    auto* copy = static_cast<std::uint8_t*>(std::malloc(n ? n : 1));
    if (n) std::memcpy(copy, p.data(), n);
    (void)M::read(copy, n);
    std::free(copy);
  }
}

template <class Req, class Resp>
void exchange(const Req& request, const Resp& response) {
  static_assert(Resp::kCommand == kResponseFlag + Req::kCommand);
  roundTrip(request, true);
  roundTrip(response, false);
}

TEST(MessagesRoundTrip, EveryExchangeBuildsAndReadsBack) {
  int exchanges = 0;
  test::forEachExchange([&](const auto& request, const auto& response) {
    exchange(request, response);
    ++exchanges;
  });
  EXPECT_EQ(exchanges, 24);
}

TEST(MessagesRoundTrip, ZeroLengthAndNullInputReadAsEmpty) {
  EXPECT_TRUE(UserInfoResponse::read(nullptr, 0) == UserInfoResponse{});
  EXPECT_TRUE(GroupInfoResponse::read(nullptr, 0) == GroupInfoResponse{});
  EXPECT_TRUE(SendMessageRequest::read(nullptr, 0) == (SendMessageRequest{ConversationKind{}, 0, ""}));
  EXPECT_TRUE(NoticePollResponse::read(nullptr, 0).notices.empty());
}

}  // namespace
}  // namespace kiv
