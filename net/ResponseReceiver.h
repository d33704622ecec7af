#pragma once

#include <cstdint>

#include "net/PendingRequest.h"

namespace kiv {

// Whatever asks the server something: a window, the command-line client, a
// test. Answers are delivered on the connection's receive thread.
class ResponseReceiver {
 public:
  virtual ~ResponseReceiver() = default;
  // `request`: the stored request as it stood in the table; `response`: the
  // received packet in a kMaxPacketSize buffer, zero past the bytes received;
  // `size`: the bytes received, the limit for every reader (a count that
  // promises more records than the packet holds must not be believed);
  // `command`: the answer's command in host byte order.
  virtual void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                                std::uint32_t command) = 0;
};

}  // namespace kiv
