#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kiv::server {

// What a database back end does for one use of a compiled statement.
class StatementCursor {
 public:
  virtual ~StatementCursor() = default;
  virtual void bind(int index, std::int64_t value) = 0;
  virtual void bindBytes(int index, std::string_view bytes) = 0;
  virtual bool step() = 0;
  virtual bool run() = 0;
  virtual std::int64_t integer(int column) const = 0;
  virtual std::string bytes(int column) const = 0;
};

// One use of a prepared statement: bind, step through the rows; the back end
// readies the statement for its next use when this object goes away. Texts
// are bound and read as bytes: GBK is stored and returned exactly as it came.
class Statement {
 public:
  explicit Statement(std::unique_ptr<StatementCursor> cursor = nullptr) : cursor_(std::move(cursor)) {}
  Statement(Statement&&) noexcept = default;
  Statement& operator=(Statement&&) = delete;

  bool valid() const { return cursor_ != nullptr; }

  // Parameters are numbered from 1, as in SQL.
  Statement& bind(int index, std::int64_t value) {
    if (cursor_) cursor_->bind(index, value);
    return *this;
  }
  Statement& bindBytes(int index, std::string_view bytes) {
    if (cursor_) cursor_->bindBytes(index, bytes);
    return *this;
  }

  // Advances to the next row: true while there is one. Errors end the rows.
  bool step() { return cursor_ && cursor_->step(); }
  // Runs a statement that returns no rows; true when it completed.
  bool run() { return cursor_ && cursor_->run(); }

  std::int64_t integer(int column) const { return cursor_ ? cursor_->integer(column) : 0; }
  std::string bytes(int column) const { return cursor_ ? cursor_->bytes(column) : std::string(); }

 private:
  std::unique_ptr<StatementCursor> cursor_;
};

}  // namespace kiv::server
