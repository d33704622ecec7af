// The message manager on a large history: one friend with 100,000 stored
// messages among as many of 100 other friends. Times every step a user
// takes, as the window takes it (the page read, the pane update and the
// repaint that follows): choosing the friend, 500 times "下一页" up to page
// 500, then 20 times "上一页". Prints the figures; the aim is every step
// under 5 ms.

#include <stdlib.h>

#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "GeneratedHistory.h"
#include "history/CDlgHistory.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"
#include "avatars/Avatars.h"

namespace {

constexpr std::int32_t kAccount = 10001;
constexpr std::int32_t kBusyFriend = 10002;
constexpr int kBusyRows = 100'000;
constexpr int kOtherFriends = 100;
constexpr int kOtherRows = 100'000;
constexpr int kTargetPage = 500;
constexpr int kBackSteps = 20;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
  std::vector<double> steps;
  double median() {
    std::sort(steps.begin(), steps.end());
    return steps[steps.size() / 2];
  }
  double p99() {
    std::sort(steps.begin(), steps.end());
    return steps[steps.size() * 99 / 100];
  }
  double max() { return *std::max_element(steps.begin(), steps.end()); }
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  std::string root = (std::filesystem::temp_directory_path() / "kiv-bench-history-XXXXXX").string();
  if (mkdtemp(root.data()) == nullptr) return 1;
  setenv("KIV_HOME", (root + "/").c_str(), 1);
  const std::string accountDir = root + "/" + std::to_string(kAccount);
  std::filesystem::create_directories(accountDir);
  auto started = Clock::now();
  // The busy friend's conversation interleaved in time with everybody
  // else's.
  kiv::bench::generateHistory(
      accountDir + "/MsgEx.db", kBusyRows + kOtherRows,
      [](int i) { return i % 2 == 0 ? kBusyFriend : kBusyFriend + 1 + (i / 2) % kOtherFriends; },
      kiv::gbk::fromUtf8("李小红(私聊):周末一起去打羽毛球吧，场地我已经订好了。"), 13);
  std::printf("set-up: %d rows generated in %.1f s\n", kBusyRows + kOtherRows, millisecondsSince(started) / 1000);

  // No avatar host: the tree keeps the default pictures.
  kiv::defaultAvatarService().setWeb(kiv::Endpoint{"127.0.0.1", 9});
  kiv::NetClient net;
  kiv::ContactModel model;
  kiv::LocalStores store;
  started = Clock::now();
  store.history.OpenMessageDatabase(kAccount);  // builds the index on first use
  std::printf("first open (index build): %.0f ms\n", millisecondsSince(started));
  kiv::SelfProfile self;
  self.userId = kAccount;
  model.setSelf(self);
  for (int i = 0; i <= kOtherFriends; ++i) {
    kiv::ContactEntry entry;
    entry.userId = kBusyFriend + i;
    entry.nickname = kiv::gbk::fromUtf8(i == 0 ? "李小红" : "好友" + std::to_string(i));
    model.addOrUpdateContact(kiv::ContactListKind::kFriends, entry);
  }
  kiv::ClientSession session{net, model, store, {}};

  kiv::CDlgHistory dialog(session);
  started = Clock::now();
  dialog.Rebuild();
  std::printf("rebuild with %d friends: %.1f ms\n", kOtherFriends + 1, millisecondsSince(started));
  dialog.show();
  QApplication::processEvents();

  // One user step: the action, then the events it posted (the repaint).
  auto timed = [](const std::function<void()>& step) {
    const auto start = Clock::now();
    step();
    QApplication::processEvents();
    return millisecondsSince(start);
  };

  QTreeWidgetItem* busy = dialog.friendsRoot()->child(0);
  const double choose = timed([&] { dialog.choose(busy); });
  Figures forward;
  for (int page = 1; page <= kTargetPage; ++page) forward.steps.push_back(timed([&] { dialog.nextPage(); }));
  const double reaching = forward.steps.back();
  Figures back;
  for (int i = 0; i < kBackSteps; ++i) back.steps.push_back(timed([&] { dialog.previousPage(); }));

  std::printf("choose the friend (%d messages), page 0: %.2f ms\n", kBusyRows, choose);
  std::printf("%d x next page: median %.2f ms, p99 %.2f ms, max %.2f ms; the step to page %d: %.2f ms\n",
              kTargetPage, forward.median(), forward.p99(), forward.max(), kTargetPage, reaching);
  std::printf("%d x previous page from page %d: median %.2f ms, max %.2f ms\n", kBackSteps, kTargetPage,
              back.median(), back.max());
  // The share of the store: the same reads without the window.
  Figures reads;
  for (int page = 0; page <= kTargetPage; ++page)
    reads.steps.push_back(timed([&] { (void)store.history.ReadUserHistoryPage(kBusyFriend, page); }));
  std::printf("page reads alone, pages 0..%d: median %.2f ms, max %.2f ms\n", kTargetPage, reads.median(),
              reads.max());
  const bool met = choose < 5 && forward.max() < 5 && back.max() < 5;
  std::printf("every step under 5 ms: %s\n", met ? "yes" : "NO");

  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return met ? 0 : 2;
}
