#include <algorithm>

#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/Store.h"

namespace kiv::server {

namespace {

const char kAccountColumns[] =
    "SELECT user_id, phone, password, nickname, sex, introduction, points, city, birthday, cancelled FROM users ";

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

}  // namespace

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

std::vector<std::uint32_t> Store::cancelledAccounts() {
  std::vector<std::uint32_t> out;
  auto row = db_->prepare("SELECT user_id FROM users WHERE cancelled = 1");
  while (row.step()) out.push_back(static_cast<std::uint32_t>(row.integer(0)));
  return out;
}

std::int64_t Store::dataVersion() {
  auto row = db_->prepare("PRAGMA data_version");
  return row.step() ? row.integer(0) : 0;
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

}  // namespace kiv::server
