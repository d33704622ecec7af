#pragma once

#include <cstddef>
#include <cstdint>

#include "net/ChangePasswordMessages.h"
#include "net/FieldWidths.h"

// The policies of this server that clients only see through result codes.
// server/README.md explains each of them.
namespace kiv::server {

inline constexpr std::uint32_t kServiceUserId = 1000;  // "木棉客服", in every database
inline constexpr char kServicePhone[] = "10000000000";
inline constexpr std::uint32_t kFirstUserId = 10001;   // add-user numbers upwards from here
inline constexpr std::uint32_t kFirstGroupId = 20001;  // groups likewise; ids are never reused

inline constexpr std::size_t kMaxFriends = 200;      // what the client keeps
inline constexpr std::size_t kMaxGroupsPerUser = 5;  // created and joined together
inline constexpr std::size_t kMaxOwnedGroups = 2;
inline constexpr std::size_t kMaxGroupMembers = 200;
inline constexpr std::size_t kFetchBatch = 57;         // message records per FetchMessagesResponse
inline constexpr std::size_t kMaxNotices = 255;        // the notice count is one byte
inline constexpr std::size_t kMaxPasswordLength = ChangePasswordRequest::kSentBytes;  // what a change can send
inline constexpr std::size_t kMaxPhoneLength = 11;
inline constexpr std::size_t kMaxNicknameLength = fields::kNickname - 1;  // the field keeps its terminator
// A message record holds 140 text bytes with a terminator: longer messages are
// queued as several records with the same time, which the client joins.
inline constexpr std::size_t kRecordTextBytes = fields::kRecordText - 1;
inline constexpr std::size_t kMaxAvatarBytes = 256 * 1024;

inline constexpr std::uint8_t kDesktopTerminal = 3;  // signed in with this desktop client
inline constexpr std::uint8_t kSmsTerminal = 0;      // not signed in
inline constexpr std::uint8_t kClientVersion = 5;

}  // namespace kiv::server
