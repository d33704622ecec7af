#include "storage/SearchText.h"

namespace kiv::searchtext {
namespace {

char fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = fold(c);
  return out;
}

// Length of the UTF-8 sequence starting at `at`, 0 when it is not a valid,
// shortest-form encoding of a scalar value.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned int value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (overlong || surrogate || value > 0x10FFFF) return 0;
  return length;
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = sequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

}  // namespace

std::optional<std::string> normalizeQuery(std::string_view utf8) {
  if (utf8.size() > kMaxQueryBytes || !isValidUtf8(utf8)) return std::nullopt;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
  }
  for (bool trimmed = true; trimmed && !utf8.empty();) {
    trimmed = false;
    if (utf8.front() == ' ') {
      utf8.remove_prefix(1);
      trimmed = true;
    } else if (utf8.starts_with(kIdeographicSpace)) {
      utf8.remove_prefix(kIdeographicSpace.size());
      trimmed = true;
    }
    if (utf8.ends_with(' ')) {
      utf8.remove_suffix(1);
      trimmed = true;
    } else if (utf8.ends_with(kIdeographicSpace)) {
      utf8.remove_suffix(kIdeographicSpace.size());
      trimmed = true;
    }
  }
  if (utf8.empty()) return std::nullopt;
  return std::string(utf8);
}

std::size_t characterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string ftsPhrase(std::string_view query) {
  std::string phrase = "\"";
  for (const char c : query) {
    phrase += c;
    if (c == '"') phrase += '"';
  }
  phrase += '"';
  return phrase;
}

std::vector<Mark> findMarks(std::string_view text, std::string_view query) {
  std::vector<Mark> marks;
  if (query.empty()) return marks;
  const std::string haystack = folded(text);
  const std::string needle = folded(query);
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size())) {
    marks.push_back(Mark{at, needle.size()});
  }
  return marks;
}

}  // namespace kiv::searchtext
