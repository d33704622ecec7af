#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "storage/SqliteDatabase.h"

namespace kiv {

// Remembered accounts, keyed by UserId: the phone number as typed and the
// password ("" when it was not to be remembered).
using PhoneMap = std::map<std::int32_t, std::string>;
using PasswordMap = std::map<std::int32_t, std::string>;
// One history entry: the text as the conversation shows it and its
// "yy-mm-dd hh:mm:ss" time.
struct HistoryRow {
  std::string msg;
  std::string rtime;
  bool operator==(const HistoryRow&) const = default;
};

// Strangers of the signed-in account: UserId -> nickname (GBK).
using StrangerMap = std::unordered_map<std::int32_t, std::string>;

// The one object through which the program reaches its local state: the login
// database "KivSys.dll" in the program directory (remembered accounts, the
// auto-login choice, the sound marker), the signed-in account's message
// database "<program dir><UserId>/MsgEx.db" (history and strangers), and the
// start-up entry.
//
// Operations answer 1 for success and 0 for failure and never throw. A
// database that failed to open makes every later operation on it fail
// quietly: writes return 0, queries yield nothing. Text values are GBK bytes
// and are stored and read back unchanged, whatever they contain.
//
// The login database is used from the UI thread only; the message database
// from the UI thread and the receive thread (its connection is serialized).
class LocalStore {
 public:
  static constexpr int kHistoryPageSize = 20;
  static constexpr const char* kLoginFileName = "KivSys.dll";
  static constexpr const char* kMessageFileName = "MsgEx.db";
  static constexpr const char* kUserTable = "msg_user";
  static constexpr const char* kGroupTable = "msg_group";
  static constexpr const char* kStrangerTable = "user_others";

  // `clock` stamps the sign-in times; it must outlive the store.
  explicit LocalStore(const Clock& clock = SystemClock::instance());
  ~LocalStore();
  LocalStore(const LocalStore&) = delete;
  LocalStore& operator=(const LocalStore&) = delete;

  // Login store ------------------------------------------------------------

  // Takes the program directory (KIV_HOME, the executable's directory or the
  // per-user fallback; it ends with a separator) and the executable's name.
  // 0 when there is no program directory: nothing can be opened then.
  int ResolveProgramPaths();
  // Opens <program dir>KivSys.dll and creates its tables when missing.
  int OpenLoginDatabase();
  // Records a successful sign-in at the current time: a new row for a new
  // UserId, otherwise that row's phone text, password and time are updated.
  int SaveLogin(const std::string& phone, std::int32_t userId, const std::string& password);
  // Records a sign-in that says nothing about the password: a new account is
  // remembered without one, a known one keeps the one it has.
  int RecordLogin(const std::string& phone, std::int32_t userId);
  // Fills the maps from every remembered account. The maps forget the order,
  // so `signInOrder` (optional) receives the UserIds oldest sign-in first,
  // for a list that shows the most recent account on top.
  int LoadLogins(PhoneMap& phones, PasswordMap& passwords, std::vector<std::int32_t>* signInOrder = nullptr);
  // Replaces the remembered password of the account `userId` (after the
  // password was changed on the server); 1 when the account is remembered.
  int SetSavedPassword(std::int32_t userId, const std::string& password);
  // Forgets the account(s) with this phone text; the auto-login choice stays.
  int DeleteLogin(const std::string& phone);
  // Makes `userId` the one account that signs in automatically (on != 0), or
  // leaves no such account (on == 0, which always returns 1).
  int SetAutoLogin(std::int32_t userId, int on);
  // The UserId that signs in automatically, 0 when none.
  std::int32_t GetAutoLogin();

  // Message store ----------------------------------------------------------

  // Creates the account directory <program dir><userId> (0700) when missing, opens
  // its MsgEx.db (closing the database of an earlier sign-in) and creates the
  // tables and the history index when missing.
  int OpenMessageDatabase(std::int32_t userId);
  // Appends one history entry to msg_user or msg_group. `rtime` is the
  // 17-character "yy-mm-dd hh:mm:ss" time.
  int AppendMessage(const std::string& table, std::int32_t id, const std::string& msg, const std::string& rtime);
  int AppendUserMessage(std::int32_t userId, const std::string& msg, const std::string& rtime);
  int AppendGroupMessage(std::int32_t groupId, const std::string& msg, const std::string& rtime);
  // Appends several entries of one conversation in one transaction, so that
  // a full fetch is one write to disk rather than one per entry. Each entry
  // is still its own insert: one the database refuses is lost alone. Returns
  // the number stored.
  int AppendMessages(const std::string& table, std::int32_t id, const std::vector<HistoryRow>& rows);
  // Page `page` (0 = newest) of at most 20 entries, newest first, as the
  // history viewer shows it: "\r\n\r\n<rtime>\r\n<msg>" per entry. Empty when
  // the page holds no entry (a negative page holds none).
  std::string ReadHistoryPage(const std::string& table, std::int32_t id, int page);
  // One entry as the history and the conversation views show it.
  static std::string historyEntry(std::string_view rtime, std::string_view msg);
  std::string ReadUserHistoryPage(std::int32_t userId, int page);
  std::string ReadGroupHistoryPage(std::int32_t groupId, int page);
  int AppendStranger(std::int32_t userId, const std::string& nickname);
  // Adds every saved stranger to `strangers` (a later row of the same UserId
  // wins). Answers 0 always.
  // `storedOrder` (optional) receives the UserIds in the order they were
  // stored, each once: the map forgets it, and the stranger list keeps it.
  int LoadStrangers(StrangerMap& strangers, std::vector<std::int32_t>* storedOrder = nullptr);
  // Deletes every row of one message-store table.
  int ClearTable(const std::string& table);

  // Settings ---------------------------------------------------------------

  int IsAutoStartOn();
  // Creates (on != 0) or removes the start-up entry for the running
  // executable. Removing an absent entry returns 0.
  int SetAutoStart(int on);
  // 1 = sounds on (no marker table dis_voice in the login database).
  int IsSoundOn();
  // Drops (on != 0) or creates the marker. Asking for the state already
  // stored fails and returns 0.
  int SetSound(int on);
  // 1 = desktop notifications of new messages (no marker table dis_notify),
  // stored the same way as the sound.
  int IsDesktopNoticeOn();
  int SetDesktopNotice(int on);

  const std::string& programDirectory() const { return programDirectory_; }
  const std::string& executableName() const { return executableName_; }
  // The signed-in account's directory, empty before OpenMessageDatabase.
  const std::string& accountDirectory() const { return accountDirectory_; }

 private:
  void ensureProgramPaths();
  std::string now() const;

  const Clock& clock_;
  SqliteDatabase messages_;
  SqliteDatabase logins_;
  std::string executableName_;
  std::string executablePath_;
  std::string programDirectory_;
  std::string accountDirectory_;
};

}  // namespace kiv
