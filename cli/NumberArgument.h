#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kiv::cli {

// A number given on the command line: decimal digits only (no sign, no
// spaces, nothing after them) and at most `max`; nullopt for anything else,
// so "-1", " 7", "12abc" and an overflowing id are usage errors instead of
// some other account's number.
inline std::optional<std::uint32_t> parseDecimal(const std::string& text, std::uint32_t max = 0xFFFFFFFFu) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace kiv::cli
