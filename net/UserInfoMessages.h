#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Asks for a user's profile (also the own profile right after every login).
struct UserInfoRequest {
  static constexpr std::uint32_t kCommand = 3;

  std::uint32_t userId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UserInfoRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UserInfoRequest&) const = default;
};

// 122 bytes. Texts are GBK; the birthday is 8 ASCII digits YYYYMMDD or empty.
struct UserInfoResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 3;
  static constexpr std::size_t kLength = 122;

  std::uint8_t status = 0;  // 0 found, other: no profile
  std::uint32_t userId = 0;
  std::string nickname{};      // 16 bytes, bounded
  std::string sex{};           // 4 bytes: "男", "女" or "保密" (which fills all four)
  std::string introduction{};  // 50 bytes, bounded
  std::int32_t points = 0;
  std::string city{};      // 10 bytes, bounded
  std::string birthday{};  // 8 bytes, no terminator when given

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static UserInfoResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const UserInfoResponse&) const = default;
};

}  // namespace kiv
