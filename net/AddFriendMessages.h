#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

struct AddFriendRequest {
  static constexpr std::uint32_t kCommand = 22;

  std::uint32_t userId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static AddFriendRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const AddFriendRequest&) const = default;
};

struct AddFriendResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 22;
  enum Result : std::uint8_t { kAdded = 0, kNoSuchUser = 1, kAlreadyFriend = 2, kRefused = 3 };

  std::uint8_t result = kAdded;  // other values: network failure

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static AddFriendResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const AddFriendResponse&) const = default;
};

}  // namespace kiv
