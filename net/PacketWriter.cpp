#include "net/PacketWriter.h"

#include <algorithm>
#include <cstring>

namespace kiv {

PacketWriter::PacketWriter(std::size_t length, std::uint32_t command, const HeaderKey& key)
    : packet_(std::max(length, kHeaderSize), 0) {
  writeHeader(packet_.data(), static_cast<std::uint32_t>(packet_.size()), command, key);
}

bool PacketWriter::fits(std::size_t offset, std::size_t width) const {
  return offset <= packet_.size() && width <= packet_.size() - offset;
}

void PacketWriter::u8(std::size_t offset, std::uint8_t value) {
  if (fits(offset, 1)) packet_[offset] = value;
}

void PacketWriter::u16(std::size_t offset, std::uint16_t value) {
  if (fits(offset, 2)) putU16(packet_.data(), offset, value);
}

void PacketWriter::u32(std::size_t offset, std::uint32_t value) {
  if (fits(offset, 4)) putU32(packet_.data(), offset, value);
}

void PacketWriter::bounded(std::size_t offset, std::size_t width, std::string_view gbk) {
  if (fits(offset, width)) putBounded(packet_.data(), offset, width, gbk);
}

void PacketWriter::clipped(std::size_t offset, std::size_t width, std::string_view gbk) {
  if (fits(offset, width)) putClipped(packet_.data(), offset, width, gbk);
}

void PacketWriter::bytes(std::size_t offset, const std::uint8_t* data, std::size_t count) {
  if (count != 0 && fits(offset, count)) std::memcpy(packet_.data() + offset, data, count);
}

std::uint8_t* PacketWriter::at(std::size_t offset, std::size_t size) {
  return fits(offset, size) ? packet_.data() + offset : nullptr;
}

std::vector<std::uint8_t> headerOnlyPacket(std::uint32_t command, const HeaderKey& key) {
  const std::uint32_t length = (command & kResponseFlag) ? kHeaderSize : requestLength(command);
  return PacketWriter(length, command, key).take();
}

std::vector<std::uint8_t> idRequestPacket(std::uint32_t command, const HeaderKey& key, std::uint32_t id) {
  PacketWriter w(requestLength(command), command, key);
  w.u32(24, id);
  return w.take();
}

std::vector<std::uint8_t> resultPacket(std::uint32_t command, const HeaderKey& key, std::uint8_t result) {
  PacketWriter w(kHeaderSize + 1, command, key);
  w.u8(24, result);
  return w.take();
}

}  // namespace kiv
