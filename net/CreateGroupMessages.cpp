#include "net/CreateGroupMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> CreateGroupRequest::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

CreateGroupRequest CreateGroupRequest::read(const std::uint8_t*, std::size_t) {
  return {};
}

std::vector<std::uint8_t> CreateGroupResponse::build(const HeaderKey& key) const {
  PacketWriter w(kLength, kCommand, key);
  w.u8(24, result);
  w.u32(25, groupId);
  return w.take();
}

CreateGroupResponse CreateGroupResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u8(24), r.u32(25)};
}

}  // namespace kiv
