#include "net/RemoveGroupMemberMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> RemoveGroupMemberRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u32(24, groupId);
  w.u32(28, userId);
  return w.take();
}

RemoveGroupMemberRequest RemoveGroupMemberRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u32(24), r.u32(28)};
}

std::vector<std::uint8_t> RemoveGroupMemberResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

RemoveGroupMemberResponse RemoveGroupMemberResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
