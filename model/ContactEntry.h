#pragma once

#include <cstdint>
#include <string>

namespace kiv {

// One person as a list row (friend or stranger) or a group member. Texts are
// GBK.
struct ContactEntry {
  static constexpr std::size_t kNicknameMax = 15;  // a 16-byte field with its NUL

  std::int32_t userId = 0;
  std::string nickname;       // at most kNicknameMax bytes
  std::int32_t terminal = 0;  // see TerminalType.h; 0 for strangers
  bool owner = false;         // members: the member owns the group
  std::int32_t extra = 0;     // members: the server's last record byte, kept
  std::int32_t row = -1;      // lists: the row showing the entry

  // Whether a view must redraw the entry: only the nickname and the terminal
  // are shown.
  bool looksLike(const ContactEntry& other) const { return nickname == other.nickname && terminal == other.terminal; }
};

}  // namespace kiv
