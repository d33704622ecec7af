#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "server/ClientLink.h"

namespace kiv::server {

class SharedPresence;

// Who is signed in where: at most one connection per UserId. Presence (the
// terminal shown to friends and in searches) comes from here. On its own it
// knows this process only; with a SharedPresence it tells the other server
// processes of a shared database about sign-ins and asks them too.
class SessionRegistry {
 public:
  // Set before serving starts; nullptr for one process alone.
  void setShared(SharedPresence* shared) { shared_ = shared; }

  // Records `link` as the connection of `userId` and returns the connection it
  // replaces (nullptr when there was none or it is the same one).
  std::shared_ptr<ClientLink> signIn(std::uint32_t userId, const std::shared_ptr<ClientLink>& link);
  // Forgets `userId` if `link` is still its connection.
  void signOut(std::uint32_t userId, const ClientLink* link);
  std::shared_ptr<ClientLink> find(std::uint32_t userId) const;
  bool isOnline(std::uint32_t userId) const;
  // The terminal shown for a user: the desktop client while signed in, else
  // reachable by SMS only.
  std::uint8_t terminalOf(std::uint32_t userId) const;
  std::size_t count() const;

 private:
  SharedPresence* shared_ = nullptr;
  mutable std::mutex mutex_;
  std::map<std::uint32_t, std::weak_ptr<ClientLink>> links_;
};

}  // namespace kiv::server
