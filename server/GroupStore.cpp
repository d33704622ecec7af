#include "server/GroupStore.h"

#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/StoreRows.h"
#include "server/Transaction.h"

namespace kiv::server {

namespace {

// Serialises the choice of a new GroupId between connections.
constexpr std::int64_t kGroupIdLock = 0x6b69760002;

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

std::uint32_t GroupStore::createGroup(std::uint32_t owner, std::string_view name, std::string_view created) {
  Transaction tx(db_);
  const std::uint32_t id = rows::nextId(db_, "SELECT MAX(group_id) FROM chat_groups", kFirstGroupId, kGroupIdLock);
  const bool added = db_.prepare(
                            "INSERT INTO chat_groups(group_id, name, category, introduction, type, owner, created) "
                            "VALUES(?, ?, ?, '', 1, ?, ?)")
                         .bind(1, id)
                         .bindBytes(2, name)
                         .bindBytes(3, gbk::fromUtf8("其他"))
                         .bind(4, owner)
                         .bindBytes(5, created)
                         .run() &&
                     rows::runPair(db_, "INSERT INTO members(group_id, user_id) VALUES(?, ?)", id, owner);
  return added && tx.commit() ? id : 0;
}

std::optional<Group> GroupStore::group(std::uint32_t groupId) {
  static const std::string sql = std::string(kGroupColumns) + "WHERE group_id = ?";
  auto row = db_.prepare(sql.c_str());
  row.bind(1, groupId);
  if (!row.step()) return std::nullopt;
  return readGroup(row);
}

bool GroupStore::updateGroup(std::uint32_t groupId, std::string_view name, std::string_view category,
                        std::string_view introduction, std::uint8_t type) {
  return db_.prepare(
                "UPDATE chat_groups SET name = ?, category = ?, introduction = ?, type = ? "
                "WHERE group_id = ? AND dismissed = 0")
             .bindBytes(1, name)
             .bindBytes(2, category)
             .bindBytes(3, introduction)
             .bind(4, type)
             .bind(5, groupId)
             .run() &&
         db_.changes() == 1;
}

bool GroupStore::dismissGroup(std::uint32_t groupId) {
  Transaction tx(db_);
  bool ok = db_.prepare("UPDATE chat_groups SET dismissed = 1 WHERE group_id = ? AND dismissed = 0")
                .bind(1, groupId)
                .run() &&
            db_.changes() == 1;
  ok = ok && db_.prepare("DELETE FROM members WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_.prepare("DELETE FROM invitations WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_.prepare("DELETE FROM join_requests WHERE group_id = ?").bind(1, groupId).run();
  ok = ok && db_.prepare("DELETE FROM messages WHERE kind = 2 AND conversation = ?").bind(1, groupId).run();
  ok = ok && db_.prepare("DELETE FROM avatars WHERE is_group = 1 AND id = ?").bind(1, groupId).run();
  return ok && tx.commit();
}

std::vector<Group> GroupStore::all() {
  std::vector<Group> out;
  static const std::string sql = std::string(kGroupColumns) + "ORDER BY group_id";
  auto row = db_.prepare(sql.c_str());
  while (row.step()) out.push_back(readGroup(row));
  return out;
}

std::size_t GroupStore::ownedGroupCount(std::uint32_t userId) {
  return rows::count(db_, "SELECT COUNT(*) FROM chat_groups WHERE owner = ? AND dismissed = 0", userId);
}

}  // namespace kiv::server
