#include "net/SmsPasswordMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

std::vector<std::uint8_t> SmsPasswordRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.clipped(24, kPhoneWidth, phone);
  return w.take();
}

SmsPasswordRequest SmsPasswordRequest::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).text(24, kPhoneWidth)};
}

std::vector<std::uint8_t> SmsPasswordResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

SmsPasswordResponse SmsPasswordResponse::read(const std::uint8_t* data, std::size_t size) {
  return {PacketReader(data, size).u8(24)};
}

}  // namespace kiv
