#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Asks the group's owner to let the user in.
struct JoinGroupRequest {
  static constexpr std::uint32_t kCommand = 21;

  std::uint32_t groupId = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static JoinGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const JoinGroupRequest&) const = default;
};

struct JoinGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 21;
  enum Result : std::uint8_t {
    kPassedToOwner = 0,
    kAlreadyMember = 1,
    kDismissed = 2,
    kNoSuchGroup = 3,
    kInFiveGroups = 4,
    kGroupFull = 5,
  };  // other values: system busy

  std::uint8_t result = 0;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static JoinGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const JoinGroupResponse&) const = default;
};

}  // namespace kiv
