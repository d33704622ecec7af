#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/AccountStore.h"
#include "server/AnswerStore.h"
#include "server/AvatarStore.h"
#include "server/Database.h"
#include "server/FriendStore.h"
#include "server/GroupStore.h"
#include "server/MemberStore.h"
#include "server/NameSearch.h"
#include "server/StoreTypes.h"
#include "server/Transaction.h"
#include "server/WaitingStore.h"

namespace kiv::server {

// Everything the server keeps, in one database (an SQLite file, or
// PostgreSQL shared by several server processes): accounts, friends, groups
// and their members, waiting messages, pending invitations and join
// requests, avatars, answers kept for repeats. Nothing is cached: every call
// reads or writes the database, so a change made by an admin command or by
// another server process is seen at the next request. One Store (one
// connection) per thread.
//
// Each part has a class of its own, reached through the accessors below.
class Store {
 public:
  // Opens the database (Database::open), brings its tables to this
  // program's version and adds the customer-service account when missing.
  // nullptr (and `error`) when the database cannot be used.
  static std::unique_ptr<Store> open(const std::string& location, std::string* error);

  // Groups several calls into one atomic change.
  Transaction transaction() { return Transaction(*db_); }
  Database& database() { return *db_; }
  // A number that changes whenever another connection may have changed the data.
  std::int64_t dataVersion() { return db_->dataVersion(); }

  AccountStore& accounts() { return accounts_; }
  FriendStore& friends() { return friends_; }
  GroupStore& groups() { return groups_; }
  MemberStore& members() { return members_; }
  WaitingStore& waiting() { return waiting_; }
  AnswerStore& answers() { return answers_; }
  NameSearch& search() { return search_; }
  AvatarStore& avatars() { return avatars_; }

 private:
  explicit Store(std::unique_ptr<Database> db);
  bool addServiceAccount();

  std::unique_ptr<Database> db_;
  AccountStore accounts_;
  FriendStore friends_;
  GroupStore groups_;
  MemberStore members_;
  WaitingStore waiting_;
  AnswerStore answers_;
  NameSearch search_;
  AvatarStore avatars_;
};

}  // namespace kiv::server
