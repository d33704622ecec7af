#include "server/Database.h"

#include <sqlite3.h>
#include <sys/stat.h>

namespace kiv::server {

namespace {

// The file holds every password: readable by its owner only, also when an
// earlier version or another umask created it more open. SQLite gives its
// -wal and -shm files the database file's permissions.
void keepPrivate(const std::string& path) {
  if (path.empty() || path == ":memory:") return;
  for (const char* suffix : {"", "-wal", "-shm"}) {
    const std::string file = path + suffix;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && (info.st_mode & 077) != 0) ::chmod(file.c_str(), info.st_mode & 0700);
  }
}

}  // namespace

std::unique_ptr<Database> Database::open(const std::string& path, std::string* error) {
  keepPrivate(path);
  sqlite3* handle = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &handle,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (error) *error = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close(handle);
    return nullptr;
  }
  // Another process (an admin command) may hold the write lock for a moment.
  sqlite3_busy_timeout(handle, 5000);
  std::unique_ptr<Database> db(new Database(handle));
  // WAL lets the serving process read while an admin command writes; NORMAL
  // synchronisation is durable across a crash of the process.
  if (!db->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;")) {
    if (error) *error = db->lastError();
    return nullptr;
  }
  keepPrivate(path);  // a file just created under a wider umask
  return db;
}

Database::~Database() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  sqlite3_close(handle_);
}

bool Database::exec(const char* sql) {
  return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement Database::prepare(const char* sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return Statement(found->second);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(handle_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return Statement(nullptr);
  }
  statements_.emplace(sql, statement);
  return Statement(statement);
}

bool Database::inTransaction() const {
  return sqlite3_get_autocommit(handle_) == 0;
}

std::int64_t Database::lastInsertId() const {
  return sqlite3_last_insert_rowid(handle_);
}

int Database::changes() const {
  return sqlite3_changes(handle_);
}

std::string Database::lastError() const {
  return sqlite3_errmsg(handle_);
}

}  // namespace kiv::server
