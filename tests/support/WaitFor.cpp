#include "support/WaitFor.h"

#include <atomic>
#include <thread>

namespace kiv::test {
namespace {

void sleepSlice(std::chrono::milliseconds slice) {
  std::this_thread::sleep_for(slice);
}

std::atomic<WaitPump> currentPump{sleepSlice};

}  // namespace

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout, std::chrono::milliseconds every) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    currentPump.load()(every);
  }
  return true;
}

void setWaitPump(WaitPump pump) {
  currentPump.store(pump != nullptr ? pump : sleepSlice);
}

}  // namespace kiv::test
