#pragma once

namespace kiv::server {

class Database;

// BEGIN ... COMMIT around a change of several rows; rolled back when
// it goes out of scope uncommitted. SQLite takes the write lock up front, so
// a read-then-write (check a limit, then insert) is not raced by another
// process between the two. Opened inside another transaction it is a
// savepoint of that one: left uncommitted it undoes its own rows only, and
// what it commits is kept or dropped with the outer transaction.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool active() const { return active_; }
  bool commit();

 private:
  Database& db_;
  bool nested_;
  bool active_;
};

}  // namespace kiv::server
