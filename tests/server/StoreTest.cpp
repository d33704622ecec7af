#include "server/Store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "server/DatabaseCounterStore.h"
#include "server/ServerLimits.h"
#include "server/StoreSchema.h"
#include "server/TestDatabase.h"

// The store itself, run on both back ends (see testDatabase): what several
// connections, and so several server processes, must agree on.
namespace kiv::server {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    location_ = test::testDatabase(dir_, "store.db");
    store_ = open();
    ASSERT_TRUE(store_);
  }
  std::unique_ptr<Store> open() {
    std::string error;
    auto store = Store::open(location_, &error);
    EXPECT_TRUE(store) << error;
    return store;
  }

  test::TempDir dir_;
  std::string location_;
  std::unique_ptr<Store> store_;
};

TEST_F(StoreTest, BytesComeBackExactlyAndNumbersCountUp) {
  // GBK with every awkward byte: high bytes, a quote, a question mark (the
  // parameter sign), a NUL in the picture.
  const std::string nickname = "\xD5\xC5'?\x81\x40\xFE\xFE";
  const auto first = store_->accounts().addAccount("13900000001", "pw'?", nickname);
  ASSERT_EQ(first, kFirstUserId);
  EXPECT_EQ(store_->accounts().addAccount("13900000002", "pw", "b"), first + 1);
  EXPECT_EQ(store_->accounts().addAccount("13900000001", "pw", "again"), 0u) << "a phone has one account";
  const auto account = store_->accounts().accountByPhone("13900000001");
  ASSERT_TRUE(account);
  EXPECT_EQ(account->nickname, nickname);
  EXPECT_EQ(account->password, "pw'?");
  EXPECT_EQ(store_->search().searchUsers("?\x81\x40", 0, 10).size(), 1u);

  const std::string jpeg("\xFF\xD8\0\x01\xFF\xD9", 6);
  ASSERT_TRUE(store_->avatars().putAvatar(false, first, "old"));
  ASSERT_TRUE(store_->avatars().putAvatar(false, first, jpeg));
  EXPECT_EQ(store_->avatars().avatar(false, first), jpeg);
  EXPECT_FALSE(store_->avatars().avatar(true, first));

  const auto group = store_->groups().createGroup(first, nickname, "240101120000");
  EXPECT_EQ(group, kFirstGroupId);
  ASSERT_TRUE(store_->members().addMember(group, first + 1));
  const auto members = store_->members().members(group);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_TRUE(members[0].owner) << "members come in the order they joined";
  EXPECT_EQ(members[1].userId, first + 1);
}

TEST_F(StoreTest, TwoConnectionsTakingAtOnceHandOutEachMessageOnce) {
  constexpr int kMessages = 240;
  for (int i = 0; i < kMessages; ++i) {
    ASSERT_TRUE(
        store_->waiting().queueMessage(10001, ConversationKind::kPrivate, 10002, 10002, std::to_string(i), "t"));
  }
  EXPECT_EQ(store_->waiting().waitingTotals(10001).records, static_cast<std::size_t>(kMessages));
  auto other = open();
  ASSERT_TRUE(other);
  std::vector<std::string> takenA, takenB;
  auto drain = [](Store& store, std::vector<std::string>& into) {
    for (int emptyInARow = 0; emptyInARow < 3;) {
      const auto batch = store.waiting().takeMessages(10001, ConversationKind::kPrivate, 10002, 7);
      emptyInARow = batch.empty() ? emptyInARow + 1 : 0;
      for (const auto& m : batch) into.push_back(m.text);
      // Oldest first within a batch.
      for (std::size_t i = 1; i < batch.size(); ++i) EXPECT_LT(std::stoi(batch[i - 1].text), std::stoi(batch[i].text));
    }
  };
  std::thread a([&] { drain(*store_, takenA); });
  std::thread b([&] { drain(*other, takenB); });
  a.join();
  b.join();
  std::multiset<std::string> all(takenA.begin(), takenA.end());
  all.insert(takenB.begin(), takenB.end());
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kMessages));
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size()) << "a message went out twice";
  EXPECT_EQ(store_->waiting().waitingTotals(10001).records, 0u);
  EXPECT_EQ(store_->waiting().waitingTotals(10001).bytes, 0u);
}

TEST_F(StoreTest, AnAnswerKeptByOneConnectionIsFoundByAnotherUntilItIsOld) {
  auto other = open();
  ASSERT_TRUE(other);
  std::string request(40, 'r');
  ASSERT_TRUE(store_->answers().rememberAnswer(10001, request, "answer", 1000));
  EXPECT_EQ(other->answers().givenAnswer(10001, request, 1001), "answer");
  EXPECT_FALSE(other->answers().givenAnswer(10002, request, 1001)) << "another user's";
  std::string changed = request;
  changed.back() = 'x';
  EXPECT_FALSE(other->answers().givenAnswer(10001, changed, 1001)) << "same header, other request";
  EXPECT_FALSE(other->answers().givenAnswer(10001, request, 1000 + AnswerStore::kKeptSeconds + 1));

  for (char c = 'a'; c < 'f'; ++c) {
    std::string r(40, c);
    ASSERT_TRUE(other->answers().rememberAnswer(10003, r, std::string(1, c), 2000, 3));
  }
  EXPECT_EQ(store_->answers().keptAnswerCount(10003), 3u);
  EXPECT_EQ(store_->answers().givenAnswer(10003, std::string(40, 'e'), 2000), "e");
  EXPECT_FALSE(store_->answers().givenAnswer(10003, std::string(40, 'a'), 2000)) << "only the newest are kept";
}

TEST_F(StoreTest, ReopeningKeepsTheDataAndANewerSchemaIsRefused) {
  ASSERT_NE(store_->accounts().addAccount("13900000001", "pw", "a"), 0u);
  store_ = open();
  ASSERT_TRUE(store_);
  EXPECT_TRUE(store_->accounts().accountByPhone("13900000001"));
  EXPECT_EQ(store_->database().schemaVersion(), latestSchemaVersion(store_->database()));
  ASSERT_TRUE(store_->database().setSchemaVersion(latestSchemaVersion(store_->database()) + 1));
  std::string error;
  EXPECT_FALSE(Store::open(location_, &error));
  EXPECT_NE(error.find("newer"), std::string::npos) << error;
}

TEST_F(StoreTest, SharedCountersCountWhatEveryProcessDoes) {
  if (!test::testingOnPostgres()) GTEST_SKIP() << "one process on SQLite keeps its counters in memory";
  DatabaseCounterStore a, b;
  std::string error;
  ASSERT_TRUE(a.open(location_, &error)) << error;
  ASSERT_TRUE(b.open(location_, &error)) << error;
  using Millis = CounterStore::Millis;
  const Millis now(1'000'000'000), forget(60'000);
  a.addFailure("login:1", now, forget);
  EXPECT_EQ(b.addFailure("login:1", now + Millis(1), forget).count, 2);
  EXPECT_EQ(a.failures("login:1", now + Millis(2), forget).count, 2);
  EXPECT_EQ(a.failures("login:1", now + forget + Millis(1), forget).count, 0) << "old failures are forgotten";
  EXPECT_EQ(b.addFailure("login:1", now + forget + Millis(5), forget).count, 1);

  b.mark("owner:1", now, Millis(1000));
  EXPECT_TRUE(a.marked("owner:1", now + Millis(999)));
  EXPECT_FALSE(a.marked("owner:1", now + Millis(1000)));
  a.clear("login:1");
  EXPECT_EQ(b.failures("login:1", now + forget + Millis(6), forget).count, 0);

  // A bucket of three, refilled at one a second, drained through both.
  EXPECT_TRUE(a.take("send:1", 2, 3, 1, now));
  EXPECT_TRUE(b.take("send:1", 1, 3, 1, now));
  EXPECT_FALSE(a.take("send:1", 1, 3, 1, now + Millis(500)));
  EXPECT_TRUE(b.take("send:1", 1, 3, 1, now + Millis(1000)));
  EXPECT_TRUE(a.take("send:1", 3, 3, 1, now + Millis(10'000))) << "full again after a while";
}

}  // namespace
}  // namespace kiv::server
