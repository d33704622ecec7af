#include "net/GroupListMessages.h"

#include "net/RecordList.h"

namespace kiv {

std::vector<std::uint8_t> GroupListRequest::build(const HeaderKey& key) const {
  return headerOnlyPacket(kCommand, key);
}

GroupListRequest GroupListRequest::read(const std::uint8_t*, std::size_t) {
  return {};
}

std::vector<std::uint8_t> GroupListResponse::build(const HeaderKey& key) const {
  return buildRecordList(kCommand, key, groups);
}

GroupListResponse GroupListResponse::read(const std::uint8_t* data, std::size_t size) {
  return {readRecordList<GroupRecord>(data, size)};
}

}  // namespace kiv
