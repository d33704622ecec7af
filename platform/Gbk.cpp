#include "platform/Gbk.h"

#include <iconv.h>
#include <cerrno>
#include <cstring>

namespace kiv::gbk {
namespace {

// iconv descriptors are not thread-safe; one per direction per thread.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool isLead(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
bool isTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one GBK character at `p` (at most `left` bytes). Returns the number
// of bytes consumed (at least 1) and the code point, U+FFFD when invalid.
std::size_t decodeOne(iconv_t cd, const unsigned char* p, std::size_t left, char32_t& cp) {
  if (p[0] < 0x80) {
    cp = p[0];
    return 1;
  }
  if (!isLead(p[0]) || left < 2 || !isTrail(p[1])) {
    cp = kReplacement;
    return 1;
  }
  char in[2] = {static_cast<char>(p[0]), static_cast<char>(p[1])};
  char32_t outBuf[2] = {0, 0};
  char* inPtr = in;
  std::size_t inLeft = 2;
  char* outPtr = reinterpret_cast<char*>(outBuf);
  std::size_t outLeft = sizeof outBuf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (r == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != sizeof outBuf - sizeof(char32_t)) {
    cp = kReplacement;
    return 1;
  }
  cp = outBuf[0];
  return 2;
}

template <typename Sink>
void decode(std::string_view gbk, Sink&& sink) {
  thread_local Converter cd("UTF-32LE", "GBK");
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  std::size_t left = gbk.size();
  while (left > 0) {
    char32_t cp;
    const std::size_t used = decodeOne(cd.get(), p, left, cp);
    sink(cp);
    p += used;
    left -= used;
  }
}

// Reads one UTF-8 code point; invalid input yields U+FFFD and consumes 1 byte.
std::size_t readUtf8(const unsigned char* p, std::size_t left, char32_t& cp) {
  const unsigned char c = p[0];
  std::size_t n;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    cp = c & 0x07;
  } else {
    cp = kReplacement;
    return 1;
  }
  if (left < n) {
    cp = kReplacement;
    return 1;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      cp = kReplacement;
      return 1;
    }
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  return n;
}

}  // namespace

std::string toUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  decode(gbk, [&](char32_t cp) { appendUtf8(out, cp); });
  return out;
}

std::u16string toUtf16(std::string_view gbk) {
  std::u16string out;
  out.reserve(gbk.size());
  decode(gbk, [&](char32_t cp) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  });
  return out;
}

std::string fromUtf8(std::string_view utf8) {
  thread_local Converter cd("GBK", "UTF-32LE");
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t left = utf8.size();
  while (left > 0) {
    char32_t cp;
    const std::size_t used = readUtf8(p, left, cp);
    p += used;
    left -= used;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    char in[4];
    std::memcpy(in, &cp, 4);
    char outBuf[8];
    char* inPtr = in;
    std::size_t inLeft = 4;
    char* outPtr = outBuf;
    std::size_t outLeft = sizeof outBuf;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    if (cp == kReplacement || r == static_cast<std::size_t>(-1) || inLeft != 0)
      out += '?';
    else
      out.append(outBuf, sizeof outBuf - outLeft);
  }
  return out;
}

std::size_t fitLength(std::string_view gbk, std::size_t maxBytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  std::size_t i = 0;
  while (i < n) {
    const std::size_t width = (isLead(p[i]) && i + 1 < n && isTrail(p[i + 1])) ? 2 : 1;
    if (i + width > maxBytes) break;
    i += width;
  }
  return i;
}

}  // namespace kiv::gbk
