#include "server/SessionRegistry.h"

#include "server/ServerLimits.h"
#include "server/SharedPresence.h"

namespace kiv::server {

std::shared_ptr<ClientLink> SessionRegistry::signIn(std::uint32_t userId, const std::shared_ptr<ClientLink>& link) {
  std::shared_ptr<ClientLink> previous;
  {
    std::lock_guard lock(mutex_);
    auto& slot = links_[userId];
    previous = slot.lock();
    slot = link;
  }
  if (shared_) shared_->signedIn(userId);
  return previous == link ? nullptr : previous;
}

void SessionRegistry::signOut(std::uint32_t userId, const ClientLink* link) {
  {
    std::lock_guard lock(mutex_);
    auto found = links_.find(userId);
    if (found == links_.end()) return;
    auto current = found->second.lock();
    if (current && current.get() != link) return;
    links_.erase(found);
  }
  if (shared_) shared_->signedOut(userId);
}

std::shared_ptr<ClientLink> SessionRegistry::find(std::uint32_t userId) const {
  std::lock_guard lock(mutex_);
  auto found = links_.find(userId);
  return found == links_.end() ? nullptr : found->second.lock();
}

bool SessionRegistry::isOnline(std::uint32_t userId) const {
  return find(userId) != nullptr || (shared_ && shared_->isOnline(userId));
}

std::uint8_t SessionRegistry::terminalOf(std::uint32_t userId) const {
  return isOnline(userId) ? kDesktopTerminal : kSmsTerminal;
}

std::size_t SessionRegistry::count() const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const auto& [id, link] : links_) n += link.expired() ? 0 : 1;
  return n;
}

}  // namespace kiv::server
