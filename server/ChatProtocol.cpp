#include "server/ChatProtocol.h"

#include <string>

namespace kiv::server {

bool ChatProtocol::consume(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size) {
  framer_.feed(data, size);
  for (;;) {
    std::size_t length = 0;
    switch (framer_.next(packet_.data(), length)) {
      case StreamFramer::Status::kNeedMore:
        return true;
      case StreamFramer::Status::kBroken:
        log_.write("closing " + link->describe() + ": packet length outside 24..9012");
        return false;
      case StreamFramer::Status::kPacket:
        dispatcher_.dispatch(link, packet_.data(), length);
        if (link->isClosing()) return false;
        break;
    }
  }
}

}  // namespace kiv::server
