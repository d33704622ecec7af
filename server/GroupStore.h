#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// The groups themselves. A dismissed group keeps its row (and so its GroupId)
// but has no members, pending requests, waiting messages or avatar any more.
class GroupStore {
 public:
  explicit GroupStore(Database& db) : db_(db) {}

  // The new GroupId with `owner` as its first member, or 0.
  std::uint32_t createGroup(std::uint32_t owner, std::string_view name, std::string_view created);
  std::optional<Group> group(std::uint32_t groupId);
  bool updateGroup(std::uint32_t groupId, std::string_view name, std::string_view category,
                   std::string_view introduction, std::uint8_t type);
  bool dismissGroup(std::uint32_t groupId);
  std::vector<Group> all();
  std::size_t ownedGroupCount(std::uint32_t userId);

 private:
  Database& db_;
};

}  // namespace kiv::server
