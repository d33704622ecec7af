#include "net/ChangePasswordMessages.h"

#include "net/PacketReader.h"
#include "net/PacketWriter.h"

namespace kiv {

namespace {
constexpr std::size_t kOld = 24, kNew = 40, kFieldWidth = 16;
}

std::vector<std::uint8_t> ChangePasswordRequest::build(const HeaderKey& key) const {
  PacketWriter w(requestLength(kCommand), kCommand, key);
  w.clipped(kOld, kSentBytes, oldPassword);
  w.clipped(kNew, kSentBytes, newPassword);
  return w.take();
}

ChangePasswordRequest ChangePasswordRequest::read(const std::uint8_t* data, std::size_t size) {
  const PacketReader r(data, size);
  return {r.text(kOld, kFieldWidth), r.text(kNew, kFieldWidth)};
}

std::vector<std::uint8_t> ChangePasswordResponse::build(const HeaderKey& key) const {
  return resultPacket(kCommand, key, result);
}

ChangePasswordResponse ChangePasswordResponse::read(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kResult = 24;
  if (size <= kResult) return {kNoResult};
  return {PacketReader(data, size).u8(kResult)};
}

}  // namespace kiv
