#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Saves a group's profile. Texts go by clipped copy.
struct UpdateGroupInfoRequest {
  static constexpr std::uint32_t kCommand = 10;

  std::uint32_t groupId = 0;
  std::string name{};          // 16 bytes
  std::string category{};      // 20 bytes
  std::string introduction{};  // 50 bytes
  std::uint8_t type = 1;       // 2 broadcast, 1 ordinary

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UpdateGroupInfoRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UpdateGroupInfoRequest&) const = default;
};

struct UpdateGroupInfoResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 10;

  std::uint8_t status = 0;  // 0 saved, other failed

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UpdateGroupInfoResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UpdateGroupInfoResponse&) const = default;
};

}  // namespace kiv
