#include "platform/Pauser.h"

namespace kiv {

std::chrono::milliseconds Pauser::scaled(std::chrono::milliseconds duration) const {
  const auto ms = static_cast<long long>(static_cast<double>(duration.count()) * scale_);
  return std::chrono::milliseconds(duration.count() > 0 && ms == 0 ? 1 : ms);
}

bool Pauser::pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, scaled(duration), [this] { return interrupted_; });
}

void Pauser::interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  wake_.notify_all();
}

void Pauser::reset() {
  std::lock_guard lock(mutex_);
  interrupted_ = false;
}

bool Pauser::interrupted() const {
  std::lock_guard lock(mutex_);
  return interrupted_;
}

}  // namespace kiv
