#include "server/MemberStore.h"

#include "server/StoreRows.h"

namespace kiv::server {

std::vector<Membership> MemberStore::memberships(std::uint32_t userId) {
  std::vector<Membership> out;
  auto row = db_.prepare(
      "SELECT g.group_id, g.name, g.owner, m.shielded FROM members m JOIN chat_groups g ON g.group_id = m.group_id "
      "WHERE m.user_id = ? AND g.dismissed = 0 ORDER BY g.group_id");
  row.bind(1, userId);
  while (row.step()) {
    out.push_back({static_cast<std::uint32_t>(row.integer(0)), row.bytes(1),
                   static_cast<std::uint32_t>(row.integer(2)) == userId, row.integer(3) != 0});
  }
  return out;
}

std::size_t MemberStore::groupCount(std::uint32_t userId) {
  return rows::count(db_, 
      "SELECT COUNT(*) FROM members m JOIN chat_groups g ON g.group_id = m.group_id "
      "WHERE m.user_id = ? AND g.dismissed = 0",
      userId);
}

std::vector<Member> MemberStore::members(std::uint32_t groupId) {
  std::vector<Member> out;
  auto row = db_.prepare(
      "SELECT u.user_id, u.nickname, g.owner, m.shielded FROM members m "
      "JOIN users u ON u.user_id = m.user_id JOIN chat_groups g ON g.group_id = m.group_id "
      "WHERE m.group_id = ? ORDER BY m.rowid");
  row.bind(1, groupId);
  while (row.step()) {
    const auto userId = static_cast<std::uint32_t>(row.integer(0));
    out.push_back({userId, row.bytes(1), static_cast<std::uint32_t>(row.integer(2)) == userId, row.integer(3) != 0});
  }
  return out;
}

bool MemberStore::isMember(std::uint32_t groupId, std::uint32_t userId) {
  return rows::exists(db_, "SELECT 1 FROM members WHERE group_id = ? AND user_id = ?", groupId, userId);
}

std::size_t MemberStore::memberCount(std::uint32_t groupId) {
  return rows::count(db_, "SELECT COUNT(*) FROM members WHERE group_id = ?", groupId);
}

bool MemberStore::addMember(std::uint32_t groupId, std::uint32_t userId) {
  return rows::runPair(db_, "INSERT INTO members(group_id, user_id) VALUES(?, ?) ON CONFLICT DO NOTHING", groupId, userId);
}

bool MemberStore::removeMember(std::uint32_t groupId, std::uint32_t userId) {
  return rows::runPair(db_, "DELETE FROM members WHERE group_id = ? AND user_id = ?", groupId, userId) && db_.changes() == 1;
}

bool MemberStore::setShielded(std::uint32_t groupId, std::uint32_t userId, bool shielded) {
  return db_.prepare("UPDATE members SET shielded = ? WHERE group_id = ? AND user_id = ?")
             .bind(1, shielded)
             .bind(2, groupId)
             .bind(3, userId)
             .run() &&
         db_.changes() == 1;
}

bool MemberStore::addInvitation(std::uint32_t groupId, std::uint32_t userId) {
  return rows::runPair(db_, "INSERT INTO invitations(group_id, user_id) VALUES(?, ?) ON CONFLICT DO NOTHING", groupId, userId);
}

bool MemberStore::hasInvitation(std::uint32_t groupId, std::uint32_t userId) {
  return rows::exists(db_, "SELECT 1 FROM invitations WHERE group_id = ? AND user_id = ?", groupId, userId);
}

bool MemberStore::addJoinRequest(std::uint32_t groupId, std::uint32_t userId) {
  return rows::runPair(db_, "INSERT INTO join_requests(group_id, user_id) VALUES(?, ?) ON CONFLICT DO NOTHING", groupId, userId);
}

bool MemberStore::hasJoinRequest(std::uint32_t groupId, std::uint32_t userId) {
  return rows::exists(db_, "SELECT 1 FROM join_requests WHERE group_id = ? AND user_id = ?", groupId, userId);
}

void MemberStore::clearPending(std::uint32_t groupId, std::uint32_t userId) {
  rows::runPair(db_, "DELETE FROM invitations WHERE group_id = ? AND user_id = ?", groupId, userId);
  rows::runPair(db_, "DELETE FROM join_requests WHERE group_id = ? AND user_id = ?", groupId, userId);
}

}  // namespace kiv::server
