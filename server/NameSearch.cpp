#include "server/NameSearch.h"

#include <cctype>

namespace kiv::server {

namespace {

unsigned char foldAscii(unsigned char c) {
  return c < 0x80 ? static_cast<unsigned char>(std::tolower(c)) : c;
}

bool matchesAt(std::string_view haystack, std::size_t at, std::string_view needle) {
  if (haystack.size() - at < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (foldAscii(static_cast<unsigned char>(haystack[at + i])) != foldAscii(static_cast<unsigned char>(needle[i])))
      return false;
  }
  return true;
}

}  // namespace

bool containsGbk(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  std::size_t at = 0;
  while (at < haystack.size()) {
    if (matchesAt(haystack, at, needle)) return true;
    // Step over a whole character so that a match never starts on the second
    // byte of a two-byte character.
    const unsigned char lead = static_cast<unsigned char>(haystack[at]);
    at += (lead >= 0x81 && lead <= 0xFE && at + 1 < haystack.size()) ? 2 : 1;
  }
  return false;
}

std::vector<NamedId> NameSearch::searchNames(const char* sql, std::string_view text, std::size_t offset, std::size_t limit) {
  std::vector<NamedId> out;
  std::size_t skipped = 0;
  auto row = db_.prepare(sql);
  while (out.size() < limit && row.step()) {
    std::string name = row.bytes(1);
    if (!containsGbk(name, text)) continue;
    if (skipped < offset) {
      ++skipped;
      continue;
    }
    out.push_back({static_cast<std::uint32_t>(row.integer(0)), std::move(name)});
  }
  return out;
}

std::vector<NamedId> NameSearch::searchUsers(std::string_view text, std::size_t offset, std::size_t limit) {
  return searchNames("SELECT user_id, nickname FROM users WHERE cancelled = 0 ORDER BY user_id", text, offset, limit);
}

std::vector<NamedId> NameSearch::searchGroups(std::string_view text, std::size_t offset, std::size_t limit) {
  return searchNames("SELECT group_id, name FROM chat_groups WHERE dismissed = 0 ORDER BY group_id", text, offset,
                     limit);
}

}  // namespace kiv::server
