#pragma once

#include <string>
#include <string_view>

namespace kiv::server {

// `text` without the control bytes a user has no business sending: every
// byte below 0x20 but CR, LF and TAB, and DEL. Among them is 0x07, which
// makes a message record an action (an invitation, a join request) that
// only the server may write. Safe on GBK: the second byte of a two-byte
// character is never below 0x40.
inline std::string withoutControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 0x20 && b != 0x7F) || b == '\r' || b == '\n' || b == '\t') out.push_back(c);
  }
  return out;
}

}  // namespace kiv::server
