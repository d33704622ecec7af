#include "net/ShieldGroupMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> ShieldGroupRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u32(24, groupId);
  w.u8(28, shield);
  return w.take();
}

ShieldGroupRequest ShieldGroupRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u32(24), r.u8(28)};
}

std::vector<std::uint8_t> ShieldGroupResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

ShieldGroupResponse ShieldGroupResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
