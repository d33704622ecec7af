#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/Database.h"

namespace kiv::server {

// Answers given to the requests that change what is stored (a message sent,
// messages fetched), by user and the request's whole packet. A client that
// did not get an answer (its connection broke, the server went down) sends
// the very same request again, perhaps to another server process; it must
// get the first answer again, not the change made twice. Kept for ten
// minutes, longer than a client goes on repeating a request, and at most the
// newest `keep` per user (a client has at most 50 requests outstanding).
class AnswerStore {
 public:
  static constexpr std::int64_t kKeptSeconds = 600;

  explicit AnswerStore(Database& db) : db_(db) {}

  std::optional<std::string> givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now);
  bool rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer, std::int64_t now,
                      std::size_t keep = 64);
  std::size_t keptAnswerCount(std::uint32_t userId);

 private:
  Database& db_;
  std::int64_t lastPrune_ = 0;  // when old answers were last removed
};

}  // namespace kiv::server
