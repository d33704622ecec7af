#pragma once

#include <cstdint>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// Sending chat messages, the notice poll and fetching what waits.
class MessageHandlers {
 public:
  explicit MessageHandlers(ServerContext& context) : context_(context) {}

  std::vector<std::uint8_t> sendMessage(const Request& request);
  // One notice per conversation with waiting messages, longest waiting first.
  std::vector<std::uint8_t> noticePoll(const Request& request);
  // The oldest waiting records of one conversation; they leave the queue.
  std::vector<std::uint8_t> fetchMessages(const Request& request);

 private:
  ServerContext& context_;
};

}  // namespace kiv::server
