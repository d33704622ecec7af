#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "net/Packet.h"

namespace kiv {

// Builds one packet: a zero-filled buffer of the final length with the header
// already written, then the body fields at their offsets. Writes that would
// fall outside the packet are ignored, so a builder can never overrun it.
class PacketWriter {
 public:
  PacketWriter(std::size_t length, std::uint32_t command, const HeaderKey& key);

  void u8(std::size_t offset, std::uint8_t value);
  void u16(std::size_t offset, std::uint16_t value);
  void u32(std::size_t offset, std::uint32_t value);
  // Bounded string copy (text plus NUL fit in `width`) and clipped copy
  // (first min(length, width) bytes), neither splitting a GBK character.
  void bounded(std::size_t offset, std::size_t width, std::string_view gbk);
  void clipped(std::size_t offset, std::size_t width, std::string_view gbk);
  void bytes(std::size_t offset, const std::uint8_t* data, std::size_t count);

  // Space for a record of `size` bytes at `offset`, or nullptr if it does not fit.
  std::uint8_t* at(std::size_t offset, std::size_t size);

  std::vector<std::uint8_t> take() { return std::move(packet_); }

 private:
  bool fits(std::size_t offset, std::size_t width) const;
  std::vector<std::uint8_t> packet_;
};

// A request or response that is nothing but the header (a request's length
// comes from the request table, an answer's is the bare 24 bytes).
std::vector<std::uint8_t> headerOnlyPacket(std::uint32_t command, const HeaderKey& key);

// The many 28-byte requests that carry one UserId or GroupId at offset 24.
std::vector<std::uint8_t> idRequestPacket(std::uint32_t command, const HeaderKey& key, std::uint32_t id);

// The many answers that carry one result byte at offset 24.
std::vector<std::uint8_t> resultPacket(std::uint32_t command, const HeaderKey& key, std::uint8_t result);

}  // namespace kiv
