#include "net/MessageNotice.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

MessageNotice MessageNotice::read(const std::uint8_t* b) {
  return {static_cast<ConversationKind>(b[0]), getU32(b, 1), getText(b, 5, kNameWidth), {b[21], b[22]}};
}

void MessageNotice::write(std::uint8_t* b) const {
  std::memset(b, 0, kSize);
  b[0] = static_cast<std::uint8_t>(kind);
  putU32(b, 1, id);
  putClipped(b, 5, kNameWidth, name);
  b[21] = extra[0];
  b[22] = extra[1];
}

}  // namespace kiv
