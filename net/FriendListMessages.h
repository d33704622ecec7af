#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/FriendRecord.h"
#include "net/Packet.h"

namespace kiv {

// Asks for the friend list; a header with no body.
struct FriendListRequest {
  static constexpr std::uint32_t kCommand = 15;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static FriendListRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const FriendListRequest&) const = default;
};

// The friend list: a 16-bit count at 25 and the records from 27. A builder
// sends no more records than one packet holds.
struct FriendListResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 15;

  std::vector<FriendRecord> friends{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static FriendListResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const FriendListResponse&) const = default;
};

}  // namespace kiv
