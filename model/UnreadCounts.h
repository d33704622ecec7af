#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "net/ConversationKind.h"

namespace kiv {

// How many received messages each conversation holds that the user has not
// looked at yet: counted while the conversation's window is not the one in
// front, cleared when the user opens or activates it. Conversations are
// named by kind and number.
class UnreadCounts {
 public:
  // Adds `messages` (ignored unless positive) and returns the new count;
  // the count stops at a very large number instead of wrapping.
  int add(ConversationKind kind, std::int32_t number, int messages);
  // True when there was something to clear.
  bool clear(ConversationKind kind, std::int32_t number);
  int count(ConversationKind kind, std::int32_t number) const;
  // How many conversations have messages waiting.
  int waitingConversations() const { return static_cast<int>(counts_.size()); }

 private:
  std::map<std::pair<ConversationKind, std::int32_t>, int> counts_;  // only positive counts
};

}  // namespace kiv
