#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "server/Statement.h"

namespace kiv::server {

// One connection to the server's database, used by one thread. SQL is written
// once for both back ends: `?` parameters, ON CONFLICT for upserts, RETURNING;
// where the two differ, the caller asks backend().
class Database {
 public:
  enum class Backend { kSqlite, kPostgres };

  // A PostgreSQL connection for a postgresql:// or postgres:// URL, else the
  // SQLite file at `location` (":memory:" gives a private in-memory one).
  // nullptr and `error` when it cannot be had.
  static std::unique_ptr<Database> open(const std::string& location, std::string* error);
  static bool isPostgresUrl(const std::string& location);
  // `location` for the log: a URL's password left out.
  static std::string describe(const std::string& location);

  virtual ~Database() = default;

  virtual Backend backend() const = 0;
  // Runs one or more statements without parameters; true on success.
  virtual bool exec(const char* sql) = 0;
  // A compiled statement for `sql` (cached by its text). An invalid SQL text
  // gives an invalid Statement whose steps fail.
  virtual Statement prepare(const char* sql) = 0;

  // Opens a transaction that holds the write lock from the start where the
  // back end has one, so a read-then-write is not raced.
  virtual bool begin() = 0;
  // True while a transaction is open on this connection.
  virtual bool inTransaction() const = 0;
  // Rows changed by the last statement.
  virtual int changes() const = 0;
  virtual std::string lastError() const = 0;

  // Makes other connections that ask for the same `key` wait until this
  // transaction ends (taking the next number of a table, say). A no-op where
  // begin() already serialises writers.
  virtual bool serialise(std::int64_t key) = 0;
  // A number that changes whenever another connection may have changed the
  // data (always, where that cannot be known cheaply).
  virtual std::int64_t dataVersion() = 0;

  // The schema version kept in the database, -1 when it cannot be read.
  virtual std::int64_t schemaVersion() = 0;
  virtual bool setSchemaVersion(std::int64_t version) = 0;

 protected:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
};

}  // namespace kiv::server
