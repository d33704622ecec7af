#include "net/MessageRecord.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

namespace {
constexpr std::size_t kTime = 140, kExtra = 152;
}

MessageRecord MessageRecord::read(const std::uint8_t* b) {
  MessageRecord r;
  r.text = getText(b, 0, kTextWidth);
  r.time = getText(b, kTime, kTimeWidth);
  std::memcpy(r.extra.data(), b + kExtra, r.extra.size());
  return r;
}

void MessageRecord::write(std::uint8_t* b) const {
  std::memset(b, 0, kSize);
  putClipped(b, 0, kTextWidth, text);
  putClipped(b, kTime, kTimeWidth, time);
  std::memcpy(b + kExtra, extra.data(), extra.size());
}

}  // namespace kiv
