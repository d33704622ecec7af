#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Dismisses a group the user created.
struct DismissGroupRequest {
  static constexpr std::uint32_t kCommand = 18;

  std::uint32_t groupId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static DismissGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const DismissGroupRequest&) const = default;
};

// Result 0 dismissed; any other value failed.
struct DismissGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 18;

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static DismissGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const DismissGroupResponse&) const = default;
};

}  // namespace kiv
