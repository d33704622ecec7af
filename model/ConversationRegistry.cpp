#include "model/ConversationRegistry.h"

namespace kiv {

namespace {

ConversationWindow* find(const std::map<std::int32_t, ConversationWindow*>& windows, std::int32_t number) {
  const auto it = windows.find(number);
  return it == windows.end() ? nullptr : it->second;
}

std::vector<std::int32_t> numbers(const std::map<std::int32_t, ConversationWindow*>& windows) {
  std::vector<std::int32_t> out;
  for (const auto& [number, window] : windows) out.push_back(number);
  return out;
}

}  // namespace

ConversationRegistry::~ConversationRegistry() {
  destroyAll();
}

ConversationWindow* ConversationRegistry::findPrivate(std::int32_t userId) const {
  return find(private_, userId);
}

ConversationWindow* ConversationRegistry::findGroup(std::int32_t groupId) const {
  return find(groups_, groupId);
}

bool ConversationRegistry::destroyIn(std::map<std::int32_t, ConversationWindow*>& windows, std::int32_t number) {
  const auto it = windows.find(number);
  if (it == windows.end()) return false;
  // Forget it before it goes: destroy() may reach back into the registry.
  ConversationWindow* window = it->second;
  windows.erase(it);
  if (window != nullptr) window->destroy();
  return true;
}

ConversationWindow* ConversationRegistry::addPrivate(std::int32_t userId, ConversationWindow* window) {
  if (findPrivate(userId) != window) destroyIn(private_, userId);
  private_[userId] = window;
  return window;
}

ConversationWindow* ConversationRegistry::addGroup(std::int32_t groupId, ConversationWindow* window) {
  if (findGroup(groupId) != window) destroyIn(groups_, groupId);
  groups_[groupId] = window;
  return window;
}

bool ConversationRegistry::destroyPrivate(std::int32_t userId) {
  return destroyIn(private_, userId);
}

bool ConversationRegistry::destroyGroup(std::int32_t groupId) {
  return destroyIn(groups_, groupId);
}

void ConversationRegistry::destroyAll() {
  while (!private_.empty()) destroyIn(private_, private_.begin()->first);
  while (!groups_.empty()) destroyIn(groups_, groups_.begin()->first);
}

std::vector<std::int32_t> ConversationRegistry::privateNumbers() const {
  return numbers(private_);
}

std::vector<std::int32_t> ConversationRegistry::groupNumbers() const {
  return numbers(groups_);
}

}  // namespace kiv
