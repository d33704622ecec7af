#include "net/PacketReader.h"

#include <algorithm>
#include <cstring>

#include "net/Packet.h"

namespace kiv {

std::uint16_t PacketReader::u16(std::size_t offset) const {
  return static_cast<std::uint16_t>((u8(offset) << 8) | u8(offset + 1));
}

std::uint32_t PacketReader::u32(std::size_t offset) const {
  return (std::uint32_t{u8(offset)} << 24) | (std::uint32_t{u8(offset + 1)} << 16) |
         (std::uint32_t{u8(offset + 2)} << 8) | std::uint32_t{u8(offset + 3)};
}

std::string PacketReader::text(std::size_t offset, std::size_t width) const {
  if (offset >= size_) return {};
  return getText(data_, offset, std::min(width, size_ - offset));
}

void PacketReader::copy(std::size_t offset, std::size_t count, std::uint8_t* out) const {
  std::memset(out, 0, count);
  if (offset >= size_) return;
  std::memcpy(out, data_ + offset, std::min(count, size_ - offset));
}

std::size_t PacketReader::records(long announced, std::size_t offset, std::size_t recordSize) const {
  if (announced <= 0 || offset >= size_ || recordSize == 0) return 0;
  return std::min(static_cast<std::size_t>(announced), (size_ - offset) / recordSize);
}

}  // namespace kiv
