#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Leaves a group.
struct QuitGroupRequest {
  static constexpr std::uint32_t kCommand = 14;

  std::uint32_t groupId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static QuitGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const QuitGroupRequest&) const = default;
};

// The client does not interpret this answer; a server sends a result byte.
struct QuitGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 14;

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static QuitGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const QuitGroupResponse&) const = default;
};

}  // namespace kiv
