#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace kiv {

// A prepared statement on a raw connection, for the code that runs one
// statement many times (SqliteDatabase prepares anew on every call).
// Without a connection or with bad SQL every step fails.
// Finalized on scope exit; reusable after reset().
class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
    }
  }
  ~SqliteStatement() { sqlite3_finalize(stmt_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  void bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
  void bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data() != nullptr ? text.data() : "", text.size(), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return stmt_ != nullptr ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  // The cell's bytes, embedded NULs and stored GBK kept.
  std::string text(int column) const { return std::string(view(column)); }
  // The same without a copy, valid until the next step or reset.
  std::string_view view(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes != nullptr ? std::string_view(bytes, static_cast<std::size_t>(size)) : std::string_view();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace kiv
