#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Asks for a group's profile.
struct GroupInfoRequest {
  static constexpr std::uint32_t kCommand = 9;

  std::uint32_t groupId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupInfoRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupInfoRequest&) const = default;
};

// 129 bytes. Texts are GBK.
struct GroupInfoResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 9;
  static constexpr std::size_t kLength = 129;
  static constexpr std::uint8_t kBroadcast = 2;

  std::uint8_t status = 0;     // 0 found; other: nothing is shown
  std::string name{};          // 16 bytes, bounded
  std::string category{};      // 20 bytes, bounded
  std::string introduction{};  // 50 bytes, bounded
  std::int32_t memberCount = 0;
  std::uint8_t type = 0;  // 2 broadcast (only the owner speaks), other: interactive
  std::string created{};  // 12 ASCII digits YYMMDDhhmmss

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupInfoResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupInfoResponse&) const = default;
};

}  // namespace kiv
