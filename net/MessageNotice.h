#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/ConversationKind.h"
#include "net/FieldWidths.h"

namespace kiv {

// One conversation with waiting messages, as listed by the notice poll; 23 bytes.
struct MessageNotice {
  static constexpr std::size_t kSize = 23;
  static constexpr std::size_t kNameWidth = fields::kNickname;

  ConversationKind kind{};              // group, any other value private
  std::uint32_t id = 0;                 // GroupId, or the sender's UserId
  std::string name{};                   // group name or sender nickname, GBK
  std::array<std::uint8_t, 2> extra{};  // the server's last two bytes, kept as they came

  bool isGroup() const { return kind == ConversationKind::kGroup; }

  static MessageNotice read(const std::uint8_t* bytes);
  // Overwrites all kSize bytes; a full-width name stays unterminated.
  void write(std::uint8_t* bytes) const;
  bool operator==(const MessageNotice&) const = default;
};

}  // namespace kiv
