#include "server/SqliteDatabase.h"

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

// One use of a cached statement; reset and unbound afterwards.
class SqliteCursor final : public StatementCursor {
 public:
  explicit SqliteCursor(sqlite3_stmt* statement) : statement_(statement) {}
  ~SqliteCursor() override {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

  void bind(int index, std::int64_t value) override { sqlite3_bind_int64(statement_, index, value); }

  void bindBytes(int index, std::string_view bytes) override {
    // A zero-length blob must still be a blob, not NULL, so that comparisons
    // with '' behave; SQLite needs a non-null pointer for that.
    static const char kEmpty = 0;
    sqlite3_bind_blob(statement_, index, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
  }

  bool step() override {
    if (failed_) return false;
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) failed_ = true;
    return false;
  }

  bool run() override {
    int rc = sqlite3_step(statement_);
    while (rc == SQLITE_ROW) rc = sqlite3_step(statement_);
    return rc == SQLITE_DONE;
  }

  std::int64_t integer(int column) const override { return sqlite3_column_int64(statement_, column); }

  std::string bytes(int column) const override {
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    if (!data || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
  }

 private:
  sqlite3_stmt* statement_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const std::string& path, std::string* error) {
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
  std::unique_ptr<SqliteDatabase> db(new SqliteDatabase(handle));
  // WAL lets the serving process read while an admin command writes; NORMAL
  // synchronisation is durable across a crash of the process.
  if (!db->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;")) {
    if (error) *error = db->lastError();
    return nullptr;
  }
  keepPrivate(path);  // a file just created under a wider umask
  return db;
}

SqliteDatabase::~SqliteDatabase() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  sqlite3_close(handle_);
}

bool SqliteDatabase::exec(const char* sql) {
  return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement SqliteDatabase::prepare(const char* sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return Statement(std::make_unique<SqliteCursor>(found->second));
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(handle_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return Statement();
  }
  statements_.emplace(sql, statement);
  return Statement(std::make_unique<SqliteCursor>(statement));
}

bool SqliteDatabase::inTransaction() const {
  return sqlite3_get_autocommit(handle_) == 0;
}

int SqliteDatabase::changes() const {
  return sqlite3_changes(handle_);
}

std::string SqliteDatabase::lastError() const {
  return sqlite3_errmsg(handle_);
}

std::int64_t SqliteDatabase::dataVersion() {
  auto row = prepare("PRAGMA data_version");
  return row.step() ? row.integer(0) : 0;
}

std::int64_t SqliteDatabase::schemaVersion() {
  auto row = prepare("PRAGMA user_version");
  return row.step() ? row.integer(0) : -1;
}

bool SqliteDatabase::setSchemaVersion(std::int64_t version) {
  const std::string sql = "PRAGMA user_version = " + std::to_string(version);
  return exec(sql.c_str());
}

}  // namespace kiv::server
