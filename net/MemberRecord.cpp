#include "net/MemberRecord.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

MemberRecord MemberRecord::read(const std::uint8_t* b) {
  return {getU32(b, 0), getText(b, 4, kNicknameWidth), b[20], b[21], b[22]};
}

void MemberRecord::write(std::uint8_t* b) const {
  std::memset(b, 0, kSize);
  putU32(b, 0, userId);
  putClipped(b, 4, kNicknameWidth, nickname);
  b[20] = terminal;
  b[21] = owner;
  b[22] = extra;
}

}  // namespace kiv
