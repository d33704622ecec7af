#include "net/GroupInfoMessages.h"

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kStatus = 24;
constexpr std::size_t kName = 25, kNameWidth = fields::kGroupName;
constexpr std::size_t kCategory = 41, kCategoryWidth = fields::kGroupCategory;
constexpr std::size_t kIntroduction = 61, kIntroductionWidth = fields::kIntroduction;
constexpr std::size_t kMemberCount = 111, kType = 115;
constexpr std::size_t kCreated = 117, kCreatedWidth = fields::kGroupCreated;
}  // namespace

std::vector<std::uint8_t> GroupInfoRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, groupId);
}

GroupInfoRequest GroupInfoRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> GroupInfoResponse::build(const HeaderKey& key) const {
  PacketWriter w(kLength, kCommand, key);
  w.u8(kStatus, status);
  w.bounded(kName, kNameWidth, name);
  w.bounded(kCategory, kCategoryWidth, category);
  w.bounded(kIntroduction, kIntroductionWidth, introduction);
  w.u32(kMemberCount, static_cast<std::uint32_t>(memberCount));
  w.u8(kType, type);
  w.clipped(kCreated, kCreatedWidth, created);
  return w.take();
}

GroupInfoResponse GroupInfoResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  GroupInfoResponse m;
  m.status = r.u8(kStatus);
  m.name = r.text(kName, kNameWidth);
  m.category = r.text(kCategory, kCategoryWidth);
  m.introduction = r.text(kIntroduction, kIntroductionWidth);
  m.memberCount = r.i32(kMemberCount);
  m.type = r.u8(kType);
  m.created = r.text(kCreated, kCreatedWidth);
  return m;
}

}  // namespace kiv
