#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/SqliteDatabase.h"

namespace kiv {

// One history entry: the text as the conversation shows it and its
// "yy-mm-dd hh:mm:ss" time.
struct HistoryRow {
  std::string msg;
  std::string rtime;
  bool operator==(const HistoryRow&) const = default;
};

// Strangers of the signed-in account: UserId -> nickname (GBK).
using StrangerMap = std::unordered_map<std::int32_t, std::string>;

// The signed-in account's message database "<program dir><UserId>/MsgEx.db":
// the history of every conversation and the strangers met.
//
// Operations never throw. A database that failed to open makes every later
// operation fail quietly: writes answer false, queries yield nothing. Text
// values are GBK bytes, stored and read back unchanged whatever they contain.
// Used from the UI thread and the receive thread (the connection is
// serialized).
class HistoryStore {
 public:
  static constexpr int kHistoryPageSize = 20;
  static constexpr const char* kMessageFileName = "MsgEx.db";
  static constexpr const char* kUserTable = "msg_user";
  static constexpr const char* kGroupTable = "msg_group";
  static constexpr const char* kStrangerTable = "user_others";

  HistoryStore() = default;
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Takes the program directory the account directories live in. False when
  // there is none: nothing can be opened then.
  bool ResolveProgramPaths();
  // Creates the account directory <program dir><userId> (0700) when missing, opens
  // its MsgEx.db (closing the database of an earlier sign-in) and creates the
  // tables and the history index when missing.
  bool OpenMessageDatabase(std::int32_t userId);
  // Appends one history entry to msg_user or msg_group. `rtime` is the
  // 17-character "yy-mm-dd hh:mm:ss" time.
  bool AppendMessage(const std::string& table, std::int32_t id, const std::string& msg, const std::string& rtime);
  bool AppendUserMessage(std::int32_t userId, const std::string& msg, const std::string& rtime);
  bool AppendGroupMessage(std::int32_t groupId, const std::string& msg, const std::string& rtime);
  // Appends several entries of one conversation in one transaction, all or
  // none: a full fetch is one write to disk rather than one per entry.
  bool AppendMessages(const std::string& table, std::int32_t id, const std::vector<HistoryRow>& rows);
  // Page `page` (0 = newest) of at most kHistoryPageSize entries, newest
  // first, as the history viewer shows it: "\r\n\r\n<rtime>\r\n<msg>" per
  // entry. Empty when the page holds no entry (a negative page holds none).
  std::string ReadHistoryPage(const std::string& table, std::int32_t id, int page);
  // One entry as the history and the conversation views show it.
  static std::string historyEntry(std::string_view rtime, std::string_view msg);
  std::string ReadUserHistoryPage(std::int32_t userId, int page);
  std::string ReadGroupHistoryPage(std::int32_t groupId, int page);
  bool AppendStranger(std::int32_t userId, const std::string& nickname);
  // Adds every saved stranger to `strangers` (a later row of the same UserId
  // wins). `storedOrder` (optional) receives the UserIds in the order they
  // were stored, each once: the map forgets it, and the stranger list keeps it.
  void LoadStrangers(StrangerMap& strangers, std::vector<std::int32_t>* storedOrder = nullptr);
  // Deletes every row of one message-store table.
  bool ClearTable(const std::string& table);

  // The signed-in account's directory, empty before OpenMessageDatabase.
  const std::string& accountDirectory() const { return accountDirectory_; }

 private:
  SqliteDatabase database_;
  std::string programDirectory_;
  std::string accountDirectory_;
};

}  // namespace kiv
