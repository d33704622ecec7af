#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

struct DeleteFriendRequest {
  static constexpr std::uint32_t kCommand = 23;

  std::uint32_t userId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static DeleteFriendRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const DeleteFriendRequest&) const = default;
};

// The client does not interpret this answer; a server sends a result byte.
struct DeleteFriendResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 23;

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static DeleteFriendResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const DeleteFriendResponse&) const = default;
};

}  // namespace kiv
