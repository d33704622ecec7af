#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace kiv::server {

// One use of a prepared statement: bind, step through the rows, and the
// statement is reset and its bindings cleared when this object goes away, so
// the Database can hand the same compiled statement out again. Texts are bound
// and read as blobs: GBK bytes are stored and returned exactly as they came.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement(Statement&& other) noexcept : statement_(other.statement_) { other.statement_ = nullptr; }
  Statement& operator=(Statement&&) = delete;

  bool valid() const { return statement_ != nullptr; }

  // Parameters are numbered from 1, as in SQL.
  Statement& bind(int index, std::int64_t value);
  Statement& bindBytes(int index, std::string_view bytes);

  // Advances to the next row: true while there is one. Errors end the rows.
  bool step();
  // Runs a statement that returns no rows; true when it completed.
  bool run();

  std::int64_t integer(int column) const;
  std::string bytes(int column) const;

 private:
  sqlite3_stmt* statement_;
  bool failed_ = false;
};

}  // namespace kiv::server
