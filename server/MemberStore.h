#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// Who is in which group, and what waits to get in: an owner's invitation
// waiting for the user, and a user's request to join waiting for the owner.
class MemberStore {
 public:
  explicit MemberStore(Database& db) : db_(db) {}

  std::vector<Membership> memberships(std::uint32_t userId);
  std::size_t groupCount(std::uint32_t userId);
  // In the order they joined.
  std::vector<Member> members(std::uint32_t groupId);
  bool isMember(std::uint32_t groupId, std::uint32_t userId);
  std::size_t memberCount(std::uint32_t groupId);
  bool addMember(std::uint32_t groupId, std::uint32_t userId);
  bool removeMember(std::uint32_t groupId, std::uint32_t userId);
  bool setShielded(std::uint32_t groupId, std::uint32_t userId, bool shielded);

  bool addInvitation(std::uint32_t groupId, std::uint32_t userId);
  bool hasInvitation(std::uint32_t groupId, std::uint32_t userId);
  bool addJoinRequest(std::uint32_t groupId, std::uint32_t userId);
  bool hasJoinRequest(std::uint32_t groupId, std::uint32_t userId);
  // Drops both kinds for the pair (the user is in the group now).
  void clearPending(std::uint32_t groupId, std::uint32_t userId);

 private:
  Database& db_;
};

}  // namespace kiv::server
