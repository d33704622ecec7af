#include "net/DeleteFriendMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> DeleteFriendRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, userId);
}

DeleteFriendRequest DeleteFriendRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> DeleteFriendResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

DeleteFriendResponse DeleteFriendResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
