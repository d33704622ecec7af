#include "net/UserInfoMessages.h"

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kStatus = 24, kUserId = 25;
constexpr std::size_t kNickname = 29, kNicknameWidth = fields::kNickname;
constexpr std::size_t kSex = 45, kSexWidth = fields::kSex;
constexpr std::size_t kIntroduction = 49, kIntroductionWidth = fields::kIntroduction;
constexpr std::size_t kPoints = 100;
constexpr std::size_t kCity = 104, kCityWidth = fields::kCity;
constexpr std::size_t kBirthday = 114, kBirthdayWidth = fields::kBirthday;
}  // namespace

std::vector<std::uint8_t> UserInfoRequest::build(const HeaderKey& key) const {
  return idRequestPacket(kCommand, key, userId);
}

UserInfoRequest UserInfoRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u32(24)};
}

std::vector<std::uint8_t> UserInfoResponse::build(const HeaderKey& key) const {
  PacketWriter w(kLength, kCommand, key);
  w.u8(kStatus, status);
  w.u32(kUserId, userId);
  w.bounded(kNickname, kNicknameWidth, nickname);
  // "保密" takes all four bytes, so the sex field is a clipped copy.
  w.clipped(kSex, kSexWidth, sex);
  w.bounded(kIntroduction, kIntroductionWidth, introduction);
  w.u32(kPoints, static_cast<std::uint32_t>(points));
  w.bounded(kCity, kCityWidth, city);
  w.clipped(kBirthday, kBirthdayWidth, birthday);
  return w.take();
}

UserInfoResponse UserInfoResponse::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  UserInfoResponse m;
  m.status = r.u8(kStatus);
  m.userId = r.u32(kUserId);
  m.nickname = r.text(kNickname, kNicknameWidth);
  m.sex = r.text(kSex, kSexWidth);
  m.introduction = r.text(kIntroduction, kIntroductionWidth);
  m.points = r.i32(kPoints);
  m.city = r.text(kCity, kCityWidth);
  m.birthday = r.text(kBirthday, kBirthdayWidth);
  return m;
}

}  // namespace kiv
