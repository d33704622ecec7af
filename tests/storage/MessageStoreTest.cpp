#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Gbk.h"
#include "storage/HistoryStore.h"
#include "storage/SqliteDatabase.h"
#include "storage/StoreHome.h"

namespace kiv {
namespace {

constexpr std::int32_t kAccount = 10001;

// "yy-mm-dd hh:mm:ss" for the n-th second of a day; distinct and ordered.
std::string timeText(int n) {
  char text[32];
  std::snprintf(text, sizeof text, "26-03-14 %02d:%02d:%02d", n / 3600 % 24, n / 60 % 60, n % 60);
  return text;
}

int countEntries(const std::string& page) {
  int n = 0;
  for (std::size_t at = page.find("\r\n\r\n"); at != std::string::npos; at = page.find("\r\n\r\n", at + 4)) ++n;
  return n;
}

class MessageStoreTest : public ::testing::Test {
 protected:
  test::StoreHome home_;
  HistoryStore store_;

  std::string messageFile() const { return home_.path() + std::to_string(kAccount) + "/MsgEx.db"; }

  void SetUp() override {
    store_.ResolveProgramPaths();
    ASSERT_TRUE(store_.OpenMessageDatabase(kAccount));
  }

  std::vector<SqliteDatabase::Row> rawQuery(const std::string& sql) {
    SqliteDatabase db;
    EXPECT_TRUE(db.open(messageFile()));
    return db.query(sql);
  }
};

TEST_F(MessageStoreTest, FirstSignInCreatesTheTablesWordForWordAndTheHistoryIndexes) {
  EXPECT_TRUE(std::filesystem::is_directory(home_.path() + "10001"));
  const auto tables = rawQuery("select name, sql from sqlite_master where type='table' order by rowid");
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(*tables[0][1], "CREATE TABLE msg_user(id INTEGER, msg TEXT, rtime TEXT)");
  EXPECT_EQ(*tables[1][1], "CREATE TABLE msg_group(id INTEGER, msg TEXT, rtime TEXT)");
  EXPECT_EQ(*tables[2][1], "CREATE TABLE user_others(id INTEGER, msg TEXT)");
  const auto indexes = rawQuery("select tbl_name from sqlite_master where type='index' order by tbl_name");
  ASSERT_EQ(indexes.size(), 2u);
  EXPECT_EQ(*indexes[0][0], "msg_group");
  EXPECT_EQ(*indexes[1][0], "msg_user");

  // The page query uses the index instead of sorting the whole table.
  std::string plan;
  for (const auto& row :
       rawQuery("explain query plan select rtime,msg from msg_user where id=5 order by rtime desc Limit 20 offset 0")) {
    plan += *row.back() + "\n";
  }
  EXPECT_NE(plan.find("msg_user_id_rtime"), std::string::npos) << plan;
  EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
}

TEST_F(MessageStoreTest, AFileFromBeforeTheIndexKeepsItsRowsAndGainsTheIndex) {
  const std::string file = home_.path() + "777/MsgEx.db";
  std::filesystem::create_directory(home_.path() + "777");
  {
    SqliteDatabase old;
    ASSERT_TRUE(old.open(file));
    ASSERT_TRUE(old.execute("CREATE TABLE msg_user(id INTEGER, msg TEXT, rtime TEXT)"));
    ASSERT_TRUE(old.execute("CREATE TABLE msg_group(id INTEGER, msg TEXT, rtime TEXT)"));
    ASSERT_TRUE(old.execute("CREATE TABLE user_others(id INTEGER, msg TEXT)"));
    ASSERT_TRUE(old.execute("insert into msg_user (id,msg,rtime) values (5,'old','25-01-01 00:00:00')"));
  }
  HistoryStore store;
  ASSERT_TRUE(store.OpenMessageDatabase(777));
  EXPECT_EQ(store.ReadUserHistoryPage(5, 0), "\r\n\r\n25-01-01 00:00:00\r\nold");
  SqliteDatabase db;
  ASSERT_TRUE(db.open(file));
  EXPECT_EQ(db.query("select name from sqlite_master where type='index'").size(), 2u);
}

TEST_F(MessageStoreTest, PagesHoldTwentyEntriesNewestFirstOfOneConversationOnly) {
  // 45 entries for user 7, interleaved with entries that must never leak in:
  // another user, and group 7 in the other table.
  for (int i = 0; i < 45; ++i) {
    ASSERT_TRUE(store_.AppendUserMessage(7, "u7-" + std::to_string(i), timeText(i * 2)));
    ASSERT_TRUE(store_.AppendUserMessage(8, "u8-" + std::to_string(i), timeText(i * 2 + 1)));
    ASSERT_TRUE(store_.AppendGroupMessage(7, "g7-" + std::to_string(i), timeText(i * 2 + 1)));
  }
  const std::string page0 = store_.ReadUserHistoryPage(7, 0);
  const std::string page1 = store_.ReadUserHistoryPage(7, 1);
  const std::string page2 = store_.ReadUserHistoryPage(7, 2);
  EXPECT_EQ(countEntries(page0), 20);
  EXPECT_EQ(countEntries(page1), 20);
  EXPECT_EQ(countEntries(page2), 5);
  EXPECT_EQ(store_.ReadUserHistoryPage(7, 3), "");
  EXPECT_EQ(store_.ReadUserHistoryPage(7, -1), "");
  EXPECT_EQ(store_.ReadUserHistoryPage(7, INT32_MAX), "");
  for (const auto& page : {page0, page1, page2}) {
    EXPECT_EQ(page.find("u8-"), std::string::npos);
    EXPECT_EQ(page.find("g7-"), std::string::npos);
  }
  // Newest first, each entry exactly "\r\n\r\n<time>\r\n<text>".
  EXPECT_EQ(page0.substr(0, 32), "\r\n\r\n" + timeText(88) + "\r\nu7-44\r\n\r\n");
  std::string expected2;
  for (int i = 4; i >= 0; --i) expected2 += "\r\n\r\n" + timeText(i * 2) + "\r\nu7-" + std::to_string(i);
  EXPECT_EQ(page2, expected2);

  EXPECT_EQ(countEntries(store_.ReadGroupHistoryPage(7, 2)), 5);
  EXPECT_EQ(store_.ReadGroupHistoryPage(7, 0).find("u7-"), std::string::npos);
  EXPECT_EQ(store_.ReadGroupHistoryPage(8, 0), "");
  EXPECT_EQ(store_.ReadUserHistoryPage(9, 0), "");
}

TEST_F(MessageStoreTest, AnyTextIsStoredAndReadBackByteForByte) {
  const std::string hostile = std::string("it's \"quoted\" \\ 100% %s %d ');drop table msg_user;--") + '\0' + "after";
  const std::string gbk = gbk::fromUtf8("我(私聊):你好") + "\x81";  // a lead byte without its trail byte
  ASSERT_TRUE(store_.AppendUserMessage(3, hostile, "26-03-14 09:00:00"));
  ASSERT_TRUE(store_.AppendGroupMessage(3, gbk, "26-03-14 09:00:01"));
  EXPECT_EQ(store_.ReadUserHistoryPage(3, 0), "\r\n\r\n26-03-14 09:00:00\r\n" + hostile);
  EXPECT_EQ(store_.ReadGroupHistoryPage(3, 0), "\r\n\r\n26-03-14 09:00:01\r\n" + gbk);

  // The file holds the GBK bytes themselves, as text.
  const auto rows = rawQuery("select msg, typeof(msg) from msg_group");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], "\xce\xd2(\xcb\xbd\xc1\xc4):\xc4\xe3\xba\xc3\x81");
  EXPECT_EQ(*rows[0][1], "text");

  StrangerMap strangers;
  ASSERT_TRUE(store_.AppendStranger(4, hostile));
  store_.LoadStrangers(strangers);
  EXPECT_EQ(strangers[4], hostile);
}

TEST_F(MessageStoreTest, SavingTheStrangersTwiceLeavesExactlyTheSecondList) {
  auto save = [this](const StrangerMap& list) {
    ASSERT_TRUE(store_.ClearTable("user_others"));
    for (const auto& [id, nickname] : list) ASSERT_TRUE(store_.AppendStranger(id, nickname));
  };
  save({{11, "eleven"}, {12, "twelve"}, {13, "thirteen"}});
  const StrangerMap second{{12, "twelve again"}, {14, ""}};  // an empty nickname stays empty
  save(second);

  StrangerMap loaded{{99, "kept by the caller"}};
  store_.LoadStrangers(loaded);  // answers 0 by definition
  StrangerMap expected = second;
  expected[99] = "kept by the caller";
  EXPECT_EQ(loaded, expected);

  // A later row of the same UserId wins.
  store_.AppendStranger(14, "named later");
  loaded.clear();
  store_.LoadStrangers(loaded);
  EXPECT_EQ(loaded[14], "named later");
}

TEST_F(MessageStoreTest, TableNamesThatAreNotPlainIdentifiersAreRefused) {
  ASSERT_TRUE(store_.AppendUserMessage(1, "keep", "26-03-14 09:00:00"));
  EXPECT_EQ(store_.AppendMessage("msg_user (id,msg,rtime) values (1,'x','y');--", 1, "m", "t"), 0);
  EXPECT_EQ(store_.ReadHistoryPage("msg_user where 1=1 or id", 1, 0), "");
  EXPECT_EQ(store_.ClearTable("msg_user; delete from msg_group"), 0);
  EXPECT_FALSE(store_.ClearTable(""));
  EXPECT_FALSE(store_.ClearTable("no_such_table"));
  EXPECT_EQ(countEntries(store_.ReadUserHistoryPage(1, 0)), 1);
}

TEST_F(MessageStoreTest, AnotherSignInSwitchesToThatAccountsDatabase) {
  ASSERT_TRUE(store_.AppendUserMessage(5, "for 10001", "26-03-14 09:00:00"));
  ASSERT_TRUE(store_.OpenMessageDatabase(10002));
  EXPECT_EQ(store_.ReadUserHistoryPage(5, 0), "");
  ASSERT_TRUE(store_.OpenMessageDatabase(kAccount));
  EXPECT_EQ(countEntries(store_.ReadUserHistoryPage(5, 0)), 1);
}

TEST_F(MessageStoreTest, TwoThreadsAppendingAtOnceLoseNothing) {
  // Each append is its own transaction with about fifty system calls; 5,000
  // per thread interleave thoroughly and keep the test a few seconds long
  // under the sanitizers.
  constexpr int kPerThread = 5000;
  const auto started = std::chrono::steady_clock::now();
  auto writer = [this](std::int32_t id, int* failures) {
    for (int i = 0; i < kPerThread; ++i) {
      if (!store_.AppendUserMessage(id, std::to_string(i), timeText(i))) ++*failures;
    }
  };
  int failuresA = 0;
  int failuresB = 0;
  std::thread a(writer, 1, &failuresA);
  std::thread b(writer, 2, &failuresB);
  // Meanwhile the UI thread pages through the history, as the viewer may.
  for (int i = 0; i < 50; ++i) store_.ReadUserHistoryPage(1 + i % 2, i % 3);
  a.join();
  b.join();
  EXPECT_EQ(failuresA, 0);
  EXPECT_EQ(failuresB, 0);
  const auto counts = rawQuery("select id, count(*), count(distinct msg) from msg_user group by id order by id");
  ASSERT_EQ(counts.size(), 2u);
  for (const auto& row : counts) {
    EXPECT_EQ(*row[1], std::to_string(kPerThread));
    EXPECT_EQ(*row[2], std::to_string(kPerThread));
  }
  std::printf(
      "%d appends from two threads: %lld ms\n", 2 * kPerThread,
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
}

TEST_F(MessageStoreTest, ABatchThatCannotBeStoredWholeLeavesNothingBehind) {
  // The disk fills up at the second row of three fetched together (a
  // trigger stands in for the full disk: it refuses the same way).
  {
    SqliteDatabase db;
    ASSERT_TRUE(db.open(messageFile()));
    ASSERT_TRUE(db.execute("CREATE TRIGGER full BEFORE INSERT ON msg_user WHEN NEW.msg = 'two' "
                           "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"));
  }
  const std::vector<HistoryRow> rows = {{"one", timeText(1)}, {"two", timeText(2)}, {"three", timeText(3)}};
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store_.AppendMessages(HistoryStore::kUserTable, 7, rows));
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(rawQuery("select msg from msg_user").empty()) << "nothing half-written";

  // Once there is room again, the same batch goes in whole.
  rawQuery("DROP TRIGGER full");
  EXPECT_TRUE(store_.AppendMessages(HistoryStore::kUserTable, 7, rows));
  EXPECT_EQ(rawQuery("select count(*) from msg_user")[0][0], std::optional<std::string>("3"));
}

TEST(MessageStoreFailure, ADatabaseThatCannotBeOpenedMakesEveryOperationFailQuietly) {
  test::StoreHome home;
  // A file where the account directory should be.
  std::ofstream(home.path() + "42") << "not a directory";
  HistoryStore store;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store.OpenMessageDatabase(42));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("Can'topendatabase:", 0), 0u) << err;

  EXPECT_FALSE(store.AppendUserMessage(1, "m", "26-03-14 09:00:00"));
  EXPECT_FALSE(store.AppendGroupMessage(1, "m", "26-03-14 09:00:00"));
  EXPECT_EQ(store.ReadUserHistoryPage(1, 0), "");
  EXPECT_FALSE(store.AppendStranger(1, "x"));
  StrangerMap strangers;
  store.LoadStrangers(strangers);
  EXPECT_TRUE(strangers.empty());
  EXPECT_FALSE(store.ClearTable("user_others"));
}

}  // namespace
}  // namespace kiv
