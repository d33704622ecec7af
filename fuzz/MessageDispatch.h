#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/Messages.h"
#include "net/Packet.h"

// Shared by the message fuzz targets: picks the message type by the low byte
// of the command (offset 7), so that every reader is reached from any seed,
// reads the input, and checks that what was read builds a sound packet that
// reads back to the same thing.
namespace kiv::fuzz {

inline void check(bool ok) {
  if (!ok) std::abort();
}

template <class M>
void exercise(const std::uint8_t* data, std::size_t size) {
  const M first = M::read(data, size);
  const HeaderKey key{{1, 2}, 3, 4};
  const auto packet = first.build(key);
  check(packet.size() >= kHeaderSize && packet.size() <= kMaxPacketSize);
  check(getU32(packet.data(), kLengthOffset) == packet.size());
  check(commandOf(packet.data()) == M::kCommand);
  // Reading normalises (texts cut to their field, counts to what fits);
  // after that a message must survive build and read unchanged.
  const M second = M::read(packet.data(), packet.size());
  check(second.build(key) == packet);
}

template <class Request, class Response>
void exerciseExchange(bool requests, const std::uint8_t* data, std::size_t size) {
  if (requests) {
    exercise<Request>(data, size);
  } else {
    exercise<Response>(data, size);
  }
}

// Returns false for a code without messages (0, 13, above 25).
inline bool readMessage(bool requests, unsigned code, const std::uint8_t* data, std::size_t size) {
  switch (code) {
    case 1:
      exerciseExchange<LoginRequest, LoginResponse>(requests, data, size);
      break;
    case 2:
      exerciseExchange<SmsPasswordRequest, SmsPasswordResponse>(requests, data, size);
      break;
    case 3:
      exerciseExchange<UserInfoRequest, UserInfoResponse>(requests, data, size);
      break;
    case 4:
      exerciseExchange<UpdateUserInfoRequest, UpdateUserInfoResponse>(requests, data, size);
      break;
    case 5:
      exerciseExchange<SearchRequest, SearchResponse>(requests, data, size);
      break;
    case 6:
      exerciseExchange<SendMessageRequest, SendMessageResponse>(requests, data, size);
      break;
    case 7:
      exerciseExchange<NoticePollRequest, NoticePollResponse>(requests, data, size);
      break;
    case 8:
      exerciseExchange<FetchMessagesRequest, FetchMessagesResponse>(requests, data, size);
      break;
    case 9:
      exerciseExchange<GroupInfoRequest, GroupInfoResponse>(requests, data, size);
      break;
    case 10:
      exerciseExchange<UpdateGroupInfoRequest, UpdateGroupInfoResponse>(requests, data, size);
      break;
    case 11:
      exerciseExchange<InviteToGroupRequest, InviteToGroupResponse>(requests, data, size);
      break;
    case 12:
      exerciseExchange<RemoveGroupMemberRequest, RemoveGroupMemberResponse>(requests, data, size);
      break;
    case 14:
      exerciseExchange<QuitGroupRequest, QuitGroupResponse>(requests, data, size);
      break;
    case 15:
      exerciseExchange<FriendListRequest, FriendListResponse>(requests, data, size);
      break;
    case 16:
      exerciseExchange<LogoutRequest, LogoutResponse>(requests, data, size);
      break;
    case 17:
      exerciseExchange<GroupMembersRequest, GroupMembersResponse>(requests, data, size);
      break;
    case 18:
      exerciseExchange<DismissGroupRequest, DismissGroupResponse>(requests, data, size);
      break;
    case 19:
      exerciseExchange<GroupListRequest, GroupListResponse>(requests, data, size);
      break;
    case 20:
      exerciseExchange<CreateGroupRequest, CreateGroupResponse>(requests, data, size);
      break;
    case 21:
      exerciseExchange<JoinGroupRequest, JoinGroupResponse>(requests, data, size);
      break;
    case 22:
      exerciseExchange<AddFriendRequest, AddFriendResponse>(requests, data, size);
      break;
    case 23:
      exerciseExchange<DeleteFriendRequest, DeleteFriendResponse>(requests, data, size);
      break;
    case 24:
      exerciseExchange<ShieldGroupRequest, ShieldGroupResponse>(requests, data, size);
      break;
    case 25:
      exerciseExchange<ChangePasswordRequest, ChangePasswordResponse>(requests, data, size);
      break;
    default:
      return false;
  }
  return true;
}

// The input's own command picks the reader; a packet too short to have one
// is tried with every reader.
inline void readAny(bool requests, const std::uint8_t* data, std::size_t size) {
  if (size >= 8) {
    readMessage(requests, data[7] % 32, data, size);
  } else {
    for (unsigned code = 1; code <= 25; ++code) readMessage(requests, code, data, size);
  }
}

}  // namespace kiv::fuzz
