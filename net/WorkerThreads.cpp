#include "net/WorkerThreads.h"

#include <thread>

#include "platform/Pauser.h"

namespace kiv {

void WorkerThreads::retire() {
  ++generation_;
  pauser_.interrupt();
}

void WorkerThreads::waitForRetired() {
  std::unique_lock lock(lock_);
  changed_.wait(lock, [this] { return alive_ == inCallback_; });
}

bool WorkerThreads::waitForAll(std::chrono::milliseconds timeout) {
  std::unique_lock lock(lock_);
  return changed_.wait_for(lock, timeout, [this] { return alive_ == 0; });
}

bool WorkerThreads::busy() const {
  std::lock_guard lock(lock_);
  return alive_ > inCallback_;
}

bool WorkerThreads::spawn(std::function<void()> main) {
  counted();
  try {
    std::thread(std::move(main)).detach();
    return true;
  } catch (...) {
    ended();
    return false;
  }
}

void WorkerThreads::change(int alive, int inCallback) {
  {
    std::lock_guard lock(lock_);
    alive_ += alive;
    inCallback_ += inCallback;
  }
  changed_.notify_all();
}

}  // namespace kiv
