#include "server/AvatarStore.h"

namespace kiv::server {

bool AvatarStore::putAvatar(bool group, std::uint32_t id, std::string_view jpeg) {
  return db_.prepare("INSERT INTO avatars(is_group, id, jpeg) VALUES(?, ?, ?) "
                     "ON CONFLICT(is_group, id) DO UPDATE SET jpeg = excluded.jpeg")
      .bind(1, group)
      .bind(2, id)
      .bindBytes(3, jpeg)
      .run();
}

std::optional<std::string> AvatarStore::avatar(bool group, std::uint32_t id) {
  auto row = db_.prepare("SELECT jpeg FROM avatars WHERE is_group = ? AND id = ?");
  row.bind(1, group).bind(2, id);
  if (!row.step()) return std::nullopt;
  return row.bytes(0);
}

}  // namespace kiv::server
