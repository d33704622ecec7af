#include "model/UnreadCounts.h"

#include <limits>

namespace kiv {

int UnreadCounts::add(ConversationKind kind, std::int32_t number, int messages) {
  if (messages <= 0) return count(kind, number);
  int& stored = counts_[{kind, number}];
  constexpr int kMost = std::numeric_limits<int>::max();
  stored = stored > kMost - messages ? kMost : stored + messages;
  return stored;
}

bool UnreadCounts::clear(ConversationKind kind, std::int32_t number) {
  return counts_.erase({kind, number}) != 0;
}

int UnreadCounts::count(ConversationKind kind, std::int32_t number) const {
  const auto found = counts_.find({kind, number});
  return found == counts_.end() ? 0 : found->second;
}

}  // namespace kiv
