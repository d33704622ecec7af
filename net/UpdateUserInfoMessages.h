#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Saves the own profile. Texts go by clipped copy: a field filled exactly has
// no terminator.
struct UpdateUserInfoRequest {
  static constexpr std::uint32_t kCommand = 4;

  std::uint32_t userId = 0;    // the own UserId
  std::string nickname{};      // 16 bytes
  std::string sex{};           // 4 bytes: "男", "女" or "保密"
  std::string introduction{};  // 50 bytes
  std::string birthday{};      // 8 ASCII digits YYYYMMDD

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UpdateUserInfoRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UpdateUserInfoRequest&) const = default;
};

struct UpdateUserInfoResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 4;

  std::uint8_t status = 0;  // 0 saved, other failed

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UpdateUserInfoResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UpdateUserInfoResponse&) const = default;
};

}  // namespace kiv
