#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

namespace kiv {

// One SQLite connection, opened in serialized mode so that the UI thread and
// the receive thread may share it. Every value goes into a statement as a
// bound parameter: text is stored byte for byte (GBK, apostrophes and all),
// never spliced into the SQL.
//
// Without an open connection every statement fails and every query yields no
// rows, which is exactly what callers expect after a failed open.
class SqliteDatabase {
 public:
  using Value = std::variant<std::int64_t, std::string_view>;
  // One result row; a NULL cell is nullopt.
  using Row = std::vector<std::optional<std::string>>;

  SqliteDatabase() = default;
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // Opens (creating when missing, 0600) the file at `utf8Path`, closing any
  // earlier connection first; a symbolic link there is refused. On failure the connection is closed again, false is
  // returned and errorMessage() tells SQLite's reason.
  bool open(const std::string& utf8Path);
  void close();
  bool isOpen() const;
  std::string errorMessage() const;

  // Runs one statement to completion. True when SQLite reports success;
  // `changedRows` (optional) receives the number of rows it changed.
  bool execute(std::string_view sql, std::initializer_list<Value> params = {}, int* changedRows = nullptr);

  // Runs one query and returns all its rows, each with one cell per result
  // column. A failing query yields no rows.
  std::vector<Row> query(std::string_view sql, std::initializer_list<Value> params = {});

 private:
  mutable std::mutex mutex_;
  sqlite3* db_ = nullptr;
  std::string error_;
};

}  // namespace kiv
