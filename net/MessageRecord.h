#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/FieldWidths.h"

namespace kiv {

// One waiting chat message of a FetchMessagesResponse, 156 bytes.
struct MessageRecord {
  static constexpr std::size_t kSize = 156;
  static constexpr std::size_t kTextWidth = fields::kRecordText;
  static constexpr std::size_t kTimeWidth = fields::kRecordTime;

  std::string text{};                   // GBK; may start with an action marker (0x07 0x01 or 0x07 0x02)
  std::string time{};                   // 12 ASCII digits YYMMDDhhmmss
  std::array<std::uint8_t, 4> extra{};  // the server's last four bytes, kept as they came

  static MessageRecord read(const std::uint8_t* bytes);
  // Overwrites all kSize bytes; a full-width text stays unterminated.
  void write(std::uint8_t* bytes) const;
  bool operator==(const MessageRecord&) const = default;
};

}  // namespace kiv
