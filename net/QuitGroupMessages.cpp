#include "net/QuitGroupMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> QuitGroupRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, groupId);
}

QuitGroupRequest QuitGroupRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> QuitGroupResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

QuitGroupResponse QuitGroupResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
