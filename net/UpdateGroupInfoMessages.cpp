#include "net/UpdateGroupInfoMessages.h"

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kGroupId = 24;
constexpr std::size_t kName = 28, kNameWidth = fields::kGroupName;
constexpr std::size_t kCategory = 44, kCategoryWidth = fields::kGroupCategory;
constexpr std::size_t kIntroduction = 64, kIntroductionWidth = fields::kIntroduction;
constexpr std::size_t kType = 114;
}  // namespace

std::vector<std::uint8_t> UpdateGroupInfoRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u32(kGroupId, groupId);
  w.clipped(kName, kNameWidth, name);
  w.clipped(kCategory, kCategoryWidth, category);
  w.clipped(kIntroduction, kIntroductionWidth, introduction);
  w.u8(kType, type);
  return w.take();
}

UpdateGroupInfoRequest UpdateGroupInfoRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u32(kGroupId), r.text(kName, kNameWidth), r.text(kCategory, kCategoryWidth),
          r.text(kIntroduction, kIntroductionWidth), r.u8(kType)};
}

std::vector<std::uint8_t> UpdateGroupInfoResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, status);
}

UpdateGroupInfoResponse UpdateGroupInfoResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
