#pragma once

#include <chrono>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// Sending chat messages, the notice poll and fetching what waits.
class MessageHandlers {
 public:
  explicit MessageHandlers(ServerContext& context) : context_(context) {}

  // A repeated send (same header) is answered again, not queued twice. A
  // sender past its quota, or a recipient whose queue is full, gets "not
  // delivered" (the client offers to try again), and that answer is not kept.
  std::vector<std::uint8_t> sendMessage(const Request& request);
  // One notice per conversation with waiting messages, longest waiting first.
  std::vector<std::uint8_t> noticePoll(const Request& request);
  // The oldest waiting records of one conversation; they leave the queue
  // (a repeated fetch gets the same records again).
  std::vector<std::uint8_t> fetchMessages(const Request& request);

 private:
  // An answer, and whether it is kept for a repeat of the request.
  struct Answer {
    std::vector<std::uint8_t> bytes;
    bool keep = true;
  };

  // Makes the change of `request` and its answer at most once: the same
  // request again (a client repeating what it got no answer to) gets the
  // answer the first one got. `change` builds the Answer; `failed` is the
  // answer when the change could not be stored.
  template <class Change, class Failed>
  std::vector<std::uint8_t> once(const Request& request, Change&& change, Failed&& failed);

  std::vector<std::uint8_t> takeWaiting(const Request& request);
  void overQuota(std::uint32_t sender);

  ServerContext& context_;
  std::unordered_map<std::uint32_t, std::chrono::steady_clock::time_point> quotaLogged_;
};

}  // namespace kiv::server
