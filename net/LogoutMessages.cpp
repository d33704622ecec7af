#include "net/LogoutMessages.h"

#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> LogoutRequest::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

LogoutRequest LogoutRequest::read(const std::uint8_t*, std::size_t) {
  return {};
}

std::vector<std::uint8_t> LogoutResponse::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

LogoutResponse LogoutResponse::read(const std::uint8_t*, std::size_t) {
  return {};
}

}  // namespace kiv
