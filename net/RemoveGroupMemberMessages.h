#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Removes a member from a group the user created.
struct RemoveGroupMemberRequest {
  static constexpr std::uint32_t kCommand = 12;

  std::uint32_t groupId = 0;
  std::uint32_t userId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static RemoveGroupMemberRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const RemoveGroupMemberRequest&) const = default;
};

// The client does not interpret this answer; a server sends a result byte.
struct RemoveGroupMemberResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 12;

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static RemoveGroupMemberResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const RemoveGroupMemberResponse&) const = default;
};

}  // namespace kiv
