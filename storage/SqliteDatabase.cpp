#include "storage/SqliteDatabase.h"

#include <sqlite3.h>

#include "platform/PrivateFiles.h"

namespace kiv {
namespace {

// Another process (a second client, kiv-cli) may hold the file for a moment;
// waiting briefly beats losing a message to SQLITE_BUSY.
constexpr int kBusyTimeoutMs = 2000;

// A prepared statement with its parameters bound, finalized on scope exit.
class Prepared {
 public:
  Prepared(sqlite3* db, std::string_view sql, std::initializer_list<SqliteDatabase::Value> params) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
      stmt_ = nullptr;
      return;
    }
    int index = 1;
    for (const auto& value : params) {
      int rc = SQLITE_OK;
      if (const auto* number = std::get_if<std::int64_t>(&value)) {
        rc = sqlite3_bind_int64(stmt_, index, *number);
      } else {
        const auto text = std::get<std::string_view>(value);
        // SQLITE_TRANSIENT: SQLite copies the bytes, so the caller's buffer
        // may go away before the statement steps.
        // An empty view may carry no pointer, and a null pointer would bind
        // NULL instead of the empty text.
        const char* bytes = text.data() != nullptr ? text.data() : "";
        rc = sqlite3_bind_text64(stmt_, index, bytes, text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      }
      if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        return;
      }
      ++index;
    }
  }
  ~Prepared() { sqlite3_finalize(stmt_); }
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;

  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

SqliteDatabase::~SqliteDatabase() {
  close();
}

bool SqliteDatabase::open(const std::string& utf8Path) {
  std::lock_guard lock(mutex_);
  if (db_ != nullptr) {
    sqlite3_close(db_);
    db_ = nullptr;
  }
  // Passwords and the history are the user's alone: the file is made 0600
  // before SQLite sees it, and its journals take that mode from it. A link
  // planted in its place is not followed.
  paths::preparePrivateFile(utf8Path);
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(utf8Path.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX |
                                     SQLITE_OPEN_NOFOLLOW,
                                 nullptr);
  if (rc != SQLITE_OK) {
    error_ = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    return false;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  db_ = db;
  error_.clear();
  return true;
}

void SqliteDatabase::close() {
  std::lock_guard lock(mutex_);
  if (db_ != nullptr) sqlite3_close(db_);
  db_ = nullptr;
}

bool SqliteDatabase::isOpen() const {
  std::lock_guard lock(mutex_);
  return db_ != nullptr;
}

std::string SqliteDatabase::errorMessage() const {
  std::lock_guard lock(mutex_);
  return error_;
}

bool SqliteDatabase::execute(std::string_view sql, std::initializer_list<Value> params, int* changedRows) {
  std::lock_guard lock(mutex_);
  if (changedRows != nullptr) *changedRows = 0;
  if (db_ == nullptr) return false;
  Prepared stmt(db_, sql, params);
  if (stmt.get() == nullptr) {
    error_ = sqlite3_errmsg(db_);
    return false;
  }
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_DONE) {
    error_ = sqlite3_errmsg(db_);
    return false;
  }
  if (changedRows != nullptr) *changedRows = sqlite3_changes(db_);
  return true;
}

std::vector<SqliteDatabase::Row> SqliteDatabase::query(std::string_view sql, std::initializer_list<Value> params) {
  std::lock_guard lock(mutex_);
  std::vector<Row> rows;
  if (db_ == nullptr) return rows;
  Prepared stmt(db_, sql, params);
  if (stmt.get() == nullptr) {
    error_ = sqlite3_errmsg(db_);
    return rows;
  }
  const int columns = sqlite3_column_count(stmt.get());
  int rc = SQLITE_OK;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    Row row;
    row.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      if (sqlite3_column_type(stmt.get(), c) == SQLITE_NULL) {
        row.emplace_back(std::nullopt);
        continue;
      }
      // Text is read with its byte count, so an embedded NUL or invalid UTF-8
      // (stored GBK) comes back unchanged.
      const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c));
      const int size = sqlite3_column_bytes(stmt.get(), c);
      row.emplace_back(bytes != nullptr ? std::string(bytes, static_cast<std::size_t>(size)) : std::string());
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    // A query that fails half-way yields nothing rather than a partial page.
    error_ = sqlite3_errmsg(db_);
    rows.clear();
  }
  return rows;
}

}  // namespace kiv
