#include "storage/HistoryRowKeys.h"

namespace kiv::historykeys {

std::int64_t timeKey(std::string_view rtime) {
  static constexpr int kDigitAt[12] = {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16};
  if (rtime.size() < 17) return 0;
  std::int64_t key = 0;
  for (const int at : kDigitAt) {
    const char c = rtime[static_cast<std::size_t>(at)];
    if (c < '0' || c > '9') return 0;
    key = key * 10 + (c - '0');
  }
  return key;
}

std::uint64_t fingerprint(std::int64_t id, std::string_view rtime, std::string_view msg) {
  std::uint64_t hash = 1469598103934665603ULL;
  const auto mix = [&](std::string_view bytes) {
    for (const char c : bytes) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ULL;
    }
    hash ^= 0xFF;
    hash *= 1099511628211ULL;
  };
  mix(std::to_string(id));
  mix(rtime);
  mix(msg);
  return hash;
}

std::string readOnlyUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
                       c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    }
  }
  return uri + "?mode=ro";
}

}  // namespace kiv::historykeys
