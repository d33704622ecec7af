#include "server/Transaction.h"

#include "server/Database.h"

namespace kiv::server {

Transaction::Transaction(Database& db)
    : db_(db), nested_(db.inTransaction()), active_(nested_ ? db.exec("SAVEPOINT nested") : db.begin()) {}

Transaction::~Transaction() {
  if (!active_) return;
  if (nested_) {
    db_.exec("ROLLBACK TO nested");
    db_.exec("RELEASE nested");
  } else {
    db_.exec("ROLLBACK");
  }
}

bool Transaction::commit() {
  if (!active_) return false;
  active_ = false;
  if (nested_) return db_.exec("RELEASE nested");
  if (db_.exec("COMMIT")) return true;
  db_.exec("ROLLBACK");
  return false;
}

}  // namespace kiv::server
