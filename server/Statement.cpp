#include "server/Statement.h"

#include <sqlite3.h>

namespace kiv::server {

Statement::~Statement() {
  if (statement_) {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
}

Statement& Statement::bind(int index, std::int64_t value) {
  if (statement_) sqlite3_bind_int64(statement_, index, value);
  return *this;
}

Statement& Statement::bindBytes(int index, std::string_view bytes) {
  // A zero-length blob must still be a blob, not NULL, so that comparisons
  // with '' behave; SQLite needs a non-null pointer for that.
  static const char kEmpty = 0;
  if (statement_) {
    sqlite3_bind_blob(statement_, index, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
  }
  return *this;
}

bool Statement::step() {
  if (!statement_ || failed_) return false;
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) failed_ = true;
  return false;
}

bool Statement::run() {
  if (!statement_) return false;
  int rc = sqlite3_step(statement_);
  while (rc == SQLITE_ROW) rc = sqlite3_step(statement_);
  return rc == SQLITE_DONE;
}

std::int64_t Statement::integer(int column) const {
  return statement_ ? sqlite3_column_int64(statement_, column) : 0;
}

std::string Statement::bytes(int column) const {
  if (!statement_) return {};
  const void* data = sqlite3_column_blob(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  if (!data || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

}  // namespace kiv::server
