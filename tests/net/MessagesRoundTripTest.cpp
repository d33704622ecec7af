#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
  exchange(LoginRequest{"13800000000", "secret", 5}, LoginResponse{LoginResponse::kWrongPassword});
  exchange(SmsPasswordRequest{"13800000000"}, SmsPasswordResponse{SmsPasswordResponse::kMalformedNumber});
  exchange(UserInfoRequest{1000}, UserInfoResponse{0, 1000, "kefu", "M", "intro", 12345, "Shenzhen", "19800101"});
  exchange(UpdateUserInfoRequest{1000, "nick", "F", "about me", "20011231"}, UpdateUserInfoResponse{1});
  exchange(SearchRequest{SearchRequest::kGroupByName, "chess", 255},
           SearchResponse{{{1, "a", 3}, {2, "b", 0}, {3, "", 1}}});
  exchange(SendMessageRequest{kGroupConversation, 555, std::string("hi\0there", 8)},
           SendMessageResponse{0, "261231235959"});
  exchange(NoticePollRequest{}, NoticePollResponse{0, {{2, 555, "club", {1, 2}}, {1, 1000, "kefu", {}}}});
  exchange(FetchMessagesRequest{kPrivateConversation, 1000},
           FetchMessagesResponse{{{"hello", "261207031705", {9, 8, 7, 6}}, {"\x07\x02[123]come", "261207031706", {}}}});
  exchange(GroupInfoRequest{555}, GroupInfoResponse{0, "club", "sport", "we play", 42, 2, "261207031705"});
  exchange(UpdateGroupInfoRequest{555, "club", "sport", "we play", 2}, UpdateGroupInfoResponse{0});
  exchange(InviteToGroupRequest{555, 1000}, InviteToGroupResponse{InviteToGroupResponse::kInThreeGroups});
  exchange(RemoveGroupMemberRequest{555, 1000}, RemoveGroupMemberResponse{0});
  exchange(QuitGroupRequest{555}, QuitGroupResponse{0});
  exchange(FriendListRequest{}, FriendListResponse{{{1000, "kefu", 3}, {1001, "", 0}}});
  exchange(LogoutRequest{}, LogoutResponse{});
  exchange(GroupMembersRequest{555}, GroupMembersResponse{{{1000, "kefu", 3, 1, 0x5A}, {1001, "x", 2, 0, 0}}});
  exchange(DismissGroupRequest{555}, DismissGroupResponse{1});
  exchange(GroupListRequest{}, GroupListResponse{{{555, "club", 1, 0}, {556, "chess", 0, 1}}});
  exchange(CreateGroupRequest{}, CreateGroupResponse{0, 12345});
  exchange(JoinGroupRequest{555}, JoinGroupResponse{JoinGroupResponse::kGroupFull});
  exchange(AddFriendRequest{1000}, AddFriendResponse{AddFriendResponse::kAlreadyFriend});
  exchange(DeleteFriendRequest{1000}, DeleteFriendResponse{0});
  exchange(ShieldGroupRequest{555, 1}, ShieldGroupResponse{0});
  exchange(ChangePasswordRequest{"old", "new"}, ChangePasswordResponse{ChangePasswordResponse::kWrongOldPassword});
}

TEST(MessagesRoundTrip, ZeroLengthAndNullInputReadAsEmpty) {
  EXPECT_TRUE(UserInfoResponse::read(nullptr, 0) == UserInfoResponse{});
  EXPECT_TRUE(GroupInfoResponse::read(nullptr, 0) == GroupInfoResponse{});
  EXPECT_TRUE(SendMessageRequest::read(nullptr, 0) == (SendMessageRequest{0, 0, ""}));
  EXPECT_TRUE(NoticePollResponse::read(nullptr, 0).notices.empty());
}

}  // namespace
}  // namespace kiv
