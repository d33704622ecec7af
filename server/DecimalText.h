#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kiv::server {

// True for a non-empty text of ASCII digits only.
inline bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// A UserId or GroupId written in decimal digits only; nullopt for anything
// else, and for values that do not fit 32 bits.
inline std::optional<std::uint32_t> decimalId(std::string_view text) {
  if (!allDigits(text) || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace kiv::server
