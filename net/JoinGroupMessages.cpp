#include "net/JoinGroupMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> JoinGroupRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, groupId);
}

JoinGroupRequest JoinGroupRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> JoinGroupResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

JoinGroupResponse JoinGroupResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
