#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "model/ModelTestSupport.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "platform/Gbk.h"
#include "storage/HistoryStore.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

class StrangerStoreTest : public ::testing::Test {
 protected:
  test::TempDir home{"kiv-model"};
  test::ScopedEnv env{"KIV_HOME", home.path().c_str()};
  HistoryStore store;

  void SetUp() override { ASSERT_TRUE(store.OpenMessageDatabase(5000)); }
};

TEST_F(StrangerStoreTest, EmptyStoreStillListsCustomerService) {
  ContactModel model;
  model.loadStrangers(store);
  const auto& strangers = model.list(ContactListKind::kStrangers);
  ASSERT_EQ(strangers.size(), 1);
  EXPECT_EQ(strangers.atRow(0)->userId, 1000);
  EXPECT_EQ(strangers.atRow(0)->nickname, gbk::fromUtf8("木棉客服"));
  EXPECT_EQ(strangers.atRow(0)->terminal, 0);
}

TEST_F(StrangerStoreTest, StoredStrangersComeBackWithAnonymousNamesAndServiceLast) {
  store.AppendStranger(42, "");
  store.AppendStranger(7, "it's \"me\"");
  store.AppendStranger(0, "nobody");
  store.AppendStranger(-5, "negative");
  store.AppendStranger(9, std::string(20, 'n'));
  ContactModel model;
  model.loadStrangers(store);
  const auto& strangers = model.list(ContactListKind::kStrangers);
  ASSERT_EQ(strangers.size(), 4);
  EXPECT_EQ(strangers.find(42)->nickname, gbk::fromUtf8("匿名"));
  EXPECT_EQ(strangers.find(7)->nickname, "it's \"me\"");
  EXPECT_EQ(strangers.find(9)->nickname, std::string(15, 'n'));
  // Stored order, not numeric order, then the service account.
  EXPECT_EQ(strangers.atRow(0)->userId, 42);
  EXPECT_EQ(strangers.atRow(1)->userId, 7);
  EXPECT_EQ(strangers.atRow(2)->userId, 9);
  EXPECT_EQ(strangers.atRow(3)->userId, 1000);

  // A stranger met during the sign-in is saved with the rest; the service
  // account once, wherever it stood.
  model.addOrUpdateContact(ContactListKind::kStrangers, {77, "new"});
  model.removeContact(ContactListKind::kStrangers, 7);
  ASSERT_TRUE(model.saveStrangers(store));
  ContactModel next;
  next.loadStrangers(store);
  const auto& again = next.list(ContactListKind::kStrangers);
  EXPECT_EQ(again.size(), 4);
  EXPECT_EQ(again.find(7), nullptr);
  EXPECT_EQ(again.find(77)->nickname, "new");
  EXPECT_EQ(again.find(1000)->nickname, gbk::fromUtf8("木棉客服"));
  EXPECT_EQ(again.atRow(1)->userId, 9);
  EXPECT_EQ(again.atRow(3)->userId, 77);
}

// A stand-in for the UI thread's event loop: runs posted work in order.
class UiLoop {
 public:
  UiLoop() : thread_([this] { run(); }) {}
  ~UiLoop() {
    post([this] { done_ = true; });
    thread_.join();
  }
  void post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    wake_.notify_one();
  }
  // What the receive thread does with a list answer: hand it over, wait.
  void runAndWait(std::function<void()> work) {
    std::mutex m;
    std::condition_variable cv;
    bool finished = false;
    post([&] {
      work();
      std::lock_guard lock(m);
      finished = true;
      cv.notify_one();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return finished; });
  }

 private:
  void run() {
    while (!done_) {
      std::function<void()> work;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !queue_.empty(); });
        work = std::move(queue_.front());
        queue_.pop_front();
      }
      work();
    }
  }
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool done_ = false;
  std::thread thread_;
};

FriendListResponse generation(int n) {
  FriendListResponse response;
  for (std::uint32_t id = 1; id <= 100; ++id)
    response.friends.push_back(FriendRecord{id, "gen" + std::to_string(n), static_cast<std::uint8_t>(n % 4)});
  return response;
}

// Every reader on the UI thread sees whole answers only: between two
// replacements all 100 rows carry the same generation.
TEST(ContactModelThreads, ReplacementsHandedToTheUiThreadAreNeverSeenHalfApplied) {
  ContactModel model;
  UiLoop ui;
  ui.runAndWait([&] { model.bindToCurrentThread(); });
  std::atomic<int> torn{0};
  std::atomic<bool> receiving{true};

  std::thread receiver([&] {
    for (int n = 1; n <= 200; ++n) ui.runAndWait([&, n] { model.replaceFriends(generation(n)); });
    receiving = false;
  });
  while (receiving) {
    ui.runAndWait([&] {
      const auto& friends = model.list(ContactListKind::kFriends);
      for (int row = 1; row < friends.size(); ++row)
        if (friends.atRow(row)->nickname != friends.atRow(0)->nickname) ++torn;
    });
  }
  receiver.join();
  ui.runAndWait([&] {
    EXPECT_EQ(model.list(ContactListKind::kFriends).atRow(99)->nickname, "gen200");
    EXPECT_EQ(model.list(ContactListKind::kFriends).size(), 100);
  });
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(model.wrongThreadCalls(), 0);
}

TEST(ContactModelThreads, ChangesFromAnotherThreadAreRefused) {
  ContactModel model;
  test::RecordingObserver observer;
  model.addObserver(&observer);
  std::thread other([&] {
    model.replaceFriends(generation(1));
    EXPECT_EQ(model.addOrUpdateContact(ContactListKind::kStrangers, {5, "x"}), -1);
    EXPECT_TRUE(model.replaceGroups(GroupListResponse{{GroupRecord{1, "g", 0, 0}}}).empty());
  });
  other.join();
  EXPECT_EQ(model.wrongThreadCalls(), 3);
  EXPECT_EQ(model.list(ContactListKind::kFriends).size(), 0);
  EXPECT_TRUE(model.groups().empty());
  EXPECT_TRUE(observer.events.empty());
}

}  // namespace
}  // namespace kiv
