#include "storage/LocalStore.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/PrivateFiles.h"
#include "platform/ProgramPaths.h"
#include "platform/AutoStart.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kiv {
namespace {

// Table names cannot be bound as parameters, so they are spliced into the
// statement; only plain identifiers are accepted, anything else fails.
bool isPlainIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

// SQLite wants UTF-8 file names; our paths are in the system code page, which
// is UTF-8 everywhere but on Windows.
std::string toSqlitePath(const std::string& path) {
#ifdef _WIN32
  const int wideSize = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (wideSize <= 0) return path;
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), wideSize);
  const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (utf8Size <= 0) return path;
  std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), utf8Size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(utf8Size) - 1);
  return utf8;
#else
  return path;
#endif
}

// Opens `db`; a failure is reported on standard error only, the user is never
// told (the store then simply remembers nothing).
bool openReporting(SqliteDatabase& db, const std::string& path) {
  if (db.open(toSqlitePath(path))) return true;
  std::fprintf(stderr, "Can'topendatabase:%sn\n", db.errorMessage().c_str());
  return false;
}

std::string cell(const SqliteDatabase::Row& row, std::size_t column) {
  return column < row.size() && row[column] ? *row[column] : std::string();
}

// Decimal prefix of a cell, 0 when there is none (atoi without its undefined
// behaviour on overflow).
std::int32_t parseId(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace

LocalStore::LocalStore(const Clock& clock) : clock_(clock) {}

LocalStore::~LocalStore() {
  messages_.close();
  logins_.close();
}

int LocalStore::ResolveProgramPaths() {
  programDirectory_ = paths::programDirectory();
  executablePath_ = paths::executablePath();
  executableName_ = paths::executableName();
  return programDirectory_.empty() ? 0 : 1;
}

void LocalStore::ensureProgramPaths() {
  if (programDirectory_.empty()) ResolveProgramPaths();
}

std::string LocalStore::now() const {
  const std::tm local = clock_.localNow();
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// Login store --------------------------------------------------------------

int LocalStore::OpenLoginDatabase() {
  ensureProgramPaths();
  // Without a program directory the file would land wherever the program
  // was started from.
  if (programDirectory_.empty() || !openReporting(logins_, programDirectory_ + kLoginFileName)) return 0;
  // These fail on every run after the first; that is expected.
  logins_.execute("CREATE TABLE loginer(phoneid INTEGER PRIMARY KEY,phone TEXT , pwd TEXT,rtime TEXT)");
  logins_.execute("CREATE TABLE AutoLoginer(phoneid INTEGER PRIMARY KEY)");
  return 1;
}

int LocalStore::SaveLogin(const std::string& phone, std::int32_t userId, const std::string& password) {
  if (logins_.execute("insert into loginer (phoneid,phone,pwd,rtime) values (?,?,?,?)",
                      {std::int64_t{userId}, phone, password, now()})) {
    return 1;
  }
  // The account is known already. Its row is found by UserId: looking it up
  // by the phone text would record nothing when the account was typed with
  // another phone text before, and would overwrite another account's row
  // that happens to carry this phone text.
  int changed = 0;
  const bool ok = logins_.execute("update loginer set pwd=?,rtime=?,phone=? where phoneid=?",
                                  {password, now(), phone, std::int64_t{userId}}, &changed);
  return ok && changed > 0 ? 1 : 0;
}

int LocalStore::RecordLogin(const std::string& phone, std::int32_t userId) {
  if (logins_.execute("insert into loginer (phoneid,phone,pwd,rtime) values (?,?,'',?)",
                      {std::int64_t{userId}, phone, now()})) {
    return 1;
  }
  int changed = 0;
  const bool ok = logins_.execute("update loginer set rtime=?,phone=? where phoneid=?",
                                  {now(), phone, std::int64_t{userId}}, &changed);
  return ok && changed > 0 ? 1 : 0;
}

int LocalStore::LoadLogins(PhoneMap& phones, PasswordMap& passwords, std::vector<std::int32_t>* signInOrder) {
  for (const auto& row : logins_.query("select phoneid,phone,pwd from loginer order by rtime")) {
    const std::int32_t userId = parseId(cell(row, 0));
    phones[userId] = cell(row, 1);
    passwords[userId] = cell(row, 2);
    if (signInOrder != nullptr) signInOrder->push_back(userId);
  }
  return 1;
}

int LocalStore::SetSavedPassword(std::int32_t userId, const std::string& password) {
  int changed = 0;
  const bool ok =
      logins_.execute("update loginer set pwd=? where phoneid=?", {password, std::int64_t{userId}}, &changed);
  return ok && changed > 0 ? 1 : 0;
}

int LocalStore::DeleteLogin(const std::string& phone) {
  return logins_.execute("delete from loginer where phone=?", {phone}) ? 1 : 0;
}

int LocalStore::SetAutoLogin(std::int32_t userId, int on) {
  logins_.execute("delete from AutoLoginer");
  if (on == 0) return 1;
  return logins_.execute("insert into AutoLoginer (phoneid) values (?)", {std::int64_t{userId}}) ? 1 : 0;
}

std::int32_t LocalStore::GetAutoLogin() {
  const auto rows = logins_.query("select phoneid from AutoLoginer");
  return rows.empty() ? 0 : parseId(cell(rows.front(), 0));
}

// Message store ------------------------------------------------------------

int LocalStore::OpenMessageDatabase(std::int32_t userId) {
  ensureProgramPaths();
  if (programDirectory_.empty()) return 0;
  accountDirectory_ = programDirectory_ + std::to_string(userId);
  paths::makePrivateDirectory(accountDirectory_);
  if (!openReporting(messages_, accountDirectory_ + paths::kSeparator + kMessageFileName)) return 0;
  messages_.execute("CREATE TABLE msg_user(id INTEGER, msg TEXT, rtime TEXT)");
  messages_.execute("CREATE TABLE msg_group(id INTEGER, msg TEXT, rtime TEXT)");
  messages_.execute("CREATE TABLE user_others(id INTEGER, msg TEXT)");
  // A history page is the newest rows of one partner: without these the
  // page read scans and sorts the whole table. Older files gain them here.
  messages_.execute("CREATE INDEX IF NOT EXISTS msg_user_id_rtime ON msg_user(id, rtime)");
  messages_.execute("CREATE INDEX IF NOT EXISTS msg_group_id_rtime ON msg_group(id, rtime)");
  return 1;
}

int LocalStore::AppendMessage(const std::string& table, std::int32_t id, const std::string& msg,
                              const std::string& rtime) {
  if (!isPlainIdentifier(table)) return 0;
  return messages_.execute("insert into " + table + " (id,msg,rtime) values (?,?,?)", {std::int64_t{id}, msg, rtime})
             ? 1
             : 0;
}

int LocalStore::AppendMessages(const std::string& table, std::int32_t id, const std::vector<HistoryRow>& rows) {
  if (!isPlainIdentifier(table)) return 0;
  // All or nothing: rows fetched together are one answer of the server, and
  // a history missing its middle (a full disk that freed a page meanwhile)
  // would read as if the partner had said less.
  const bool batched = rows.size() > 1;
  if (batched && !messages_.execute("begin")) return 0;
  for (const auto& row : rows) {
    if (AppendMessage(table, id, row.msg, row.rtime) != 1) {
      if (batched) messages_.execute("rollback");
      return 0;
    }
  }
  if (batched && !messages_.execute("commit")) {
    messages_.execute("rollback");
    return 0;
  }
  return static_cast<int>(rows.size());
}

int LocalStore::AppendUserMessage(std::int32_t userId, const std::string& msg, const std::string& rtime) {
  return AppendMessage(kUserTable, userId, msg, rtime);
}

int LocalStore::AppendGroupMessage(std::int32_t groupId, const std::string& msg, const std::string& rtime) {
  return AppendMessage(kGroupTable, groupId, msg, rtime);
}

std::string LocalStore::ReadHistoryPage(const std::string& table, std::int32_t id, int page) {
  std::string text;
  // SQLite reads a negative offset as none, which would show the newest page
  // for a page before the first.
  if (!isPlainIdentifier(table) || page < 0) return text;
  const auto rows =
      messages_.query("select rtime,msg from " + table + " where id=? order by rtime desc Limit 20 offset 20*?",
                      {std::int64_t{id}, std::int64_t{page}});
  for (const auto& row : rows) text += historyEntry(cell(row, 0), cell(row, 1));
  return text;
}

std::string LocalStore::historyEntry(std::string_view rtime, std::string_view msg) {
  std::string entry = "\r\n\r\n";
  entry += rtime;
  entry += "\r\n";
  entry += msg;
  return entry;
}

std::string LocalStore::ReadUserHistoryPage(std::int32_t userId, int page) {
  return ReadHistoryPage(kUserTable, userId, page);
}

std::string LocalStore::ReadGroupHistoryPage(std::int32_t groupId, int page) {
  return ReadHistoryPage(kGroupTable, groupId, page);
}

int LocalStore::AppendStranger(std::int32_t userId, const std::string& nickname) {
  return messages_.execute("insert into user_others (id,msg) values (?,?)", {std::int64_t{userId}, nickname}) ? 1 : 0;
}

int LocalStore::LoadStrangers(StrangerMap& strangers, std::vector<std::int32_t>* storedOrder) {
  for (const auto& row : messages_.query("select id,msg from user_others")) {
    const std::int32_t id = parseId(cell(row, 0));
    const bool seen = strangers.count(id) != 0;
    strangers[id] = cell(row, 1);
    if (storedOrder != nullptr && !seen) storedOrder->push_back(id);
  }
  return 0;
}

int LocalStore::ClearTable(const std::string& table) {
  if (!isPlainIdentifier(table)) return 0;
  return messages_.execute("delete from " + table) ? 1 : 0;
}

// Settings -----------------------------------------------------------------

int LocalStore::IsAutoStartOn() {
  return autostart::isOn();
}

int LocalStore::SetAutoStart(int on) {
  ensureProgramPaths();
  return autostart::set(on, executablePath_);
}

int LocalStore::IsSoundOn() {
  return logins_.query("Select name From sqlite_master where type='table' and name='dis_voice'").empty() ? 1 : 0;
}

int LocalStore::SetSound(int on) {
  return logins_.execute(on != 0 ? "drop TABLE dis_voice" : "CREATE TABLE dis_voice(id INTEGER)") ? 1 : 0;
}

int LocalStore::IsDesktopNoticeOn() {
  return logins_.query("Select name From sqlite_master where type='table' and name='dis_notify'").empty() ? 1 : 0;
}

int LocalStore::SetDesktopNotice(int on) {
  return logins_.execute(on != 0 ? "drop TABLE dis_notify" : "CREATE TABLE dis_notify(id INTEGER)") ? 1 : 0;
}

}  // namespace kiv
