#include "net/FriendRecord.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

FriendRecord FriendRecord::read(const std::uint8_t* b) {
  return {getU32(b, 0), getText(b, 4, kNicknameWidth), b[20]};
}

void FriendRecord::write(std::uint8_t* b) const {
  std::memset(b, 0, kSize);
  putU32(b, 0, userId);
  putClipped(b, 4, kNicknameWidth, nickname);
  b[20] = terminal;
}

}  // namespace kiv
