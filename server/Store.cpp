#include "server/Store.h"

#include "platform/Gbk.h"
#include "server/ServerLimits.h"
#include "server/StoreSchema.h"

namespace kiv::server {

Store::Store(std::unique_ptr<Database> db)
    : db_(std::move(db)),
      accounts_(*db_),
      friends_(*db_),
      groups_(*db_),
      members_(*db_),
      waiting_(*db_),
      answers_(*db_),
      search_(*db_),
      avatars_(*db_) {}

std::unique_ptr<Store> Store::open(const std::string& location, std::string* error) {
  auto db = Database::open(location, error);
  if (!db) return nullptr;
  if (!migrateSchema(*db, error)) return nullptr;
  std::unique_ptr<Store> store(new Store(std::move(db)));
  if (!store->addServiceAccount()) {
    if (error) *error = store->db_->lastError();
    return nullptr;
  }
  return store;
}

bool Store::addServiceAccount() {
  // The customer-service account exists everywhere; it cannot sign in until
  // somebody gives it a password (seed-demo does).
  return db_
      ->prepare(
          "INSERT INTO users(user_id, phone, password, nickname, sex, introduction, city, birthday) "
          "VALUES(?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING")
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

}  // namespace kiv::server
