#include "net/GroupMembersMessages.h"

#include "net/RecordList.h"

namespace kiv {

std::vector<std::uint8_t> GroupMembersRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, groupId);
}

GroupMembersRequest GroupMembersRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> GroupMembersResponse::build(const HeaderKey& key) const {
  return buildRecordList(kCommand, key, members);
}

GroupMembersResponse GroupMembersResponse::read(const std::uint8_t* data, std::size_t size) {
  return {readRecordList<MemberRecord>(data, size)};
}

}  // namespace kiv
