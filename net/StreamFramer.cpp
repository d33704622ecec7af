#include "net/StreamFramer.h"

#include <cstring>

#include "net/Packet.h"

namespace kiv {

StreamFramer::StreamFramer() {
  buffer_.reserve(2 * kMaxPacketSize);
}

void StreamFramer::feed(const std::uint8_t* data, std::size_t size) {
  if (broken_ || size == 0) return;
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), data, data + size);
}

StreamFramer::Status StreamFramer::next(std::uint8_t* out, std::size_t& size) {
  if (broken_) return Status::kBroken;
  const std::size_t have = buffered();
  if (have < 4) return Status::kNeedMore;
  const std::uint8_t* head = buffer_.data() + start_;
  const std::uint32_t length = getU32(head, kLengthOffset);
  if (length < kHeaderSize || length > kMaxPacketSize) {
    broken_ = true;
    return Status::kBroken;
  }
  if (have < length) return Status::kNeedMore;
  std::memcpy(out, head, length);
  std::memset(out + length, 0, kMaxPacketSize - length);
  size = length;
  start_ += length;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return Status::kPacket;
}

void StreamFramer::reset() {
  buffer_.clear();
  start_ = 0;
  broken_ = false;
}

}  // namespace kiv
