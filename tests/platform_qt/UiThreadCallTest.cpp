#include "platform/qtcore/UiThreadCall.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace kiv {
namespace {

void processUntil(const std::atomic<bool>& done) {
  while (!done) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// From a worker: posted calls run on the UI thread in the order posted and
// only while their context lives; a blocking call returns after its work ran
// there, with the worker's locals written.
TEST(UiThreadCall, WorkerCallsRunOnTheUiThreadInOrderAndOnlyForLiveContexts) {
  QObject live;
  auto doomed = std::make_unique<QObject>();
  QObject* doomedContext = doomed.get();
  std::vector<int> order;  // UI thread only
  std::atomic<bool> posted{false};
  std::atomic<bool> done{false};
  bool ranOnUi = false;
  std::thread worker([&] {
    postToThreadOf(&live, [&] { order.push_back(1); });
    postToThreadOf(doomedContext, [&] { order.push_back(99); });
    postToThreadOf(&live, [&] { order.push_back(2); });
    posted = true;
    int answer = 0;
    callOnThreadOf(&live, [&] {
      ranOnUi = QThread::currentThread() == live.thread();
      answer = static_cast<int>(order.size());
    });
    EXPECT_EQ(answer, 2);
    done = true;
  });
  while (!posted) std::this_thread::yield();
  doomed.reset();  // before the UI thread looked at its queue
  processUntil(done);
  worker.join();
  EXPECT_TRUE(ranOnUi);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace kiv
