#pragma once

#include <cstdint>
#include <vector>

#include "server/Request.h"
#include "server/ServerContext.h"

namespace kiv::server {

// Groups: the lists, profiles, creating, dismissing, leaving, removing
// members, shielding, and the two ways in (invitation and join request).
class GroupHandlers {
 public:
  explicit GroupHandlers(ServerContext& context) : context_(context) {}

  std::vector<std::uint8_t> groupList(const Request& request);
  // Only members see a group's members.
  std::vector<std::uint8_t> groupMembers(const Request& request);
  std::vector<std::uint8_t> groupInfo(const Request& request);
  // Owner only.
  std::vector<std::uint8_t> updateGroupInfo(const Request& request);
  std::vector<std::uint8_t> createGroup(const Request& request);
  std::vector<std::uint8_t> dismissGroup(const Request& request);
  // The owner cannot leave: it dismisses the group instead.
  std::vector<std::uint8_t> quitGroup(const Request& request);
  std::vector<std::uint8_t> removeMember(const Request& request);
  std::vector<std::uint8_t> shieldGroup(const Request& request);
  // By the owner: admits a user who asked to join, else invites the user
  // with a marked private message.
  std::vector<std::uint8_t> inviteToGroup(const Request& request);
  // Joins a group that invited the user, else asks its owner with a marked
  // group message.
  std::vector<std::uint8_t> joinGroup(const Request& request);

 private:
  std::vector<std::uint8_t> result(const Request& request, std::uint32_t command, std::uint8_t value) const;
  ServerContext& context_;
};

}  // namespace kiv::server
