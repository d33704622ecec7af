#include "server/AccountStore.h"

#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/StoreRows.h"
#include "server/Transaction.h"

namespace kiv::server {

namespace {

// Serialises the choice of a new UserId between connections.
constexpr std::int64_t kAccountIdLock = 0x6b69760001;

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

std::optional<Account> AccountStore::account(std::uint32_t userId) {
  static const std::string sql = std::string(kAccountColumns) + "WHERE user_id = ?";
  auto row = db_.prepare(sql.c_str());
  row.bind(1, userId);
  if (!row.step()) return std::nullopt;
  return readAccount(row);
}

std::optional<Account> AccountStore::accountByPhone(std::string_view phone) {
  static const std::string sql = std::string(kAccountColumns) + "WHERE phone = ?";
  auto row = db_.prepare(sql.c_str());
  row.bindBytes(1, phone);
  if (!row.step()) return std::nullopt;
  return readAccount(row);
}

std::uint32_t AccountStore::addAccount(std::string_view phone, std::string_view password, std::string_view nickname) {
  Transaction tx(db_);
  const std::uint32_t id = rows::nextId(db_, "SELECT MAX(user_id) FROM users", kFirstUserId, kAccountIdLock);
  const bool added = db_.prepare(
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

bool AccountStore::updateProfile(std::uint32_t userId, std::string_view nickname, std::string_view sex,
                          std::string_view introduction, std::string_view birthday) {
  return db_.prepare("UPDATE users SET nickname = ?, sex = ?, introduction = ?, birthday = ? WHERE user_id = ?")
             .bindBytes(1, nickname)
             .bindBytes(2, sex)
             .bindBytes(3, introduction)
             .bindBytes(4, birthday)
             .bind(5, userId)
             .run() &&
         db_.changes() == 1;
}

bool AccountStore::setExtras(std::uint32_t userId, std::int32_t points, std::string_view city) {
  return db_.prepare("UPDATE users SET points = ?, city = ? WHERE user_id = ?")
             .bind(1, points)
             .bindBytes(2, city)
             .bind(3, userId)
             .run() &&
         db_.changes() == 1;
}

bool AccountStore::setPassword(std::uint32_t userId, std::string_view password) {
  return db_.prepare("UPDATE users SET password = ? WHERE user_id = ?").bindBytes(1, password).bind(2, userId).run() &&
         db_.changes() == 1;
}

bool AccountStore::setCancelled(std::uint32_t userId, bool cancelled) {
  return db_.prepare("UPDATE users SET cancelled = ? WHERE user_id = ?").bind(1, cancelled).bind(2, userId).run() &&
         db_.changes() == 1;
}

std::vector<Account> AccountStore::all() {
  static const std::string sql = std::string(kAccountColumns) + "ORDER BY user_id";
  std::vector<Account> out;
  auto row = db_.prepare(sql.c_str());
  while (row.step()) out.push_back(readAccount(row));
  return out;
}

std::vector<std::uint32_t> AccountStore::cancelled() {
  std::vector<std::uint32_t> out;
  auto row = db_.prepare("SELECT user_id FROM users WHERE cancelled = 1");
  while (row.step()) out.push_back(static_cast<std::uint32_t>(row.integer(0)));
  return out;
}

}  // namespace kiv::server
