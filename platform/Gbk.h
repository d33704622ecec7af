#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// GBK (code page 936) is the encoding of every text on the wire, in records
// and in the SQLite files. Text becomes UTF-8 or UTF-16 only at the edges
// (widgets, the terminal), always through these functions.
namespace kiv::gbk {

// GBK bytes to UTF-8. Every byte sequence that is not valid GBK becomes one
// U+FFFD per offending byte; the conversion never fails.
std::string toUtf8(std::string_view gbk);

// GBK bytes to UTF-16, with the same replacement rule as toUtf8.
std::u16string toUtf16(std::string_view gbk);

// UTF-8 to GBK. Characters GBK cannot hold, and invalid UTF-8, become '?'.
std::string fromUtf8(std::string_view utf8);

// The length of the longest prefix of `gbk` that has at most `maxBytes` bytes
// and does not end in the middle of a two-byte character.
std::size_t fitLength(std::string_view gbk, std::size_t maxBytes);

// The prefix that fitLength measures.
inline std::string_view cut(std::string_view gbk, std::size_t maxBytes) {
  return gbk.substr(0, fitLength(gbk, maxBytes));
}

}  // namespace kiv::gbk
