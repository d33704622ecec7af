#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/Database.h"

namespace kiv::server {

// Avatars of users and groups as JPEG bytes.
class AvatarStore {
 public:
  explicit AvatarStore(Database& db) : db_(db) {}

  bool putAvatar(bool group, std::uint32_t id, std::string_view jpeg);
  std::optional<std::string> avatar(bool group, std::uint32_t id);

 private:
  Database& db_;
};

}  // namespace kiv::server
