#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Invites a user into a group the user created, or admits a user who asked
// to join.
struct InviteToGroupRequest {
  static constexpr std::uint32_t kCommand = 11;

  std::uint32_t groupId = 0;
  std::uint32_t userId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static InviteToGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const InviteToGroupRequest&) const = default;
};

struct InviteToGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 11;
  enum Result : std::uint8_t {
    kInvited = 0,  // waiting for the user to agree
    kGroupFull = 1,
    kNoSuchGroup = 2,
    kNoSuchUser = 3,
    kAlreadyMember = 4,
    kInThreeGroups = 5,
    kUserCancelled = 6,
    kSystemError = 7,
  };  // other values: network failure

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static InviteToGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const InviteToGroupResponse&) const = default;
};

}  // namespace kiv
