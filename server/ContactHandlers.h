#pragma once

#include <cstdint>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// The friend list, adding and deleting friends, and the search for users and
// groups.
class ContactHandlers {
 public:
  explicit ContactHandlers(ServerContext& context) : context_(context) {}

  std::vector<std::uint8_t> friendList(const Request& request);
  // Adds to the asker's own list only; the other user is not asked.
  std::vector<std::uint8_t> addFriend(const Request& request);
  std::vector<std::uint8_t> deleteFriend(const Request& request);
  // Pages of ten hits, ordered by number.
  std::vector<std::uint8_t> search(const Request& request);

 private:
  ServerContext& context_;
};

}  // namespace kiv::server
