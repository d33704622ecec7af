#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a history search compares and how a match is marked. Queries and texts
// are UTF-8 here; the stored GBK history is converted before it gets here.
// Matching is substring matching that ignores the case of the Latin letters
// A-Z only, so byte offsets in the folded and the original text coincide.
namespace kiv::searchtext {

// One marked stretch of a text: byte offset and byte length, always on
// character boundaries of valid UTF-8.
struct Mark {
  std::size_t offset = 0;
  std::size_t length = 0;
  bool operator==(const Mark&) const = default;
};

// Longest query taken, in bytes. No stored message comes near it, so a
// longer query cannot match and is answered with nothing at once.
constexpr std::size_t kMaxQueryBytes = 2048;

// The query as it will be searched: surrounding blanks (ASCII and the
// ideographic space) removed. nullopt when nothing can match it: empty,
// longer than kMaxQueryBytes, not valid UTF-8, or holding a control
// character (a NUL among them), which no search box produces.
std::optional<std::string> normalizeQuery(std::string_view utf8);

// Number of characters of valid UTF-8.
std::size_t characterCount(std::string_view utf8);

// The query as one quoted phrase of the full-text query language, so that
// quotes, operators (AND, OR, NOT, NEAR), stars, carets and column filters in
// it are searched as text and never interpreted.
std::string ftsPhrase(std::string_view query);

// Every non-overlapping occurrence of `query` (normalized) in `text`, left
// to right. Empty when there is none.
std::vector<Mark> findMarks(std::string_view text, std::string_view query);

}  // namespace kiv::searchtext
