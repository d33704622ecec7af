#include "server/FriendStore.h"

#include "server/StoreRows.h"

namespace kiv::server {


std::vector<NamedId> FriendStore::friends(std::uint32_t userId) {
  std::vector<NamedId> out;
  auto row = db_.prepare(
      "SELECT u.user_id, u.nickname FROM friends f JOIN users u ON u.user_id = f.friend "
      "WHERE f.owner = ? ORDER BY u.user_id");
  row.bind(1, userId);
  while (row.step()) out.push_back({static_cast<std::uint32_t>(row.integer(0)), row.bytes(1)});
  return out;
}

bool FriendStore::isFriend(std::uint32_t userId, std::uint32_t friendId) {
  return rows::exists(db_, "SELECT 1 FROM friends WHERE owner = ? AND friend = ?", userId, friendId);
}

std::size_t FriendStore::friendCount(std::uint32_t userId) {
  return rows::count(db_, "SELECT COUNT(*) FROM friends WHERE owner = ?", userId);
}

bool FriendStore::addFriend(std::uint32_t userId, std::uint32_t friendId) {
  return rows::runPair(db_, "INSERT INTO friends(owner, friend) VALUES(?, ?) ON CONFLICT DO NOTHING", userId, friendId);
}

bool FriendStore::removeFriend(std::uint32_t userId, std::uint32_t friendId) {
  return rows::runPair(db_, "DELETE FROM friends WHERE owner = ? AND friend = ?", userId, friendId) && db_.changes() == 1;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> FriendStore::all() {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  auto row = db_.prepare("SELECT owner, friend FROM friends ORDER BY owner, friend");
  while (row.step())
    out.emplace_back(static_cast<std::uint32_t>(row.integer(0)), static_cast<std::uint32_t>(row.integer(1)));
  return out;
}

}  // namespace kiv::server
