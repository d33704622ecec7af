#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/FieldWidths.h"

namespace kiv {

// One member of a group's member list, 23 bytes.
struct MemberRecord {
  static constexpr std::size_t kSize = 23;
  static constexpr std::size_t kNicknameWidth = fields::kNickname;

  std::uint32_t userId = 0;
  std::string nickname{};     // GBK
  std::uint8_t terminal = 0;  // TerminalType
  std::uint8_t owner = 0;     // 1 for the group's owner
  std::uint8_t extra = 0;     // the server's last byte, kept as it came

  static MemberRecord read(const std::uint8_t* bytes);
  // Overwrites all kSize bytes; a full-width nickname stays unterminated.
  void write(std::uint8_t* bytes) const;
  bool operator==(const MemberRecord&) const = default;
};

}  // namespace kiv
