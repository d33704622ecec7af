#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/FieldWidths.h"

namespace kiv {

// One group of the group list, 22 bytes.
struct GroupRecord {
  static constexpr std::size_t kSize = 22;
  static constexpr std::size_t kNameWidth = fields::kGroupName;

  std::uint32_t groupId = 0;  // 0 marks an empty record
  std::string name{};         // GBK
  std::uint8_t owner = 0;     // 1 when the signed-in user created the group
  std::uint8_t shielded = 0;  // 1 when the user has shielded its messages

  static GroupRecord read(const std::uint8_t* bytes);
  // Overwrites all kSize bytes; a name that fills its field stays unterminated
  // so that a slot round-trips byte for byte.
  void write(std::uint8_t* bytes) const;
  bool operator==(const GroupRecord&) const = default;
};

}  // namespace kiv
