#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Shields a group's messages (1) or receives them again (0).
struct ShieldGroupRequest {
  static constexpr std::uint32_t kCommand = 24;

  std::uint32_t groupId = 0;
  std::uint8_t shield = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static ShieldGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const ShieldGroupRequest&) const = default;
};

// The client does not interpret this answer; a server sends a result byte.
struct ShieldGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 24;

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static ShieldGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const ShieldGroupResponse&) const = default;
};

}  // namespace kiv
