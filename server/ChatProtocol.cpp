#include "server/ChatProtocol.h"

#include <string>

namespace kiv::server {

ChatProtocol::Outcome ChatProtocol::consume(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data,
                                            std::size_t size) {
  framer_.feed(data, size);
  if (held_) return {Step::kMore};  // the held request comes first, at resume()
  return run(link);
}

ChatProtocol::Outcome ChatProtocol::resume(const std::shared_ptr<ClientLink>& link) {
  return run(link);
}

ChatProtocol::Outcome ChatProtocol::run(const std::shared_ptr<ClientLink>& link) {
  for (;;) {
    std::size_t length = heldLength_;
    if (!held_) {
      switch (framer_.next(packet_.data(), length)) {
        case StreamFramer::Status::kNeedMore:
          return {Step::kMore};
        case StreamFramer::Status::kBroken:
          log_.write("closing " + link->describe() + ": packet length outside 24..9012");
          return {Step::kClose};
        case StreamFramer::Status::kPacket:
          break;
      }
    }
    const Millis hold = dispatcher_.dispatch(link, packet_.data(), length);
    held_ = hold.count() > 0;
    heldLength_ = length;
    if (link->isClosing()) return {Step::kClose};
    if (held_) return {Step::kHold, hold};
  }
}

}  // namespace kiv::server
