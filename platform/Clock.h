#pragma once

#include <ctime>
#include <mutex>

namespace kiv {

// The source of the local wall-clock time. Connection code takes its time
// stamps from a Clock so that tests can run it at any date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::tm localNow() const = 0;
};

// The real local time.
class SystemClock final : public Clock {
 public:
  std::tm localNow() const override;
  // The process-wide instance.
  static SystemClock& instance();
};

// A clock that stands still until a test sets or advances it.
class FakeClock final : public Clock {
 public:
  // Starts at the given local time fields (year as the full year, month 1-12).
  FakeClock(int year, int month, int day, int hour, int minute, int second);
  std::tm localNow() const override;
  void set(int year, int month, int day, int hour, int minute, int second);
  void advanceSeconds(long seconds);

 private:
  mutable std::mutex mutex_;
  std::time_t now_ = 0;
};

}  // namespace kiv
