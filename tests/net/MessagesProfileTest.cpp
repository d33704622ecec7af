#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/Messages.h"
#include "net/Packet.h"
#include "platform/Gbk.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const HeaderKey kKey{{3, 0x368B4A00}, 1207031705, 42};

// The header every request below starts with, for a given length and command.
Bytes header(std::uint8_t length, std::uint8_t command) {
  return {0,    0,    0,    length, 0,    0,    0,    command, 0x00, 0x00, 0x00, 0x03,
          0x36, 0x8B, 0x4A, 0x00,   0x47, 0xF1, 0xD7, 0x99,    0,    0,    0,    0x2A};
}

Bytes operator+(Bytes a, const std::string& s) {
  a.insert(a.end(), s.begin(), s.end());
  return a;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes zeros(std::size_t n) {
  return Bytes(n, 0);
}

TEST(MessagesProfile, ChangePasswordSendsTheFirstTenBytes) {
  const Bytes p = ChangePasswordRequest{"abcdefghijkl", "0123456789"}.build(kKey);
  EXPECT_EQ(p, header(56, 25) + "abcdefghij" + zeros(6) + "0123456789" + zeros(6));
  EXPECT_EQ(ChangePasswordRequest::read(p.data(), p.size()).oldPassword, "abcdefghij");
}

TEST(MessagesProfile, APasswordAnswerCutBeforeItsResultIsNoChange) {
  const Bytes changed = ChangePasswordResponse{ChangePasswordResponse::kChanged}.build(kKey);
  EXPECT_EQ(ChangePasswordResponse::read(changed.data(), changed.size()).result, ChangePasswordResponse::kChanged);
  EXPECT_EQ(ChangePasswordResponse::read(changed.data(), 24).result, ChangePasswordResponse::kNoResult);
}

TEST(MessagesProfile, UpdateUserInfoClipsFullWidthTextsWithoutTerminator) {
  const std::string nick = "ABCDEFGHIJKLMNOP";  // exactly 16 bytes
  const std::string secret = gbk::fromUtf8("保密");
  const Bytes p =
      UpdateUserInfoRequest{0x01020304, nick + "Q", secret, std::string(50, 'i') + "j", "20001231"}.build(kKey);
  const Bytes expected = header(106, 4) + Bytes{1, 2, 3, 4} + nick + secret + std::string(50, 'i') + "20001231";
  EXPECT_EQ(p, expected);

  const UpdateUserInfoRequest back = UpdateUserInfoRequest::read(p.data(), p.size());
  EXPECT_EQ(back.nickname, nick);  // read as exactly its width, not into the sex field
  EXPECT_EQ(back.sex, secret);
  EXPECT_EQ(back.birthday, "20001231");
}

TEST(MessagesProfile, SearchTextIsClippedAndPageIsOneByte) {
  const Bytes p = SearchRequest{SearchRequest::kUserByNickname, "0123456789abcdefg", 255}.build(kKey);
  EXPECT_EQ(p, header(42, 5) + Bytes{2} + "0123456789abcdef" + Bytes{255});
}

TEST(MessagesProfile, UpdateGroupInfoLayout) {
  const Bytes p = UpdateGroupInfoRequest{555, "club", "sport", "intro", 2}.build(kKey);
  const Bytes expected = header(115, 10) + Bytes{0, 0, 0x02, 0x2B} + "club" + zeros(12) + "sport" + zeros(15) +
                         "intro" + zeros(45) + Bytes{2};
  EXPECT_EQ(p, expected);
}

TEST(MessagesProfile, GroupInfoResponseTextsAreBounded) {
  GroupInfoResponse m{0, std::string(16, 'n'), std::string(25, 'c'), std::string(50, 'i'), 390, 2, "261207031705"};
  const Bytes p = m.build(kKey);
  ASSERT_EQ(p.size(), GroupInfoResponse::kLength);
  const Bytes body = Bytes{0} + std::string(15, 'n') + zeros(1) + std::string(19, 'c') + zeros(1) +
                     std::string(49, 'i') + zeros(1) + Bytes{0, 0, 0x01, 0x86, 2, 0} + "261207031705";
  EXPECT_EQ(Bytes(p.begin() + 24, p.end()), body);
  const GroupInfoResponse back = GroupInfoResponse::read(p.data(), p.size());
  EXPECT_EQ(back.name, std::string(15, 'n'));
  EXPECT_EQ(back.memberCount, 390);
  EXPECT_EQ(back.type, GroupInfoResponse::kBroadcast);
}

TEST(MessagesProfile, UnterminatedResponseFieldsReadAsExactlyTheirWidth) {
  // A server that fills every text field to its full width.
  Bytes p(UserInfoResponse::kLength, 'x');
  writeHeader(p.data(), UserInfoResponse::kLength, UserInfoResponse::kCommand, kKey);
  const UserInfoResponse u = UserInfoResponse::read(p.data(), p.size());
  EXPECT_EQ(u.nickname, std::string(16, 'x'));
  EXPECT_EQ(u.sex, std::string(4, 'x'));
  EXPECT_EQ(u.introduction, std::string(50, 'x'));
  EXPECT_EQ(u.city, std::string(10, 'x'));
  EXPECT_EQ(u.birthday, std::string(8, 'x'));
  // Cut inside the introduction: the text stops where the packet stops.
  EXPECT_EQ(UserInfoResponse::read(p.data(), 60).introduction, std::string(11, 'x'));
  EXPECT_EQ(UserInfoResponse::read(p.data(), 60).points, 0);
}

TEST(MessagesProfile, GbkCharactersAreNeverSplitAtAFieldEdge) {
  const std::string zhong = gbk::fromUtf8("中");
  const std::string nick = std::string(14, 'a') + zhong;  // 16 bytes, the character at 14..15
  // Bounded keeps 15 bytes at most: the character goes whole.
  EXPECT_EQ(UserInfoResponse::read(UserInfoResponse{.userId = 1, .nickname = nick}.build(kKey).data(),
                                   UserInfoResponse::kLength)
                .nickname,
            std::string(14, 'a'));
  // Clipped keeps 16: the character fits exactly.
  const Bytes p = UpdateUserInfoRequest{.userId = 1, .nickname = nick}.build(kKey);
  EXPECT_EQ(UpdateUserInfoRequest::read(p.data(), p.size()).nickname, nick);
  const std::string odd = std::string(15, 'a') + zhong;  // the character would straddle byte 16
  const Bytes q = UpdateUserInfoRequest{.userId = 1, .nickname = odd}.build(kKey);
  EXPECT_EQ(UpdateUserInfoRequest::read(q.data(), q.size()).nickname, std::string(15, 'a'));
}

TEST(MessagesProfile, InvalidGbkTravelsByteForByte) {
  const std::string junk = "\xFF\x80\x81";  // no lead byte, a lone 0x80, a lead byte at the end
  const Bytes p = UpdateGroupInfoRequest{1, junk, junk, junk, 1}.build(kKey);
  const UpdateGroupInfoRequest back = UpdateGroupInfoRequest::read(p.data(), p.size());
  EXPECT_EQ(back.name, junk);
  EXPECT_EQ(gbk::toUtf8(back.name), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");

  // A lead byte at the edge of a bounded field is treated as one byte, not as
  // the start of a character that swallows the terminator.
  const Bytes r = GroupListResponse{{{1, std::string(15, 'a') + "\x81", 0, 0}}}.build(kKey);
  EXPECT_EQ(GroupListResponse::read(r.data(), r.size()).groups.at(0).name, std::string(15, 'a') + "\x81");
}

TEST(MessagesProfile, CreateGroupAnswerCarriesTheNewGroup) {
  const Bytes p = CreateGroupResponse{CreateGroupResponse::kCreated, 12345}.build(kKey);
  EXPECT_EQ(Bytes(p.begin() + 24, p.end()), (Bytes{0, 0, 0, 0x30, 0x39}));
  EXPECT_EQ(CreateGroupResponse::read(p.data(), p.size()).groupId, 12345u);
  EXPECT_EQ(CreateGroupRequest{}.build(kKey), header(24, 20));
}

}  // namespace
}  // namespace kiv
