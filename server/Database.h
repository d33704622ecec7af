#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "server/Statement.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kiv::server {

// One SQLite connection in WAL mode with a cache of compiled statements.
// A connection belongs to one thread; the chat port, the web port and every
// admin command each open their own on the same file, and SQLite's locking
// (with a busy time-out) keeps them consistent.
class Database {
 public:
  // Opens (creating when needed) the file; ":memory:" gives a private
  // in-memory database. Returns nullptr and fills `error` on failure.
  static std::unique_ptr<Database> open(const std::string& path, std::string* error);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs one or more statements without parameters; true on success.
  bool exec(const char* sql);
  // A compiled statement for `sql` (cached by its text). An invalid SQL text
  // gives an invalid Statement whose steps fail.
  Statement prepare(const char* sql);

  // True while a transaction is open on this connection.
  bool inTransaction() const;
  std::int64_t lastInsertId() const;
  int changes() const;
  std::string lastError() const;

 private:
  explicit Database(sqlite3* handle) : handle_(handle) {}
  sqlite3* handle_;
  std::map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace kiv::server
