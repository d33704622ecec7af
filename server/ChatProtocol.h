#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "net/Packet.h"
#include "net/StreamFramer.h"
#include "server/ClientLink.h"
#include "server/RequestDispatcher.h"

namespace kiv::server {

// The chat port's byte stream of one connection: cut into packets by the
// header's length field and each packet dispatched. A length outside 24..9012
// breaks the stream for good: the connection is closed and the event logged.
class ChatProtocol {
 public:
  ChatProtocol(RequestDispatcher& dispatcher, ServerLog& log) : dispatcher_(dispatcher), log_(log) {}

  // Handles the received bytes. False when the connection is to be closed.
  bool consume(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size);

 private:
  RequestDispatcher& dispatcher_;
  ServerLog& log_;
  StreamFramer framer_;
  std::array<std::uint8_t, kMaxPacketSize> packet_{};
};

}  // namespace kiv::server
