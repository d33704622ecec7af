#pragma once

#include <map>
#include <memory>
#include <string>

#include "server/Database.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kiv::server {

// One SQLite connection in WAL mode with a cache of compiled statements. The
// chat port, the web port and every admin command each open their own on the
// same file, and SQLite's locking (with a busy time-out) keeps them
// consistent.
class SqliteDatabase final : public Database {
 public:
  static std::unique_ptr<SqliteDatabase> open(const std::string& path, std::string* error);
  ~SqliteDatabase() override;

  Backend backend() const override { return Backend::kSqlite; }
  bool exec(const char* sql) override;
  Statement prepare(const char* sql) override;
  bool begin() override { return exec("BEGIN IMMEDIATE"); }
  bool inTransaction() const override;
  int changes() const override;
  std::string lastError() const override;
  bool serialise(std::int64_t) override { return true; }
  std::int64_t dataVersion() override;
  std::int64_t schemaVersion() override;
  bool setSchemaVersion(std::int64_t version) override;

 private:
  explicit SqliteDatabase(sqlite3* handle) : handle_(handle) {}
  sqlite3* handle_;
  std::map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace kiv::server
