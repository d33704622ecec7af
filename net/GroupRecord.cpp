#include "net/GroupRecord.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

GroupRecord GroupRecord::read(const std::uint8_t* b) {
  return {getU32(b, 0), getText(b, 4, kNameWidth), b[20], b[21]};
}

void GroupRecord::write(std::uint8_t* b) const {
  std::memset(b, 0, kSize);
  putU32(b, 0, groupId);
  putClipped(b, 4, kNameWidth, name);
  b[20] = owner;
  b[21] = shielded;
}

}  // namespace kiv
