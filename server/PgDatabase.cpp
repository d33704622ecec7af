#include "server/PgDatabase.h"

#include <libpq-fe.h>

#include <cstring>
#include <vector>

namespace kiv::server {

namespace {

// Type numbers of the PostgreSQL catalogue that rows come back in.
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;

std::int64_t bigEndian(const char* data, int size) {
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(data[i]);
  // Sign-extend the narrower integers.
  if (size < 8 && size > 0 && (static_cast<unsigned char>(data[0]) & 0x80)) value |= ~0ULL << (size * 8);
  return static_cast<std::int64_t>(value);
}

class PgCursor final : public StatementCursor {
 public:
  PgCursor(PgDatabase& db, std::string name) : db_(db), name_(std::move(name)) {}
  ~PgCursor() override { PQclear(result_); }

  void bind(int index, std::int64_t value) override { slot(index) = {std::to_string(value), false}; }
  void bindBytes(int index, std::string_view bytes) override { slot(index) = {std::string(bytes), true}; }

  bool step() override {
    if (!executed_ && !execute()) return false;
    if (!result_ || PQresultStatus(result_) != PGRES_TUPLES_OK) return false;
    ++row_;
    return row_ < PQntuples(result_);
  }

  bool run() override { return executed_ ? ok_ : execute(); }

  std::int64_t integer(int column) const override {
    if (!valid(column) || PQgetisnull(result_, row_, column)) return 0;
    const char* data = PQgetvalue(result_, row_, column);
    const int size = PQgetlength(result_, row_, column);
    switch (PQftype(result_, column)) {
      case kBool:
        return size == 1 && data[0] != 0;
      case kInt2:
      case kInt4:
      case kInt8:
        return bigEndian(data, size);
      default:
        return 0;
    }
  }

  std::string bytes(int column) const override {
    if (!valid(column) || PQgetisnull(result_, row_, column)) return {};
    return std::string(PQgetvalue(result_, row_, column), static_cast<std::size_t>(PQgetlength(result_, row_, column)));
  }

 private:
  struct Parameter {
    std::string value;
    bool binary = false;
  };
  Parameter& slot(int index) {
    if (index < 1) index = 1;
    if (static_cast<std::size_t>(index) > parameters_.size()) parameters_.resize(static_cast<std::size_t>(index));
    return parameters_[static_cast<std::size_t>(index) - 1];
  }
  bool valid(int column) const {
    return result_ && row_ >= 0 && row_ < PQntuples(result_) && column >= 0 && column < PQnfields(result_);
  }

  bool execute() {
    executed_ = true;
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const auto& p : parameters_) {
      values.push_back(p.value.data());
      lengths.push_back(static_cast<int>(p.value.size()));
      formats.push_back(p.binary ? 1 : 0);
    }
    result_ = PQexecPrepared(db_.connection(), name_.c_str(), static_cast<int>(values.size()), values.data(),
                             lengths.data(), formats.data(), 1);
    const auto status = PQresultStatus(result_);
    ok_ = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (ok_) {
      const char* tuples = PQcmdTuples(result_);
      db_.noteChanges(tuples && *tuples ? std::atoi(tuples) : 0);
    } else {
      db_.noteChanges(0);
      db_.noteError(PQresultErrorMessage(result_));
    }
    return ok_;
  }

  PgDatabase& db_;
  std::string name_;
  std::vector<Parameter> parameters_;
  PGresult* result_ = nullptr;
  int row_ = -1;
  bool executed_ = false;
  bool ok_ = false;
};

void ignoreNotice(void*, const char*) {}

}  // namespace

std::string numberedParameters(const char* sql) {
  std::string out;
  int next = 0;
  char quote = 0;
  for (const char* p = sql; *p; ++p) {
    if (quote) {
      if (*p == quote) quote = 0;
      out += *p;
    } else if (*p == '\'' || *p == '"') {
      quote = *p;
      out += *p;
    } else if (*p == '?') {
      out += '$' + std::to_string(++next);
    } else {
      out += *p;
    }
  }
  return out;
}

std::unique_ptr<PgDatabase> PgDatabase::open(const std::string& url, std::string* error) {
  PGconn* conn = PQconnectdb(url.c_str());
  if (!conn || PQstatus(conn) != CONNECTION_OK) {
    if (error) *error = conn ? PQerrorMessage(conn) : "out of memory";
    PQfinish(conn);
    return nullptr;
  }
  // "already exists, skipping" and the like are not for the server's log.
  PQsetNoticeProcessor(conn, ignoreNotice, nullptr);
  std::unique_ptr<PgDatabase> db(new PgDatabase(conn));
  // Sessions that wait for a lock longer than this are stuck; fail them and
  // let the client repeat rather than hold the thread.
  if (!db->exec("SET lock_timeout = '5s'; SET statement_timeout = '30s'")) {
    if (error) *error = db->lastError();
    return nullptr;
  }
  return db;
}

PgDatabase::~PgDatabase() {
  PQfinish(conn_);
}

bool PgDatabase::healthy() {
  if (PQstatus(conn_) == CONNECTION_OK) return true;
  PQreset(conn_);
  prepared_.clear();  // they died with the old session
  if (PQstatus(conn_) != CONNECTION_OK) {
    error_ = PQerrorMessage(conn_);
    return false;
  }
  exec("SET lock_timeout = '5s'; SET statement_timeout = '30s'");
  return true;
}

bool PgDatabase::exec(const char* sql) {
  if (!inTransaction() && !healthy()) return false;
  PGresult* result = PQexec(conn_, sql);
  const auto status = PQresultStatus(result);
  bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  // COMMIT of a transaction that failed on the way answers ROLLBACK.
  if (ok && std::strcmp(sql, "COMMIT") == 0) ok = std::strcmp(PQcmdStatus(result), "COMMIT") == 0;
  if (!ok) error_ = status == PGRES_COMMAND_OK ? "the transaction failed and was rolled back" : PQresultErrorMessage(result);
  PQclear(result);
  return ok;
}

Statement PgDatabase::prepare(const char* sql) {
  if (!inTransaction() && !healthy()) return Statement();
  auto found = prepared_.find(sql);
  if (found == prepared_.end()) {
    std::string name = "s" + std::to_string(prepared_.size() + 1);
    PGresult* result = PQprepare(conn_, name.c_str(), numberedParameters(sql).c_str(), 0, nullptr);
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok) error_ = PQresultErrorMessage(result);
    PQclear(result);
    if (!ok) return Statement();
    found = prepared_.emplace(sql, std::move(name)).first;
  }
  return Statement(std::make_unique<PgCursor>(*this, found->second));
}

bool PgDatabase::inTransaction() const {
  const auto status = PQtransactionStatus(conn_);
  return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool PgDatabase::serialise(std::int64_t key) {
  return prepare("SELECT pg_advisory_xact_lock(?)").bind(1, key).run();
}

std::int64_t PgDatabase::schemaVersion() {
  // No table yet: a new database, version 0.
  auto exists = prepare("SELECT COUNT(*) FROM pg_tables WHERE schemaname = current_schema() AND tablename = 'schema_version'");
  if (!exists.step()) return -1;
  if (exists.integer(0) == 0) return 0;
  auto row = prepare("SELECT version FROM schema_version");
  return row.step() ? row.integer(0) : 0;
}

bool PgDatabase::setSchemaVersion(std::int64_t version) {
  return exec("CREATE TABLE IF NOT EXISTS schema_version(version BIGINT NOT NULL)") &&
         exec("DELETE FROM schema_version") &&
         prepare("INSERT INTO schema_version(version) VALUES(?)").bind(1, version).run();
}

int PgDatabase::socket() const {
  return PQsocket(conn_);
}

}  // namespace kiv::server
