#include "server/Store.h"

#include <cctype>

#include "net/Packet.h"
#include "platform/Gbk.h"
#include "server/ServerLimits.h"

namespace kiv::server {

namespace {

const char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS users(
  user_id INTEGER PRIMARY KEY,
  phone BLOB NOT NULL UNIQUE,
  password BLOB NOT NULL,
  nickname BLOB NOT NULL,
  sex BLOB NOT NULL,
  introduction BLOB NOT NULL,
  points INTEGER NOT NULL DEFAULT 0,
  city BLOB NOT NULL,
  birthday BLOB NOT NULL,
  cancelled INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS friends(
  owner INTEGER NOT NULL,
  friend INTEGER NOT NULL,
  PRIMARY KEY(owner, friend)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS chat_groups(
  group_id INTEGER PRIMARY KEY,
  name BLOB NOT NULL,
  category BLOB NOT NULL,
  introduction BLOB NOT NULL,
  type INTEGER NOT NULL DEFAULT 1,
  owner INTEGER NOT NULL,
  created BLOB NOT NULL,
  dismissed INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS members(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  shielded INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(group_id, user_id));
CREATE INDEX IF NOT EXISTS members_by_user ON members(user_id);
CREATE TABLE IF NOT EXISTS messages(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  recipient INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  conversation INTEGER NOT NULL,
  sender INTEGER NOT NULL,
  text BLOB NOT NULL,
  time BLOB NOT NULL);
CREATE INDEX IF NOT EXISTS messages_by_conversation ON messages(recipient, kind, conversation, id);
CREATE TABLE IF NOT EXISTS invitations(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  PRIMARY KEY(group_id, user_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS join_requests(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  PRIMARY KEY(group_id, user_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS avatars(
  is_group INTEGER NOT NULL,
  id INTEGER NOT NULL,
  jpeg BLOB NOT NULL,
  PRIMARY KEY(is_group, id));
CREATE TABLE IF NOT EXISTS given_answers(
  user_id INTEGER NOT NULL,
  header BLOB NOT NULL,
  at INTEGER NOT NULL,
  request BLOB NOT NULL,
  answer BLOB NOT NULL,
  PRIMARY KEY(user_id, header));
CREATE INDEX IF NOT EXISTS given_answers_by_age ON given_answers(at);
)sql";

const char kAccountColumns[] =
    "SELECT user_id, phone, password, nickname, sex, introduction, points, city, birthday, cancelled FROM users ";

const char kGroupColumns[] =
    "SELECT group_id, name, category, introduction, type, owner, created, dismissed FROM chat_groups ";

Account readAccount(const Statement& row) {
  Account a;
  a.userId = static_cast<std::uint32_t>(row.integer(0));
  a.phone = row.bytes(1);
  a.password = row.bytes(2);
  a.nickname = row.bytes(3);
  a.sex = row.bytes(4);
  a.introduction = row.bytes(5);
  a.points = static_cast<std::int32_t>(row.integer(6));
  a.city = row.bytes(7);
  a.birthday = row.bytes(8);
  a.cancelled = row.integer(9) != 0;
  return a;
}

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

unsigned char foldAscii(unsigned char c) {
  return c < 0x80 ? static_cast<unsigned char>(std::tolower(c)) : c;
}

bool matchesAt(std::string_view haystack, std::size_t at, std::string_view needle) {
  if (haystack.size() - at < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (foldAscii(static_cast<unsigned char>(haystack[at + i])) != foldAscii(static_cast<unsigned char>(needle[i])))
      return false;
  }
  return true;
}

}  // namespace

bool containsGbk(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  std::size_t at = 0;
  while (at < haystack.size()) {
    if (matchesAt(haystack, at, needle)) return true;
    // Step over a whole character so that a match never starts on the second
    // byte of a two-byte character.
    const unsigned char lead = static_cast<unsigned char>(haystack[at]);
    at += (lead >= 0x81 && lead <= 0xFE && at + 1 < haystack.size()) ? 2 : 1;
  }
  return false;
}

std::unique_ptr<Store> Store::open(const std::string& path, std::string* error) {
  auto db = Database::open(path, error);
  if (!db) return nullptr;
  std::unique_ptr<Store> store(new Store(std::move(db)));
  if (!store->createSchema()) {
    if (error) *error = store->db_->lastError();
    return nullptr;
  }
  return store;
}

bool Store::createSchema() {
  if (!db_->exec(kSchema)) return false;
  // The customer-service account exists everywhere; it cannot sign in until
  // somebody gives it a password (seed-demo does).
  return db_
      ->prepare(
          "INSERT OR IGNORE INTO users(user_id, phone, password, nickname, sex, introduction, city, birthday) "
          "VALUES(?, ?, ?, ?, ?, ?, ?, ?)")
      .bind(1, kServiceUserId)
      .bindBytes(2, kServicePhone)
      .bindBytes(3, "")
      .bindBytes(4, gbk::fromUtf8("木棉客服"))
      .bindBytes(5, gbk::fromUtf8("保密"))
      .bindBytes(6, gbk::fromUtf8("有问题请找木棉客服"))
      .bindBytes(7, "")
      .bindBytes(8, "")
      .run();
}

std::uint32_t Store::nextId(const char* maxSql, std::uint32_t first) {
  auto statement = db_->prepare(maxSql);
  std::int64_t next = first;
  if (statement.step()) next = std::max<std::int64_t>(next, statement.integer(0) + 1);
  return static_cast<std::uint32_t>(next);
}

bool Store::hasRow(const char* sql, std::int64_t a, std::int64_t b) {
  auto row = db_->prepare(sql);
  row.bind(1, a).bind(2, b);
  return row.step();
}

std::size_t Store::count(const char* sql, std::int64_t a) {
  auto row = db_->prepare(sql);
  row.bind(1, a);
  return row.step() ? static_cast<std::size_t>(row.integer(0)) : 0;
}

bool Store::runPair(const char* sql, std::int64_t a, std::int64_t b) {
  return db_->prepare(sql).bind(1, a).bind(2, b).run();
}

// ---- accounts ----

std::optional<Account> Store::account(std::uint32_t userId) {
  static const std::string sql = std::string(kAccountColumns) + "WHERE user_id = ?";
  auto row = db_->prepare(sql.c_str());
  row.bind(1, userId);
  if (!row.step()) return std::nullopt;
  return readAccount(row);
}

std::optional<Account> Store::accountByPhone(std::string_view phone) {
  static const std::string sql = std::string(kAccountColumns) + "WHERE phone = ?";
  auto row = db_->prepare(sql.c_str());
  row.bindBytes(1, phone);
  if (!row.step()) return std::nullopt;
  return readAccount(row);
}

std::uint32_t Store::addAccount(std::string_view phone, std::string_view password, std::string_view nickname) {
  auto tx = transaction();
  const std::uint32_t id = nextId("SELECT MAX(user_id) FROM users", kFirstUserId);
  const bool added = db_->prepare(
                            "INSERT INTO users(user_id, phone, password, nickname, sex, introduction, city, birthday) "
                            "VALUES(?, ?, ?, ?, ?, '', '', '')")
                         .bind(1, id)
                         .bindBytes(2, phone)
                         .bindBytes(3, password)
                         .bindBytes(4, nickname)
                         .bindBytes(5, gbk::fromUtf8("保密"))
                         .run();
  return added && tx.commit() ? id : 0;
}

bool Store::updateProfile(std::uint32_t userId, std::string_view nickname, std::string_view sex,
                          std::string_view introduction, std::string_view birthday) {
  return db_->prepare("UPDATE users SET nickname = ?, sex = ?, introduction = ?, birthday = ? WHERE user_id = ?")
             .bindBytes(1, nickname)
             .bindBytes(2, sex)
             .bindBytes(3, introduction)
             .bindBytes(4, birthday)
             .bind(5, userId)
             .run() &&
         db_->changes() == 1;
}

bool Store::setExtras(std::uint32_t userId, std::int32_t points, std::string_view city) {
  return db_->prepare("UPDATE users SET points = ?, city = ? WHERE user_id = ?")
             .bind(1, points)
             .bindBytes(2, city)
             .bind(3, userId)
             .run() &&
         db_->changes() == 1;
}

bool Store::setPassword(std::uint32_t userId, std::string_view password) {
  return db_->prepare("UPDATE users SET password = ? WHERE user_id = ?").bindBytes(1, password).bind(2, userId).run() &&
         db_->changes() == 1;
}

bool Store::setCancelled(std::uint32_t userId, bool cancelled) {
  return db_->prepare("UPDATE users SET cancelled = ? WHERE user_id = ?").bind(1, cancelled).bind(2, userId).run() &&
         db_->changes() == 1;
}

std::vector<Account> Store::accounts() {
  static const std::string sql = std::string(kAccountColumns) + "ORDER BY user_id";
  std::vector<Account> out;
  auto row = db_->prepare(sql.c_str());
  while (row.step()) out.push_back(readAccount(row));
  return out;
}

// ---- friends ----

std::vector<NamedId> Store::friends(std::uint32_t userId) {
  std::vector<NamedId> out;
  auto row = db_->prepare(
      "SELECT u.user_id, u.nickname FROM friends f JOIN users u ON u.user_id = f.friend "
      "WHERE f.owner = ? ORDER BY u.user_id");
  row.bind(1, userId);
  while (row.step()) out.push_back({static_cast<std::uint32_t>(row.integer(0)), row.bytes(1)});
  return out;
}

bool Store::isFriend(std::uint32_t userId, std::uint32_t friendId) {
  return hasRow("SELECT 1 FROM friends WHERE owner = ? AND friend = ?", userId, friendId);
}

std::size_t Store::friendCount(std::uint32_t userId) {
  return count("SELECT COUNT(*) FROM friends WHERE owner = ?", userId);
}

bool Store::addFriend(std::uint32_t userId, std::uint32_t friendId) {
  return runPair("INSERT OR IGNORE INTO friends(owner, friend) VALUES(?, ?)", userId, friendId);
}

bool Store::removeFriend(std::uint32_t userId, std::uint32_t friendId) {
  return runPair("DELETE FROM friends WHERE owner = ? AND friend = ?", userId, friendId) && db_->changes() == 1;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> Store::friendships() {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
  auto row = db_->prepare("SELECT owner, friend FROM friends ORDER BY owner, friend");
  while (row.step())
    out.emplace_back(static_cast<std::uint32_t>(row.integer(0)), static_cast<std::uint32_t>(row.integer(1)));
  return out;
}

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

// ---- messages ----

bool Store::queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                         std::uint32_t sender, std::string_view text, std::string_view time) {
  return db_
      ->prepare("INSERT INTO messages(recipient, kind, conversation, sender, text, time) VALUES(?, ?, ?, ?, ?, ?)")
      .bind(1, recipient)
      .bind(2, static_cast<int>(kind))
      .bind(3, conversation)
      .bind(4, sender)
      .bindBytes(5, text)
      .bindBytes(6, time)
      .run();
}

std::vector<WaitingConversation> Store::waitingConversations(std::uint32_t recipient, std::size_t limit) {
  std::vector<WaitingConversation> out;
  auto row = db_->prepare(
      "SELECT kind, conversation, COUNT(*), MIN(id) AS first FROM messages WHERE recipient = ? "
      "GROUP BY kind, conversation ORDER BY first LIMIT ?");
  row.bind(1, recipient).bind(2, static_cast<std::int64_t>(limit));
  while (row.step()) {
    out.push_back({row.integer(0) == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate,
                   static_cast<std::uint32_t>(row.integer(1)), static_cast<std::size_t>(row.integer(2))});
  }
  return out;
}

std::vector<WaitingMessage> Store::takeMessages(std::uint32_t recipient, ConversationKind kind,
                                                std::uint32_t conversation, std::size_t limit) {
  std::vector<WaitingMessage> out;
  auto tx = transaction();
  std::int64_t last = -1;
  {
    auto row = db_->prepare(
        "SELECT id, sender, text, time FROM messages WHERE recipient = ? AND kind = ? AND conversation = ? "
        "ORDER BY id LIMIT ?");
    row.bind(1, recipient)
        .bind(2, static_cast<int>(kind))
        .bind(3, conversation)
        .bind(4, static_cast<std::int64_t>(limit));
    while (row.step()) {
      last = row.integer(0);
      out.push_back({static_cast<std::uint32_t>(row.integer(1)), row.bytes(2), row.bytes(3)});
    }
  }
  if (last >= 0) {
    const bool removed =
        db_->prepare("DELETE FROM messages WHERE recipient = ? AND kind = ? AND conversation = ? AND id <= ?")
            .bind(1, recipient)
            .bind(2, static_cast<int>(kind))
            .bind(3, conversation)
            .bind(4, last)
            .run();
    // Handing out messages that stay queued would deliver them twice.
    if (!removed || !tx.commit()) return {};
  }
  return out;
}

std::vector<Store::QueuedMessage> Store::allWaiting() {
  std::vector<QueuedMessage> out;
  auto row = db_->prepare("SELECT recipient, kind, conversation, sender, text, time FROM messages ORDER BY id");
  while (row.step()) {
    QueuedMessage m;
    m.recipient = static_cast<std::uint32_t>(row.integer(0));
    m.kind = row.integer(1) == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate;
    m.conversation = static_cast<std::uint32_t>(row.integer(2));
    m.message = {static_cast<std::uint32_t>(row.integer(3)), row.bytes(4), row.bytes(5)};
    out.push_back(std::move(m));
  }
  return out;
}

// ---- search ----

std::vector<NamedId> Store::searchNames(const char* sql, std::string_view text, std::size_t offset, std::size_t limit) {
  std::vector<NamedId> out;
  std::size_t skipped = 0;
  auto row = db_->prepare(sql);
  while (out.size() < limit && row.step()) {
    std::string name = row.bytes(1);
    if (!containsGbk(name, text)) continue;
    if (skipped < offset) {
      ++skipped;
      continue;
    }
    out.push_back({static_cast<std::uint32_t>(row.integer(0)), std::move(name)});
  }
  return out;
}

std::vector<NamedId> Store::searchUsers(std::string_view text, std::size_t offset, std::size_t limit) {
  return searchNames("SELECT user_id, nickname FROM users WHERE cancelled = 0 ORDER BY user_id", text, offset, limit);
}

std::vector<NamedId> Store::searchGroups(std::string_view text, std::size_t offset, std::size_t limit) {
  return searchNames("SELECT group_id, name FROM chat_groups WHERE dismissed = 0 ORDER BY group_id", text, offset,
                     limit);
}

// ---- answers given ----

namespace {

// Command, account, time stamp and sequence: what tells requests apart.
std::string_view headerOf(std::string_view request) {
  return request.size() >= kHeaderSize ? request.substr(4, kHeaderSize - 4) : request;
}

}  // namespace

std::optional<std::string> Store::givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now) {
  auto row = db_->prepare("SELECT request, answer FROM given_answers WHERE user_id = ? AND header = ? AND at >= ?");
  row.bind(1, userId).bindBytes(2, headerOf(request)).bind(3, now - kAnswerKeptSeconds);
  if (!row.step() || row.bytes(0) != request) return std::nullopt;
  return row.bytes(1);
}

bool Store::rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer,
                           std::int64_t now) {
  // Old answers go once a minute, not with every request.
  if (now - lastPrune_ >= 60) {
    db_->prepare("DELETE FROM given_answers WHERE at < ?").bind(1, now - kAnswerKeptSeconds).run();
    lastPrune_ = now;
  }
  return db_->prepare("INSERT OR REPLACE INTO given_answers(user_id, header, at, request, answer) VALUES(?, ?, ?, ?, ?)")
      .bind(1, userId)
      .bindBytes(2, headerOf(request))
      .bind(3, now)
      .bindBytes(4, request)
      .bindBytes(5, answer)
      .run();
}

// ---- avatars ----

bool Store::putAvatar(bool group, std::uint32_t id, std::string_view jpeg) {
  return db_->prepare("INSERT OR REPLACE INTO avatars(is_group, id, jpeg) VALUES(?, ?, ?)")
      .bind(1, group)
      .bind(2, id)
      .bindBytes(3, jpeg)
      .run();
}

std::optional<std::string> Store::avatar(bool group, std::uint32_t id) {
  auto row = db_->prepare("SELECT jpeg FROM avatars WHERE is_group = ? AND id = ?");
  row.bind(1, group).bind(2, id);
  if (!row.step()) return std::nullopt;
  return row.bytes(0);
}

}  // namespace kiv::server
