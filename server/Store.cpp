#include "server/Store.h"

#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/StoreSchema.h"

namespace kiv::server {

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
  // One transaction: two processes opening a new file at once do not both
  // count what waits.
  auto tx = transaction();
  if (!db_->exec(kSchema)) return false;
  std::int64_t found = 0;
  {
    auto version = db_->prepare("PRAGMA user_version");
    if (version.step()) found = version.integer(0);
  }
  if (found < kSchemaVersion) {
    const std::string setVersion = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
    if (!db_->exec(kCountWaiting) || !db_->exec(setVersion.c_str())) return false;
  }
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
      .run() &&
         tx.commit();
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

}  // namespace kiv::server
