#include "platform/Clock.h"

namespace kiv {

std::tm SystemClock::localNow() const {
  const std::time_t t = std::time(nullptr);
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

SystemClock& SystemClock::instance() {
  static SystemClock clock;
  return clock;
}

FakeClock::FakeClock(int year, int month, int day, int hour, int minute, int second) {
  set(year, month, day, hour, minute, second);
}

void FakeClock::set(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  std::lock_guard lock(mutex_);
  now_ = std::mktime(&t);
}

void FakeClock::advanceSeconds(long seconds) {
  std::lock_guard lock(mutex_);
  now_ += seconds;
}

std::tm FakeClock::localNow() const {
  std::lock_guard lock(mutex_);
  std::tm out{};
  localtime_r(&now_, &out);
  return out;
}

}  // namespace kiv
