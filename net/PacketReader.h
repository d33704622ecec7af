#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kiv {

// Reads the fields of a received packet without ever touching a byte past
// `size`. Bytes beyond it read as zero, which is what the receive buffer holds
// past the bytes that arrived, so a short packet reads like a zero-padded one.
class PacketReader {
 public:
  PacketReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

  std::uint8_t u8(std::size_t offset) const { return offset < size_ ? data_[offset] : 0; }
  std::uint16_t u16(std::size_t offset) const;
  std::uint32_t u32(std::size_t offset) const;
  std::int16_t i16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
  std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }

  // A fixed-width text field: at most `width` bytes up to the first NUL.
  std::string text(std::size_t offset, std::size_t width) const;

  // Copies `count` bytes from `offset` into `out`, zero where the packet ends.
  void copy(std::size_t offset, std::size_t count, std::uint8_t* out) const;

  // The number of records the packet is announced to hold at `offset`,
  // limited to the whole records that are actually present (a negative
  // announcement counts as none).
  std::size_t records(long announced, std::size_t offset, std::size_t recordSize) const;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace kiv
