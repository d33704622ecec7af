#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/FieldWidths.h"

namespace kiv {

// One friend of the friend list, 21 bytes. Also the layout of a search hit.
struct FriendRecord {
  static constexpr std::size_t kSize = 21;
  static constexpr std::size_t kNicknameWidth = fields::kNickname;

  std::uint32_t userId = 0;   // 0 marks an empty record
  std::string nickname{};     // GBK; empty shows as "匿名"
  std::uint8_t terminal = 0;  // TerminalType: 0 SMS, 1 WAP, 2 mobile client, 3 desktop client

  static FriendRecord read(const std::uint8_t* bytes);
  // Overwrites all kSize bytes. A name shorter than the field is terminated;
  // one that fills it (read from an unterminated field) is kept whole, so a
  // record read from a slot writes back the same bytes.
  void write(std::uint8_t* bytes) const;
  bool operator==(const FriendRecord&) const = default;
};

// A search hit is a friend record: id, name, terminal.
using SearchHit = FriendRecord;

}  // namespace kiv
