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
// A request the dispatcher holds (a sign-in that has to wait) stops the
// stream until resume(): nothing behind it is handled before it.
class ChatProtocol {
 public:
  enum class Step { kMore, kClose, kHold };
  struct Outcome {
    Step step = Step::kMore;
    Millis hold{0};  // for kHold: how long before resume()
  };

  ChatProtocol(RequestDispatcher& dispatcher, ServerLog& log) : dispatcher_(dispatcher), log_(log) {}

  // Handles the received bytes as far as it may.
  Outcome consume(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size);
  // After a hold: the held request again, then what is buffered behind it.
  Outcome resume(const std::shared_ptr<ClientLink>& link);
  // True while part of a packet has come and the rest has not.
  bool partial() const { return !held_ && framer_.buffered() > 0; }

 private:
  Outcome run(const std::shared_ptr<ClientLink>& link);

  RequestDispatcher& dispatcher_;
  ServerLog& log_;
  StreamFramer framer_;
  std::array<std::uint8_t, kMaxPacketSize> packet_{};
  std::size_t heldLength_ = 0;
  bool held_ = false;
};

}  // namespace kiv::server
