#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/FetchMessagesMessages.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/NoticePollMessages.h"
#include "net/Packet.h"
#include "net/SendMessageMessages.h"
#include "platform/Gbk.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const HeaderKey kKey{{3, 0x368B4A00}, 1207031705, 42};

std::vector<FriendRecord> friends(std::size_t n) {
  std::vector<FriendRecord> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back({static_cast<std::uint32_t>(i + 1), "f" + std::to_string(i), 3});
  return out;
}

TEST(MessagesContacts, FriendListCarriesEveryRecordThatFits) {
  const Bytes p = FriendListResponse{friends(250)}.build(kKey);
  EXPECT_EQ(p.size(), 27u + 250 * 21);
  EXPECT_EQ(getU16(p.data(), 25), 250);
  EXPECT_EQ(FriendListResponse::read(p.data(), p.size()).friends, friends(250));

  // 427 records fill a 9012-byte packet; a builder never sends more.
  const Bytes full = FriendListResponse{friends(500)}.build(kKey);
  EXPECT_LE(full.size(), kMaxPacketSize);
  EXPECT_EQ(getU16(full.data(), 25), 427);
  EXPECT_EQ(getU32(full.data(), 0), full.size());
}

TEST(MessagesContacts, CountsAreLimitedToTheRecordsPresent) {
  Bytes p = FriendListResponse{friends(3)}.build(kKey);
  putU16(p.data(), 25, 60000);  // huge, and negative as a signed count
  EXPECT_TRUE(FriendListResponse::read(p.data(), p.size()).friends.empty());
  putU16(p.data(), 25, 400);
  EXPECT_EQ(FriendListResponse::read(p.data(), p.size()).friends.size(), 3u);
  // A record cut off by the end of the packet is not read.
  EXPECT_EQ(FriendListResponse::read(p.data(), p.size() - 1).friends.size(), 2u);

  Bytes m = GroupMembersResponse{{{7, "a", 1, 1, 9}, {8, "b", 2, 0, 0}}}.build(kKey);
  putU16(m.data(), 25, 0x7FFF);
  EXPECT_EQ(GroupMembersResponse::read(m.data(), m.size()).members.size(), 2u);

  // Messages: a count of 0 or -1 means none, even with records present.
  Bytes f = FetchMessagesResponse{{{"hi", "261207031705", {}}}}.build(kKey);
  EXPECT_EQ(f.size(), 32u + 156);
  for (std::uint16_t c : {0, 0xFFFF}) {
    putU16(f.data(), 30, c);
    EXPECT_TRUE(FetchMessagesResponse::read(f.data(), f.size()).messages.empty());
  }
  putU16(f.data(), 30, 58);
  EXPECT_EQ(FetchMessagesResponse::read(f.data(), f.size()).messages.size(), 1u);
}

TEST(MessagesContacts, TruncatedPacketsReadAsZeroPadded) {
  const Bytes p = GroupListResponse{{{12345, "g", 1, 0}}}.build(kKey);
  for (std::size_t n = 0; n < p.size(); ++n) {
    const GroupListResponse r = GroupListResponse::read(p.data(), n);
    EXPECT_TRUE(r.groups.empty()) << n;
  }
  EXPECT_TRUE(GroupListResponse::read(nullptr, 0).groups.empty());
  const Bytes q = GroupMembersRequest{0x01020304}.build(kKey);
  EXPECT_EQ(GroupMembersRequest::read(q.data(), 26).groupId, 0x01020000u);
}

TEST(MessagesContacts, RecordsRoundTripByteForByteWithUnterminatedNames) {
  std::uint8_t slot[MemberRecord::kSize];
  for (std::size_t i = 0; i < sizeof slot; ++i) slot[i] = static_cast<std::uint8_t>('A' + i % 26);
  std::uint8_t copy[sizeof slot];
  MemberRecord::read(slot).write(copy);
  EXPECT_EQ(Bytes(slot, slot + sizeof slot), Bytes(copy, copy + sizeof copy));
  EXPECT_EQ(MemberRecord::read(slot).nickname.size(), 16u);

  std::uint8_t notice[MessageNotice::kSize] = {2, 0, 0, 0x30, 0x39, 'n', 'a', 'm', 'e', 0};
  notice[21] = 0xAB;
  notice[22] = 0xCD;
  std::uint8_t noticeCopy[MessageNotice::kSize];
  const MessageNotice n = MessageNotice::read(notice);
  EXPECT_TRUE(n.isGroup());
  EXPECT_EQ(n.id, 12345u);
  EXPECT_EQ(n.name, "name");
  n.write(noticeCopy);
  EXPECT_EQ(Bytes(notice, notice + sizeof notice), Bytes(noticeCopy, noticeCopy + sizeof noticeCopy));

  // write() overwrites the whole slot, whatever it held before.
  std::uint8_t group[GroupRecord::kSize];
  std::fill(std::begin(group), std::end(group), 0xEE);
  GroupRecord{5, "x", 1, 1}.write(group);
  EXPECT_EQ(group[5], 0);
  EXPECT_EQ(group[19], 0);
}

TEST(MessagesContacts, NoticePollKeepsStatusAndOneByteCount) {
  std::vector<MessageNotice> many(300, MessageNotice{ConversationKind::kPrivate, 1000, "kf", {}});
  const Bytes p = NoticePollResponse{0, many}.build(kKey);
  EXPECT_EQ(p[25], 255);
  EXPECT_EQ(p.size(), 26u + 255 * 23);
  const NoticePollResponse r = NoticePollResponse::read(p.data(), p.size());
  EXPECT_EQ(r.notices.size(), 255u);
  EXPECT_FALSE(r.notices[0].isGroup());

  const Bytes refused = NoticePollResponse{1, {}}.build(kKey);
  EXPECT_EQ(NoticePollResponse::read(refused.data(), refused.size()).status, 1);
}

TEST(MessagesContacts, SendMessageTextIsCutAt3000Bytes) {
  for (std::size_t n : {std::size_t{3000}, std::size_t{3001}, std::size_t{3500}}) {
    const Bytes p = SendMessageRequest{ConversationKind::kGroup, 77, std::string(n, 'x')}.build(kKey);
    EXPECT_EQ(p.size(), 3033u) << n;
    EXPECT_EQ(getU32(p.data(), 0), 3033u);
    EXPECT_EQ(getU32(p.data(), 29), 3000u);
    EXPECT_EQ(SendMessageRequest::read(p.data(), p.size()).text.size(), 3000u);
  }
  // A two-byte character straddling byte 3000 is dropped whole.
  const std::string zhong = gbk::fromUtf8("中");
  const std::string text = std::string(2999, 'x') + zhong;
  const Bytes p = SendMessageRequest{ConversationKind::kPrivate, 1000, text}.build(kKey);
  EXPECT_EQ(p.size(), 33u + 2999);
  EXPECT_EQ(SendMessageRequest::read(p.data(), p.size()).text, std::string(2999, 'x'));

  const Bytes empty = SendMessageRequest{ConversationKind::kPrivate, 1000, ""}.build(kKey);
  EXPECT_EQ(empty.size(), 33u);
}

TEST(MessagesContacts, SendMessageReadTrustsOnlyTheBytesPresent) {
  Bytes p = SendMessageRequest{ConversationKind::kPrivate, 1000, "hello"}.build(kKey);
  putU32(p.data(), 29, 0xFFFFFFFFu);
  EXPECT_EQ(SendMessageRequest::read(p.data(), p.size()).text, "hello");
  EXPECT_EQ(SendMessageRequest::read(p.data(), 35).text, "he");
  EXPECT_EQ(SendMessageRequest::read(p.data(), 20).text, "");

  const Bytes a = SendMessageResponse{0, "261207031705"}.build(kKey);
  EXPECT_EQ(a.size(), SendMessageResponse::kLength);
  EXPECT_EQ(SendMessageResponse::read(a.data(), a.size()).serverTime, "261207031705");
}

}  // namespace
}  // namespace kiv
