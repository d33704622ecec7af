#include "net/UpdateUserInfoMessages.h"

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kUserId = 24;
constexpr std::size_t kNickname = 28, kNicknameWidth = fields::kNickname;
constexpr std::size_t kSex = 44, kSexWidth = fields::kSex;
constexpr std::size_t kIntroduction = 48, kIntroductionWidth = fields::kIntroduction;
constexpr std::size_t kBirthday = 98, kBirthdayWidth = fields::kBirthday;
}  // namespace

std::vector<std::uint8_t> UpdateUserInfoRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.u32(kUserId, userId);
  w.clipped(kNickname, kNicknameWidth, nickname);
  w.clipped(kSex, kSexWidth, sex);
  w.clipped(kIntroduction, kIntroductionWidth, introduction);
  w.clipped(kBirthday, kBirthdayWidth, birthday);
  return w.take();
}

UpdateUserInfoRequest UpdateUserInfoRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.u32(kUserId), r.text(kNickname, kNicknameWidth), r.text(kSex, kSexWidth),
          r.text(kIntroduction, kIntroductionWidth), r.text(kBirthday, kBirthdayWidth)};
}

std::vector<std::uint8_t> UpdateUserInfoResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, status);
}

UpdateUserInfoResponse UpdateUserInfoResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
