#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/FriendRecord.h"
#include "net/Packet.h"

namespace kiv {

// One page of a search for users or groups.
struct SearchRequest {
  static constexpr std::uint32_t kCommand = 5;
  enum Kind : std::uint8_t { kUserById = 1, kUserByNickname = 2, kGroupById = 3, kGroupByName = 4 };
  // The page travels in one byte; a later page is never asked for.
  static constexpr int kMaxPage = 255;

  std::uint8_t kind = kUserById;
  std::string text{};     // 16 bytes, clipped copy
  std::uint8_t page = 0;  // 0 for the first

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static SearchRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SearchRequest&) const = default;
};

// The hits of one page (a full page holds 10): a 16-bit count at 26 and the
// 21-byte hits from 28. The terminal of a hit means something for user
// searches only.
struct SearchResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 5;
  static constexpr std::size_t kPageSize = 10;

  std::vector<SearchHit> hits{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static SearchResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const SearchResponse&) const = default;
};

}  // namespace kiv
