#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// Friendships, one row per direction.
class FriendStore {
 public:
  explicit FriendStore(Database& db) : db_(db) {}

  std::vector<NamedId> friends(std::uint32_t userId);
  bool isFriend(std::uint32_t userId, std::uint32_t friendId);
  std::size_t friendCount(std::uint32_t userId);
  bool addFriend(std::uint32_t userId, std::uint32_t friendId);
  bool removeFriend(std::uint32_t userId, std::uint32_t friendId);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> all();

 private:
  Database& db_;
};

}  // namespace kiv::server
