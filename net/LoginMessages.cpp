#include "net/LoginMessages.h"

#include "net/FieldWidths.h"
#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kPhone = 24, kPhoneWidth = fields::kPhone;
constexpr std::size_t kPassword = 45, kPasswordWidth = fields::kPassword;
constexpr std::size_t kVersion = 61;
}  // namespace

std::vector<std::uint8_t> LoginRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.bounded(kPhone, kPhoneWidth, phone);
  w.bounded(kPassword, kPasswordWidth, password);
  w.u8(kVersion, clientVersion);
  return w.take();
}

LoginRequest LoginRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.text(kPhone, kPhoneWidth), r.text(kPassword, kPasswordWidth), r.u8(kVersion)};
}

std::vector<std::uint8_t> LoginResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

LoginResponse LoginResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
