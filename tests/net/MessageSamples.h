#pragma once

#include <string>
#include <vector>

#include "net/ConversationKind.h"
#include "net/Messages.h"

namespace kiv::test {

// One request and one answer of every exchange, with every field set to
// something other than its default. Shared by the round-trip test and the
// generator of the fuzz seeds.
template <class Visitor>
void forEachExchange(Visitor&& visit) {
  visit(LoginRequest{"13800000000", "secret", 5}, LoginResponse{LoginResponse::kWrongPassword});
  visit(SmsPasswordRequest{"13800000000"}, SmsPasswordResponse{SmsPasswordResponse::kMalformedNumber});
  visit(UserInfoRequest{1000}, UserInfoResponse{0, 1000, "kefu", "M", "intro", 12345, "Shenzhen", "19800101"});
  visit(UpdateUserInfoRequest{1000, "nick", "F", "about me", "20011231"}, UpdateUserInfoResponse{1});
  visit(SearchRequest{SearchRequest::kGroupByName, "chess", 255},
        SearchResponse{{{1, "a", 3}, {2, "b", 0}, {3, "", 1}}});
  visit(SendMessageRequest{ConversationKind::kGroup, 555, std::string("hi\0there", 8)},
        SendMessageResponse{0, "261231235959"});
  visit(NoticePollRequest{}, NoticePollResponse{0, {{ConversationKind::kGroup, 555, "club", {1, 2}}, {ConversationKind::kPrivate, 1000, "kefu", {}}}});
  visit(FetchMessagesRequest{ConversationKind::kPrivate, 1000},
        FetchMessagesResponse{{{"hello", "261207031705", {9, 8, 7, 6}}, {"\x07\x02[123]come", "261207031706", {}}}});
  visit(GroupInfoRequest{555}, GroupInfoResponse{0, "club", "sport", "we play", 42, 2, "261207031705"});
  visit(UpdateGroupInfoRequest{555, "club", "sport", "we play", 2}, UpdateGroupInfoResponse{0});
  visit(InviteToGroupRequest{555, 1000}, InviteToGroupResponse{InviteToGroupResponse::kInThreeGroups});
  visit(RemoveGroupMemberRequest{555, 1000}, RemoveGroupMemberResponse{0});
  visit(QuitGroupRequest{555}, QuitGroupResponse{0});
  visit(FriendListRequest{}, FriendListResponse{{{1000, "kefu", 3}, {1001, "", 0}}});
  visit(LogoutRequest{}, LogoutResponse{});
  visit(GroupMembersRequest{555}, GroupMembersResponse{{{1000, "kefu", 3, 1, 0x5A}, {1001, "x", 2, 0, 0}}});
  visit(DismissGroupRequest{555}, DismissGroupResponse{1});
  visit(GroupListRequest{}, GroupListResponse{{{555, "club", 1, 0}, {556, "chess", 0, 1}}});
  visit(CreateGroupRequest{}, CreateGroupResponse{0, 12345});
  visit(JoinGroupRequest{555}, JoinGroupResponse{JoinGroupResponse::kGroupFull});
  visit(AddFriendRequest{1000}, AddFriendResponse{AddFriendResponse::kAlreadyFriend});
  visit(DeleteFriendRequest{1000}, DeleteFriendResponse{0});
  visit(ShieldGroupRequest{555, 1}, ShieldGroupResponse{0});
  visit(ChangePasswordRequest{"old", "new"}, ChangePasswordResponse{ChangePasswordResponse::kWrongOldPassword});
}

}  // namespace kiv::test
