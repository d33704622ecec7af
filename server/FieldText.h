#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Gbk.h"

namespace kiv::server {

// A stored text as a bounded field of `width` bytes carries it: at most
// width - 1 bytes, never half a character, so the terminator always fits.
inline std::string boundedText(std::string_view gbk, std::size_t width) {
  return std::string(gbk::cut(gbk, width - 1));
}

// For log lines: GBK text a client sent, as UTF-8, at most `maxBytes` of it
// (an invalid byte becomes three in UTF-8, so a long field would swell the log).
inline std::string logText(std::string_view gbk, std::size_t maxBytes = 48) {
  if (gbk.size() <= maxBytes) return gbk::toUtf8(gbk);
  return gbk::toUtf8(gbk::cut(gbk, maxBytes)) + "...";
}

}  // namespace kiv::server
