#pragma once

#include <cstdint>
#include <string>

#include "model/ChatCategory.h"

namespace kiv {

// What the lists and the tree ask of the main window: opening and showing a
// conversation, and opening the search window. Texts are GBK.
class ContactCommands {
 public:
  enum class SearchMode { kUser, kGroup };

  virtual ~ContactCommands() = default;

  // Opens (or reuses) the conversation and shows it.
  virtual void showConversation(ChatCategory category, std::int32_t number, const std::string& partnerName,
                                const std::string& groupText, std::int32_t terminal) = 0;
  virtual void showSearch(SearchMode mode) = 0;
};

}  // namespace kiv
