#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "storage/SqliteDatabase.h"

namespace kiv {

// Remembered accounts, keyed by UserId: the phone number as typed and the
// password ("" when it was not to be remembered).
using PhoneMap = std::map<std::int32_t, std::string>;
using PasswordMap = std::map<std::int32_t, std::string>;

// The accounts this computer remembers and the one that signs in by itself,
// in the login database "KivSys.dll" of the program directory.
//
// Operations never throw. A database that failed to open makes every later
// operation fail quietly: writes answer false, queries yield nothing. Text
// values are GBK bytes, stored and read back unchanged whatever they contain.
// Used from the UI thread only.
class LoginStore {
 public:
  static constexpr const char* kFileName = "KivSys.dll";

  // `clock` stamps the sign-in times; it must outlive the store.
  explicit LoginStore(const Clock& clock = SystemClock::instance());
  LoginStore(const LoginStore&) = delete;
  LoginStore& operator=(const LoginStore&) = delete;

  // Takes the program directory (KIV_HOME, the executable's directory or the
  // per-user fallback; it ends with a separator). False when there is none:
  // nothing can be opened then.
  bool ResolveProgramPaths();
  // Opens <program dir>KivSys.dll and creates its tables when missing.
  bool OpenLoginDatabase();
  // Records a successful sign-in at the current time: a new row for a new
  // UserId, otherwise that row's phone text, password and time are updated.
  bool SaveLogin(const std::string& phone, std::int32_t userId, const std::string& password);
  // Records a sign-in that says nothing about the password: a new account is
  // remembered without one, a known one keeps the one it has.
  bool RecordLogin(const std::string& phone, std::int32_t userId);
  // Fills the maps from every remembered account. The maps forget the order,
  // so `signInOrder` (optional) receives the UserIds oldest sign-in first,
  // for a list that shows the most recent account on top.
  void LoadLogins(PhoneMap& phones, PasswordMap& passwords, std::vector<std::int32_t>* signInOrder = nullptr);
  // Replaces the remembered password of the account `userId` (after the
  // password was changed on the server); true when the account is remembered.
  bool SetSavedPassword(std::int32_t userId, const std::string& password);
  // Forgets the account(s) with this phone text; the auto-login choice stays.
  bool DeleteLogin(const std::string& phone);
  // Makes `userId` the one account that signs in automatically (on), or
  // leaves no such account (off, which always succeeds).
  bool SetAutoLogin(std::int32_t userId, bool on);
  // The UserId that signs in automatically, none when no account was chosen.
  std::optional<std::int32_t> GetAutoLogin();

  const std::string& programDirectory() const { return programDirectory_; }
  // The open login database. The settings keep their markers in it too, so
  // that they belong to the computer rather than to an account.
  SqliteDatabase& database() { return database_; }

 private:
  std::string now() const;

  const Clock& clock_;
  SqliteDatabase database_;
  std::string programDirectory_;
};

}  // namespace kiv
