#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/MemberRecord.h"
#include "net/Packet.h"

namespace kiv {

// Asks for the members of one group.
struct GroupMembersRequest {
  static constexpr std::uint32_t kCommand = 17;

  std::uint32_t groupId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupMembersRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupMembersRequest&) const = default;
};

// The members: a 16-bit count at 25 and the records from 27 (at most 390 fit).
// The group is the one named in the stored request.
struct GroupMembersResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 17;

  std::vector<MemberRecord> members{};

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static GroupMembersResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const GroupMembersResponse&) const = default;
};

}  // namespace kiv
