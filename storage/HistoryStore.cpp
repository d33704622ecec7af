#include "storage/HistoryStore.h"

#include "platform/PrivateFiles.h"
#include "platform/ProgramPaths.h"
#include "storage/StoreSupport.h"

namespace kiv {
namespace {

using storesupport::cell;
using storesupport::parseId;

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

}  // namespace

bool HistoryStore::ResolveProgramPaths() {
  programDirectory_ = paths::programDirectory();
  return !programDirectory_.empty();
}

bool HistoryStore::OpenMessageDatabase(std::int32_t userId) {
  if (programDirectory_.empty()) ResolveProgramPaths();
  if (programDirectory_.empty()) return false;
  accountDirectory_ = programDirectory_ + std::to_string(userId);
  paths::makePrivateDirectory(accountDirectory_);
  if (!storesupport::openReporting(database_, accountDirectory_ + paths::kSeparator + kMessageFileName)) return false;
  database_.execute("CREATE TABLE msg_user(id INTEGER, msg TEXT, rtime TEXT)");
  database_.execute("CREATE TABLE msg_group(id INTEGER, msg TEXT, rtime TEXT)");
  database_.execute("CREATE TABLE user_others(id INTEGER, msg TEXT)");
  // A history page is the newest rows of one partner: without these the
  // page read scans and sorts the whole table. Older files gain them here.
  database_.execute("CREATE INDEX IF NOT EXISTS msg_user_id_rtime ON msg_user(id, rtime)");
  database_.execute("CREATE INDEX IF NOT EXISTS msg_group_id_rtime ON msg_group(id, rtime)");
  return true;
}

bool HistoryStore::AppendMessage(const std::string& table, std::int32_t id, const std::string& msg,
                                 const std::string& rtime) {
  if (!isPlainIdentifier(table)) return false;
  return database_.execute("insert into " + table + " (id,msg,rtime) values (?,?,?)", {std::int64_t{id}, msg, rtime});
}

bool HistoryStore::AppendMessages(const std::string& table, std::int32_t id, const std::vector<HistoryRow>& rows) {
  if (!isPlainIdentifier(table)) return false;
  // All or nothing: rows fetched together are one answer of the server, and
  // a history missing its middle (a full disk that freed a page meanwhile)
  // would read as if the partner had said less.
  const bool batched = rows.size() > 1;
  if (batched && !database_.execute("begin")) return false;
  for (const auto& row : rows) {
    if (!AppendMessage(table, id, row.msg, row.rtime)) {
      if (batched) database_.execute("rollback");
      return false;
    }
  }
  if (batched && !database_.execute("commit")) {
    database_.execute("rollback");
    return false;
  }
  return true;
}

bool HistoryStore::AppendUserMessage(std::int32_t userId, const std::string& msg, const std::string& rtime) {
  return AppendMessage(kUserTable, userId, msg, rtime);
}

bool HistoryStore::AppendGroupMessage(std::int32_t groupId, const std::string& msg, const std::string& rtime) {
  return AppendMessage(kGroupTable, groupId, msg, rtime);
}

std::string HistoryStore::ReadHistoryPage(const std::string& table, std::int32_t id, int page) {
  std::string text;
  // SQLite reads a negative offset as none, which would show the newest page
  // for a page before the first.
  if (!isPlainIdentifier(table) || page < 0) return text;
  const auto rows =
      database_.query("select rtime,msg from " + table + " where id=? order by rtime desc limit ? offset ?",
                      {std::int64_t{id}, std::int64_t{kHistoryPageSize}, std::int64_t{page} * kHistoryPageSize});
  for (const auto& row : rows) text += historyEntry(cell(row, 0), cell(row, 1));
  return text;
}

std::string HistoryStore::historyEntry(std::string_view rtime, std::string_view msg) {
  std::string entry = "\r\n\r\n";
  entry += rtime;
  entry += "\r\n";
  entry += msg;
  return entry;
}

std::string HistoryStore::ReadUserHistoryPage(std::int32_t userId, int page) {
  return ReadHistoryPage(kUserTable, userId, page);
}

std::string HistoryStore::ReadGroupHistoryPage(std::int32_t groupId, int page) {
  return ReadHistoryPage(kGroupTable, groupId, page);
}

bool HistoryStore::AppendStranger(std::int32_t userId, const std::string& nickname) {
  return database_.execute("insert into user_others (id,msg) values (?,?)", {std::int64_t{userId}, nickname});
}

void HistoryStore::LoadStrangers(StrangerMap& strangers, std::vector<std::int32_t>* storedOrder) {
  for (const auto& row : database_.query("select id,msg from user_others")) {
    const std::int32_t id = parseId(cell(row, 0));
    const bool seen = strangers.count(id) != 0;
    strangers[id] = cell(row, 1);
    if (storedOrder != nullptr && !seen) storedOrder->push_back(id);
  }
}

bool HistoryStore::ClearTable(const std::string& table) {
  if (!isPlainIdentifier(table)) return false;
  return database_.execute("delete from " + table);
}

}  // namespace kiv
