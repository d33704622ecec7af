#include "net/FriendListMessages.h"

#include "net/RecordList.h"

namespace kiv {

std::vector<std::uint8_t> FriendListRequest::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

FriendListRequest FriendListRequest::read(const std::uint8_t*, std::size_t) {
  return {};
}

std::vector<std::uint8_t> FriendListResponse::build(const HeaderKey& key) const {
  return buildRecordList(kCommand, key, friends);
}

FriendListResponse FriendListResponse::read(const std::uint8_t* data, std::size_t size) {
  return {readRecordList<FriendRecord>(data, size)};
}

}  // namespace kiv
