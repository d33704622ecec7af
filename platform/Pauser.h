#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kiv {

// Interruptible pauses. Worker threads pause through a Pauser so that
// shutting down does not wait out a long pause, and so that tests can run
// the same code with every pause scaled down (scale 0.01 turns the protocol's
// one-second cycle into ten milliseconds).
class Pauser {
 public:
  explicit Pauser(double scale = 1.0) : scale_(scale) {}

  // Sleeps for `duration` times the scale. Returns false when interrupt()
  // cut the pause short (or had been called and not yet reset()).
  bool pause(std::chrono::milliseconds duration);

  // Wakes every current and future pause until reset().
  void interrupt();
  void reset();
  bool interrupted() const;

  double scale() const { return scale_; }
  // The scaled length of a pause, for waits that do not go through pause().
  std::chrono::milliseconds scaled(std::chrono::milliseconds duration) const;

 private:
  const double scale_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool interrupted_ = false;
};

}  // namespace kiv
