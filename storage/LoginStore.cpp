#include "storage/LoginStore.h"

#include <ctime>

#include "platform/ProgramPaths.h"
#include "storage/StoreSupport.h"

namespace kiv {

using storesupport::cell;
using storesupport::parseId;

LoginStore::LoginStore(const Clock& clock) : clock_(clock) {}

bool LoginStore::ResolveProgramPaths() {
  programDirectory_ = paths::programDirectory();
  return !programDirectory_.empty();
}

std::string LoginStore::now() const {
  const std::tm local = clock_.localNow();
  char text[32] = {};
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

bool LoginStore::OpenLoginDatabase() {
  if (programDirectory_.empty()) ResolveProgramPaths();
  // Without a program directory the file would land wherever the program
  // was started from.
  if (programDirectory_.empty() || !storesupport::openReporting(database_, programDirectory_ + kFileName)) return false;
  // These fail on every run after the first; that is expected.
  database_.execute("CREATE TABLE loginer(phoneid INTEGER PRIMARY KEY,phone TEXT , pwd TEXT,rtime TEXT)");
  database_.execute("CREATE TABLE AutoLoginer(phoneid INTEGER PRIMARY KEY)");
  return true;
}

bool LoginStore::SaveLogin(const std::string& phone, std::int32_t userId, const std::string& password) {
  if (database_.execute("insert into loginer (phoneid,phone,pwd,rtime) values (?,?,?,?)",
                        {std::int64_t{userId}, phone, password, now()})) {
    return true;
  }
  // The account is known already. Its row is found by UserId: looking it up
  // by the phone text would record nothing when the account was typed with
  // another phone text before, and would overwrite another account's row
  // that happens to carry this phone text.
  int changed = 0;
  const bool ok = database_.execute("update loginer set pwd=?,rtime=?,phone=? where phoneid=?",
                                    {password, now(), phone, std::int64_t{userId}}, &changed);
  return ok && changed > 0;
}

bool LoginStore::RecordLogin(const std::string& phone, std::int32_t userId) {
  if (database_.execute("insert into loginer (phoneid,phone,pwd,rtime) values (?,?,'',?)",
                        {std::int64_t{userId}, phone, now()})) {
    return true;
  }
  int changed = 0;
  const bool ok = database_.execute("update loginer set rtime=?,phone=? where phoneid=?",
                                    {now(), phone, std::int64_t{userId}}, &changed);
  return ok && changed > 0;
}

void LoginStore::LoadLogins(PhoneMap& phones, PasswordMap& passwords, std::vector<std::int32_t>* signInOrder) {
  for (const auto& row : database_.query("select phoneid,phone,pwd from loginer order by rtime")) {
    const std::int32_t userId = parseId(cell(row, 0));
    phones[userId] = cell(row, 1);
    passwords[userId] = cell(row, 2);
    if (signInOrder != nullptr) signInOrder->push_back(userId);
  }
}

bool LoginStore::SetSavedPassword(std::int32_t userId, const std::string& password) {
  int changed = 0;
  const bool ok =
      database_.execute("update loginer set pwd=? where phoneid=?", {password, std::int64_t{userId}}, &changed);
  return ok && changed > 0;
}

bool LoginStore::DeleteLogin(const std::string& phone) {
  return database_.execute("delete from loginer where phone=?", {phone});
}

bool LoginStore::SetAutoLogin(std::int32_t userId, bool on) {
  database_.execute("delete from AutoLoginer");
  if (!on) return true;
  return database_.execute("insert into AutoLoginer (phoneid) values (?)", {std::int64_t{userId}});
}

std::optional<std::int32_t> LoginStore::GetAutoLogin() {
  const auto rows = database_.query("select phoneid from AutoLoginer");
  // UserId 0 is nobody: a row that reads as 0 chooses no account.
  const std::int32_t userId = rows.empty() ? 0 : parseId(cell(rows.front(), 0));
  if (userId == 0) return std::nullopt;
  return userId;
}

}  // namespace kiv
