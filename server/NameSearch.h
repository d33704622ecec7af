#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// Search. Names match where `text` occurs at a character boundary (ASCII
// letters case-insensitively); an empty text matches every name. Results are
// ordered by number; cancelled accounts and dismissed groups are left out.
class NameSearch {
 public:
  explicit NameSearch(Database& db) : db_(db) {}

  std::vector<NamedId> searchUsers(std::string_view text, std::size_t offset, std::size_t limit);
  std::vector<NamedId> searchGroups(std::string_view text, std::size_t offset, std::size_t limit);

 private:
  std::vector<NamedId> searchNames(const char* sql, std::string_view text, std::size_t offset, std::size_t limit);
  Database& db_;
};

// True when `needle` occurs in `haystack` starting at a character boundary of
// the GBK text (ASCII letters compared case-insensitively).
bool containsGbk(std::string_view haystack, std::string_view needle);

}  // namespace kiv::server
