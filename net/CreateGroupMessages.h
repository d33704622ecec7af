#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Creates a group owned by the user; a header with no body.
struct CreateGroupRequest {
  static constexpr std::uint32_t kCommand = 20;

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static CreateGroupRequest read(const std::uint8_t* data, std::size_t size);
  bool operator==(const CreateGroupRequest&) const = default;
};

struct CreateGroupResponse {
  static constexpr std::uint32_t kCommand = 0x80000000u + 20;
  static constexpr std::size_t kLength = 29;
  enum Result : std::uint8_t { kCreated = 0, kAlreadyCreatedTwo = 1, kInFiveGroups = 2 };  // other: failure

  std::uint8_t result = kCreated;
  std::uint32_t groupId = 0;  // the new group, on result 0

  std::vector<std::uint8_t> build(const HeaderKey& key) const;
  static CreateGroupResponse read(const std::uint8_t* data, std::size_t size);
  bool operator==(const CreateGroupResponse&) const = default;
};

}  // namespace kiv
