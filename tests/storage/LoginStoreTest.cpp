#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"
#include "platform/Log.h"
#include "storage/SqliteDatabase.h"
#include "storage/StoreHome.h"

namespace kiv {
namespace {

// Reads the login file behind the store's back, the way the next run (or an
// older client) will see it.
std::vector<SqliteDatabase::Row> rawQuery(const std::string& file, const std::string& sql) {
  SqliteDatabase db;
  EXPECT_TRUE(db.open(file));
  return db.query(sql);
}

class LoginStoreTest : public ::testing::Test {
 protected:
  test::StoreHome home_;
  FakeClock clock_{2026, 3, 14, 9, 5, 7};

  std::string loginFile() const { return home_.path() + "KivSys.dll"; }

  std::unique_ptr<LocalStores> openStore() {
    auto store = std::make_unique<LocalStores>(clock_);
    EXPECT_TRUE(store->ResolveProgramPaths());
    EXPECT_TRUE(store->logins.OpenLoginDatabase());
    return store;
  }
};

TEST_F(LoginStoreTest, FirstRunCreatesTheFileAndLaterRunsReuseIt) {
  {
    auto store = openStore();
    EXPECT_EQ(store->logins.programDirectory(), home_.path());
    PhoneMap phones;
    PasswordMap passwords;
    store->logins.LoadLogins(phones, passwords);
    EXPECT_TRUE(phones.empty());
    EXPECT_TRUE(passwords.empty());
    EXPECT_EQ(store->logins.GetAutoLogin(), std::nullopt);
    EXPECT_TRUE(store->logins.SaveLogin("13800000001", 501, "pw"));
  }
  // The tables carry their historical definitions, byte for byte: existing
  // files on users' machines were created by exactly these statements.
  const auto tables = rawQuery(loginFile(), "select name, sql from sqlite_master where type='table' order by name");
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(*tables[0][0], "AutoLoginer");
  EXPECT_EQ(*tables[0][1], "CREATE TABLE AutoLoginer(phoneid INTEGER PRIMARY KEY)");
  EXPECT_EQ(*tables[1][0], "loginer");
  EXPECT_EQ(*tables[1][1], "CREATE TABLE loginer(phoneid INTEGER PRIMARY KEY,phone TEXT , pwd TEXT,rtime TEXT)");

  // Second run: the CREATE statements fail quietly and the data is there.
  auto store = openStore();
  PhoneMap phones;
  PasswordMap passwords;
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones, (PhoneMap{{501, "13800000001"}}));
  EXPECT_EQ(passwords, (PasswordMap{{501, "pw"}}));
}

TEST_F(LoginStoreTest, SigningInAgainUpdatesTheOneRowOfTheAccount) {
  auto store = openStore();
  ASSERT_TRUE(store->logins.SaveLogin("13800000001", 501, "secret"));
  clock_.advanceSeconds(3600);
  // Signed in without "remember password": the stored password goes.
  ASSERT_TRUE(store->logins.SaveLogin("13800000001", 501, ""));

  auto rows = rawQuery(loginFile(), "select phoneid, phone, pwd, rtime from loginer");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], "501");
  EXPECT_EQ(*rows[0][2], "");
  EXPECT_EQ(*rows[0][3], "2026-03-14 10:05:07");

  // The same account typed with another phone text is still recorded (and
  // the result says so) instead of silently keeping the old row.
  clock_.advanceSeconds(60);
  ASSERT_TRUE(store->logins.SaveLogin("+8613800000001", 501, "new"));
  rows = rawQuery(loginFile(), "select phone, pwd, rtime from loginer where phoneid=501");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], "+8613800000001");
  EXPECT_EQ(*rows[0][1], "new");
  EXPECT_EQ(*rows[0][2], "2026-03-14 10:06:07");
}

TEST_F(LoginStoreTest, SigningInNeverRewritesAnotherAccountWithTheSamePhoneText) {
  auto store = openStore();
  ASSERT_TRUE(store->logins.SaveLogin("13800000001", 501, "first"));
  ASSERT_TRUE(store->logins.SaveLogin("13900000002", 502, "second"));
  // Account 502 now signs in with the phone text that 501 carries.
  ASSERT_TRUE(store->logins.SaveLogin("13800000001", 502, "mine"));
  PhoneMap phones;
  PasswordMap passwords;
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(passwords[501], "first");
  EXPECT_EQ(passwords[502], "mine");
}

TEST_F(LoginStoreTest, AccountsComeOutOldestSignInFirst) {
  auto store = openStore();
  // Saved in an order that is neither UserId nor insertion order of rtime.
  store->logins.SaveLogin("3", 3, "");
  clock_.advanceSeconds(1);
  store->logins.SaveLogin("1", 1, "");
  clock_.advanceSeconds(1);
  store->logins.SaveLogin("2", 2, "");
  clock_.advanceSeconds(1);
  store->logins.SaveLogin("3", 3, "");  // 3 signs in again: now the newest

  PhoneMap phones;
  PasswordMap passwords;
  std::vector<std::int32_t> order;
  store->logins.LoadLogins(phones, passwords, &order);
  EXPECT_EQ(order, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(phones.size(), 3u);
}

TEST_F(LoginStoreTest, AutoLoginNamesAtMostOneAccountAndSurvivesDeleteLogin) {
  auto store = openStore();
  store->logins.SaveLogin("13800000001", 501, "a");
  store->logins.SaveLogin("13900000002", 502, "b");

  EXPECT_TRUE(store->logins.SetAutoLogin(501, true));
  EXPECT_EQ(store->logins.GetAutoLogin(), 501);
  EXPECT_TRUE(store->logins.SetAutoLogin(502, true));
  EXPECT_EQ(store->logins.GetAutoLogin(), 502);
  EXPECT_EQ(rawQuery(loginFile(), "select phoneid from AutoLoginer").size(), 1u);

  // Deleting the account leaves the choice; the login window then finds no
  // phone for it and does not sign in automatically.
  EXPECT_TRUE(store->logins.DeleteLogin("13900000002"));
  PhoneMap phones;
  PasswordMap passwords;
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones, (PhoneMap{{501, "13800000001"}}));
  EXPECT_EQ(store->logins.GetAutoLogin(), 502);

  EXPECT_TRUE(store->logins.SetAutoLogin(502, false));
  EXPECT_EQ(store->logins.GetAutoLogin(), std::nullopt);
  EXPECT_TRUE(rawQuery(loginFile(), "select phoneid from AutoLoginer").empty());
}

TEST_F(LoginStoreTest, AnyTextIsStoredAndMatchedByteForByte) {
  auto store = openStore();
  const std::string phone = "1'3\"8\\0%_";
  const std::string password = "p'); drop table loginer; --" + gbk::fromUtf8("密码") + "\xff\x80";
  ASSERT_TRUE(store->logins.SaveLogin(phone, 77, password));
  ASSERT_TRUE(store->logins.SaveLogin("13800000001", 78, "x"));
  ASSERT_TRUE(store->logins.SaveLogin(phone, 77, password + "'"));

  PhoneMap phones;
  PasswordMap passwords;
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones[77], phone);
  EXPECT_EQ(passwords[77], password + "'");

  // Percent and underscore are no wildcards: only the exact text is deleted.
  EXPECT_TRUE(store->logins.DeleteLogin("%"));
  EXPECT_TRUE(store->logins.DeleteLogin("1'3\"8\\0%"));
  phones.clear();
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones.size(), 2u);
  EXPECT_TRUE(store->logins.DeleteLogin(phone));
  phones.clear();
  store->logins.LoadLogins(phones, passwords);
  EXPECT_EQ(phones, (PhoneMap{{78, "13800000001"}}));
}

TEST_F(LoginStoreTest, SoundMarkerTogglesAndRefusesTheStateItHas) {
  {
    auto store = openStore();
    EXPECT_TRUE(store->settings.IsSoundOn());
    EXPECT_FALSE(store->settings.SetSound(true));  // already on: nothing to drop
    EXPECT_TRUE(store->settings.SetSound(false));
    EXPECT_FALSE(store->settings.IsSoundOn());
    EXPECT_FALSE(store->settings.SetSound(false));  // already off
  }
  // The marker belongs to the computer, not to a run or an account.
  auto store = openStore();
  EXPECT_FALSE(store->settings.IsSoundOn());
  EXPECT_TRUE(store->settings.SetSound(true));
  EXPECT_TRUE(store->settings.IsSoundOn());
  EXPECT_EQ(rawQuery(loginFile(), "select name from sqlite_master where name='dis_voice'").size(), 0u);
}

TEST_F(LoginStoreTest, AFileThatCannotBeOpenedMakesEveryOperationFailQuietly) {
  // A directory where the database should be: SQLite cannot open it.
  std::filesystem::create_directory(loginFile());
  LocalStores store(clock_);
  store.ResolveProgramPaths();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store.logins.OpenLoginDatabase());
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("Can'topendatabase:", 0), 0u) << err;
  EXPECT_GT(err.size(), std::string("Can'topendatabase:n\n").size()) << "SQLite's reason is missing";

  EXPECT_FALSE(store.logins.SaveLogin("13800000001", 501, "pw"));
  PhoneMap phones;
  PasswordMap passwords;
  store.logins.LoadLogins(phones, passwords);
  EXPECT_TRUE(phones.empty());
  EXPECT_FALSE(store.logins.DeleteLogin("13800000001"));
  EXPECT_FALSE(store.logins.SetAutoLogin(501, true));
  EXPECT_TRUE(store.logins.SetAutoLogin(501, false));
  EXPECT_EQ(store.logins.GetAutoLogin(), std::nullopt);
  EXPECT_TRUE(store.settings.IsSoundOn());
  EXPECT_FALSE(store.settings.SetSound(false));
}

TEST(LoginStoreHome, ProgramDirectoryWithChineseCharacters) {
  test::StoreHome home("木棉 程序'目录");
  LocalStores store;
  store.ResolveProgramPaths();
  EXPECT_EQ(store.logins.programDirectory(), home.path());
  ASSERT_TRUE(store.logins.OpenLoginDatabase());
  EXPECT_TRUE(std::filesystem::is_regular_file(home.path() + "KivSys.dll"));
  ASSERT_TRUE(store.history.OpenMessageDatabase(1234));
  EXPECT_EQ(store.history.accountDirectory(), home.path() + "1234");
  EXPECT_TRUE(std::filesystem::is_regular_file(home.path() + "1234/MsgEx.db"));
  EXPECT_TRUE(store.history.AppendUserMessage(5, "m", "26-03-14 09:05:07"));
  EXPECT_EQ(store.history.ReadUserHistoryPage(5, 0), "\r\n\r\n26-03-14 09:05:07\r\nm");
}

TEST(PrivateFiles, PasswordsHistoryJournalAndLogAreTheUsersAloneWhateverTheUmask) {
  const mode_t before = ::umask(022);
  test::StoreHome home;
  const auto mode = [](const std::string& path) {
    return std::filesystem::symlink_status(path).permissions() & std::filesystem::perms::all;
  };
  using std::filesystem::perms;
  const perms secret = perms::owner_read | perms::owner_write;
  LocalStores store;
  store.ResolveProgramPaths();
  ASSERT_TRUE(store.logins.OpenLoginDatabase());
  ASSERT_TRUE(store.history.OpenMessageDatabase(10001));
  EXPECT_EQ(mode(home.path() + "KivSys.dll"), secret);
  EXPECT_EQ(mode(home.path() + "10001"), perms::owner_all);
  EXPECT_EQ(mode(home.path() + "10001/MsgEx.db"), secret);
  {
    // A write under way has its journal beside the database.
    SqliteDatabase db;
    ASSERT_TRUE(db.open(home.path() + "10001/MsgEx.db"));
    ASSERT_TRUE(db.execute("begin"));
    ASSERT_TRUE(db.execute("insert into msg_user (id,msg,rtime) values (1,'m','t')"));
    EXPECT_EQ(mode(home.path() + "10001/MsgEx.db-journal"), secret);
    db.execute("rollback");
  }
  {
    Log log;
    log.line() << " LoginServer,try num:" << 1;
    EXPECT_EQ(mode(home.path() + "Log"), perms::owner_all);
    EXPECT_EQ(mode(log.dayFilePath()), secret);
  }
  // A link planted where the login database goes is not followed.
  const std::string elsewhere = home.scratch("elsewhere.db");
  std::filesystem::remove(home.path() + "KivSys.dll");
  std::filesystem::create_symlink(elsewhere, home.path() + "KivSys.dll");
  LocalStores again;
  again.ResolveProgramPaths();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(again.logins.OpenLoginDatabase());
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(std::filesystem::exists(elsewhere));
  ::umask(before);
}

}  // namespace
}  // namespace kiv
