#include "net/AddFriendMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> AddFriendRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, userId);
}

AddFriendRequest AddFriendRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> AddFriendResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

AddFriendResponse AddFriendResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
