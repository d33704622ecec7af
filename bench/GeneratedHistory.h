#pragma once

// A message database filled the way years of use would fill it, for the
// benchmarks that read history pages: the three tables of the message store
// and private messages interleaved in time order. One transaction and one
// prepared statement, so that even a million rows take seconds.

#include <sqlite3.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>

namespace kiv::bench {

// Writes `rows` rows into msg_user of a new database `file`: row i belongs
// to idOf(i), says `text` (GBK) and is `secondsApart` later than row i - 1.
// Throws std::runtime_error with SQLite's message when anything fails.
inline void generateHistory(const std::string& file, int rows, const std::function<std::int32_t(int)>& idOf,
                            const std::string& text, int secondsApart) {
  sqlite3* db = nullptr;
  const auto check = [&](int rc, const char* what) {
    if (rc == SQLITE_OK || rc == SQLITE_DONE) return;
    const std::string message = std::string(what) + ": " + sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(message);
  };
  const auto exec = [&](const char* sql) { check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql); };
  check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), "open");
  exec("CREATE TABLE msg_user(id INTEGER, msg TEXT, rtime TEXT)");
  exec("CREATE TABLE msg_group(id INTEGER, msg TEXT, rtime TEXT)");
  exec("CREATE TABLE user_others(id INTEGER, msg TEXT)");
  exec("BEGIN");
  sqlite3_stmt* insert = nullptr;
  check(sqlite3_prepare_v2(db, "insert into msg_user (id,msg,rtime) values (?,?,?)", -1, &insert, nullptr),
        "prepare");
  const std::time_t start = 1'500'000'000;
  for (int i = 0; i < rows; ++i) {
    const std::time_t when = start + static_cast<std::time_t>(i) * secondsApart;
    std::tm local{};
    gmtime_r(&when, &local);
    char rtime[32];
    std::strftime(rtime, sizeof rtime, "%y-%m-%d %H:%M:%S", &local);
    sqlite3_bind_int(insert, 1, idOf(i));
    sqlite3_bind_text(insert, 2, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    sqlite3_bind_text(insert, 3, rtime, -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(insert);
    sqlite3_reset(insert);
    if (rc != SQLITE_DONE) sqlite3_finalize(insert);
    check(rc, "insert");
  }
  sqlite3_finalize(insert);
  exec("COMMIT");
  sqlite3_close(db);
}

}  // namespace kiv::bench
