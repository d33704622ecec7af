#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/GroupRecord.h"
#include "net/Packet.h"

namespace kiv {

// Asks for the groups the user belongs to; a header with no body, written
// straight to the socket.
struct GroupListRequest {
  static constexpr std::uint32_t kCommand = 19;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupListRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupListRequest&) const = default;
};

// The group list: a 16-bit count at 25 and the records from 27.
struct GroupListResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 19;

  std::vector<GroupRecord> groups{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupListResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupListResponse&) const = default;
};

}  // namespace kiv
