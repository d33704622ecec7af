#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kiv {

// Cuts the received byte stream into packets by the header's length field:
// several packets in one read come out one by one, a packet split over reads
// comes out once it is whole. A length below the header size or above the
// largest packet means the stream can no longer be trusted.
class StreamFramer {
 public:
  enum class Status { kPacket, kNeedMore, kBroken };

  StreamFramer();

  void feed(const std::uint8_t* data, std::size_t size);
  // The next whole packet into `out` (kMaxPacketSize bytes, zero past the
  // packet) and its size into `size`.
  Status next(std::uint8_t* out, std::size_t& size);
  // Forgets everything buffered (a new connection starts clean).
  void reset();
  std::size_t buffered() const { return buffer_.size() - start_; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t start_ = 0;
  bool broken_ = false;
};

}  // namespace kiv
