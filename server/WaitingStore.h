#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// Waiting messages, kept per recipient and conversation in arrival order
// until the recipient fetches them.
class WaitingStore {
 public:
  explicit WaitingStore(Database& db) : db_(db) {}

  // The records of one message for one recipient.
  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    const std::vector<std::string>& records, std::string_view time);
  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    std::string_view record, std::string_view time) {
    return queueMessage(recipient, kind, conversation, sender, std::vector<std::string>{std::string(record)}, time);
  }
  // How much waits for `recipient` in all: records and their text bytes.
  WaitingTotals waitingTotals(std::uint32_t recipient);
  // Conversations with waiting messages, the one waiting longest first.
  std::vector<WaitingConversation> waitingConversations(std::uint32_t recipient, std::size_t limit);
  // The oldest `limit` messages of one conversation, removed from the store.
  // Two connections taking at once never get the same message.
  std::vector<WaitingMessage> takeMessages(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                                           std::size_t limit);
  std::vector<QueuedMessage> all();

 private:
  Database& db_;
};

}  // namespace kiv::server
