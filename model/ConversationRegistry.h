#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "model/ConversationWindow.h"

namespace kiv {

// The open chat windows by number: one per person (whatever way the chat
// was opened) and one per group. A window the user closes is only hidden
// and stays registered; it is destroyed when its contact, member or group
// goes, or at shutdown.
class ConversationRegistry {
 public:
  ConversationRegistry() = default;
  ~ConversationRegistry();  // destroys every window still registered
  ConversationRegistry(const ConversationRegistry&) = delete;
  ConversationRegistry& operator=(const ConversationRegistry&) = delete;

  ConversationWindow* findPrivate(std::int32_t userId) const;
  ConversationWindow* findGroup(std::int32_t groupId) const;

  // Registers a window; a window already registered under the number is
  // destroyed first. Returns `window`.
  ConversationWindow* addPrivate(std::int32_t userId, ConversationWindow* window);
  ConversationWindow* addGroup(std::int32_t groupId, ConversationWindow* window);

  // Destroys and forgets the window of the number. False when there is none.
  bool destroyPrivate(std::int32_t userId);
  bool destroyGroup(std::int32_t groupId);

  // Destroys every window of both maps (shutdown).
  void destroyAll();

  std::vector<std::int32_t> privateNumbers() const;
  std::vector<std::int32_t> groupNumbers() const;

 private:
  static bool destroyIn(std::map<std::int32_t, ConversationWindow*>& windows, std::int32_t number);

  std::map<std::int32_t, ConversationWindow*> private_;
  std::map<std::int32_t, ConversationWindow*> groups_;
};

}  // namespace kiv
