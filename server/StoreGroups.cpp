#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/Store.h"

namespace kiv::server {

namespace {

const char kGroupColumns[] =
    "SELECT group_id, name, category, introduction, type, owner, created, dismissed FROM chat_groups ";

Group readGroup(const Statement& row) {
  Group g;
  g.groupId = static_cast<std::uint32_t>(row.integer(0));
  g.name = row.bytes(1);
  g.category = row.bytes(2);
  g.introduction = row.bytes(3);
  g.type = static_cast<std::uint8_t>(row.integer(4));
  g.owner = static_cast<std::uint32_t>(row.integer(5));
  g.created = row.bytes(6);
  g.dismissed = row.integer(7) != 0;
  return g;
}

}  // namespace

// ---- groups ----

std::uint32_t Store::createGroup(std::uint32_t owner, std::string_view name, std::string_view created) {
  auto tx = transaction();
  const std::uint32_t id = nextId("SELECT MAX(group_id) FROM chat_groups", kFirstGroupId);
  const bool added = db_->prepare(
                            "INSERT INTO chat_groups(group_id, name, category, introduction, type, owner, created) "
                            "VALUES(?, ?, ?, '', 1, ?, ?)")
                         .bind(1, id)
                         .bindBytes(2, name)
                         .bindBytes(3, gbk::fromUtf8("其他"))
                         .bind(4, owner)
                         .bindBytes(5, created)
                         .run() &&
                     addMember(id, owner);
  return added && tx.commit() ? id : 0;
}

std::optional<Group> Store::group(std::uint32_t groupId) {
  static const std::string sql = std::string(kGroupColumns) + "WHERE group_id = ?";
  auto row = db_->prepare(sql.c_str());
  row.bind(1, groupId);
  if (!row.step()) return std::nullopt;
  return readGroup(row);
}

bool Store::updateGroup(std::uint32_t groupId, std::string_view name, std::string_view category,
                        std::string_view introduction, std::uint8_t type) {
  return db_->prepare(
                "UPDATE chat_groups SET name = ?, category = ?, introduction = ?, type = ? "
                "WHERE group_id = ? AND dismissed = 0")
             .bindBytes(1, name)
             .bindBytes(2, category)
             .bindBytes(3, introduction)
             .bind(4, type)
             .bind(5, groupId)
             .run() &&
         db_->changes() == 1;
}

bool Store::dismissGroup(std::uint32_t groupId) {
  auto tx = transaction();
  bool ok = db_->prepare("UPDATE chat_groups SET dismissed = 1 WHERE group_id = ? AND dismissed = 0")
                .bind(1, groupId)
                .run() &&
            db_->changes() == 1;
  ok = ok && db_->prepare("DELETE FROM members WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_->prepare("DELETE FROM invitations WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_->prepare("DELETE FROM join_requests WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_->prepare("DELETE FROM messages WHERE kind = 2 AND conversation = ?").bind(1, groupId).run();
  ok = ok && db_->prepare("DELETE FROM avatars WHERE is_group = 1 AND id = ?").bind(1, groupId).run();
  return ok && tx.commit();
}

std::vector<Group> Store::groups() {
  std::vector<Group> out;
  static const std::string sql = std::string(kGroupColumns) + "ORDER BY group_id";
  auto row = db_->prepare(sql.c_str());
  while (row.step()) out.push_back(readGroup(row));
  return out;
}

std::vector<Membership> Store::memberships(std::uint32_t userId) {
  std::vector<Membership> out;
  auto row = db_->prepare(
      "SELECT g.group_id, g.name, g.owner, m.shielded FROM members m JOIN chat_groups g ON g.group_id = m.group_id "
      "WHERE m.user_id = ? AND g.dismissed = 0 ORDER BY g.group_id");
  row.bind(1, userId);
  while (row.step()) {
    out.push_back({static_cast<std::uint32_t>(row.integer(0)), row.bytes(1),
                   static_cast<std::uint32_t>(row.integer(2)) == userId, row.integer(3) != 0});
  }
  return out;
}

std::size_t Store::groupCount(std::uint32_t userId) {
  return count(
      "SELECT COUNT(*) FROM members m JOIN chat_groups g ON g.group_id = m.group_id "
      "WHERE m.user_id = ? AND g.dismissed = 0",
      userId);
}

std::size_t Store::ownedGroupCount(std::uint32_t userId) {
  return count("SELECT COUNT(*) FROM chat_groups WHERE owner = ? AND dismissed = 0", userId);
}

std::vector<Member> Store::members(std::uint32_t groupId) {
  std::vector<Member> out;
  auto row = db_->prepare(
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

bool Store::isMember(std::uint32_t groupId, std::uint32_t userId) {
  return hasRow("SELECT 1 FROM members WHERE group_id = ? AND user_id = ?", groupId, userId);
}

std::size_t Store::memberCount(std::uint32_t groupId) {
  return count("SELECT COUNT(*) FROM members WHERE group_id = ?", groupId);
}

bool Store::addMember(std::uint32_t groupId, std::uint32_t userId) {
  return runPair("INSERT OR IGNORE INTO members(group_id, user_id) VALUES(?, ?)", groupId, userId);
}

bool Store::removeMember(std::uint32_t groupId, std::uint32_t userId) {
  return runPair("DELETE FROM members WHERE group_id = ? AND user_id = ?", groupId, userId) && db_->changes() == 1;
}

bool Store::setShielded(std::uint32_t groupId, std::uint32_t userId, bool shielded) {
  return db_->prepare("UPDATE members SET shielded = ? WHERE group_id = ? AND user_id = ?")
             .bind(1, shielded)
             .bind(2, groupId)
             .bind(3, userId)
             .run() &&
         db_->changes() == 1;
}

bool Store::addInvitation(std::uint32_t groupId, std::uint32_t userId) {
  return runPair("INSERT OR IGNORE INTO invitations(group_id, user_id) VALUES(?, ?)", groupId, userId);
}

bool Store::hasInvitation(std::uint32_t groupId, std::uint32_t userId) {
  return hasRow("SELECT 1 FROM invitations WHERE group_id = ? AND user_id = ?", groupId, userId);
}

bool Store::addJoinRequest(std::uint32_t groupId, std::uint32_t userId) {
  return runPair("INSERT OR IGNORE INTO join_requests(group_id, user_id) VALUES(?, ?)", groupId, userId);
}

bool Store::hasJoinRequest(std::uint32_t groupId, std::uint32_t userId) {
  return hasRow("SELECT 1 FROM join_requests WHERE group_id = ? AND user_id = ?", groupId, userId);
}

void Store::clearPending(std::uint32_t groupId, std::uint32_t userId) {
  runPair("DELETE FROM invitations WHERE group_id = ? AND user_id = ?", groupId, userId);
  runPair("DELETE FROM join_requests WHERE group_id = ? AND user_id = ?", groupId, userId);
}

}  // namespace kiv::server
