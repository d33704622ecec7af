#pragma once

#include <map>
#include <memory>
#include <string>

#include "server/Database.h"

struct pg_conn;

namespace kiv::server {

// One PostgreSQL connection (libpq) with its prepared statements. Statements
// are written with SQLite's `?` parameters and numbered for PostgreSQL when
// prepared. Numbers travel as text, bytes as bytea in binary, and rows come
// back in binary, so GBK texts are never touched by an encoding. A broken
// connection is re-established at the next statement outside a transaction
// (the request that met the break fails; the client repeats it).
class PgDatabase final : public Database {
 public:
  static std::unique_ptr<PgDatabase> open(const std::string& url, std::string* error);
  ~PgDatabase() override;

  Backend backend() const override { return Backend::kPostgres; }
  bool exec(const char* sql) override;
  Statement prepare(const char* sql) override;
  bool begin() override { return exec("BEGIN"); }
  bool inTransaction() const override;
  int changes() const override { return changes_; }
  std::string lastError() const override { return error_; }
  bool serialise(std::int64_t key) override;
  std::int64_t dataVersion() override { return ++version_; }
  std::int64_t schemaVersion() override;
  bool setSchemaVersion(std::int64_t version) override;

  // For the cursors: the outcome of one statement.
  void noteChanges(int changes) { changes_ = changes; }
  void noteError(const std::string& error) { error_ = error; }
  pg_conn* connection() const { return conn_; }
  // The raw socket, for waiting on notifications.
  int socket() const;

 private:
  explicit PgDatabase(pg_conn* conn) : conn_(conn) {}
  bool healthy();

  pg_conn* conn_;
  std::map<std::string, std::string> prepared_;  // SQL text -> statement name
  int changes_ = 0;
  std::string error_;
  std::int64_t version_ = 0;
};

// `sql` with every `?` outside quotes numbered $1, $2, ...
std::string numberedParameters(const char* sql);

}  // namespace kiv::server
