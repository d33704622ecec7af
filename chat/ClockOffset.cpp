#include "chat/ClockOffset.h"

namespace kiv {
namespace {

// The two-digit number at `at`.
int pair(std::string_view digits, std::size_t at) {
  return (digits[at] - '0') * 10 + (digits[at + 1] - '0');
}

}  // namespace

std::time_t ClockOffset::stampSend(std::time_t localNow) {
  lastSend_ = localNow + static_cast<std::time_t>(offset_);
  return lastSend_;
}

void ClockOffset::learn(std::string_view serverDigits) {
  const auto server = parse(serverDigits);
  if (!server) return;
  const std::int64_t difference = static_cast<std::int64_t>(*server) - static_cast<std::int64_t>(lastSend_);
  if (difference > kTolerance) offset_ = difference;
}

std::optional<std::time_t> ClockOffset::parse(std::string_view digits) {
  if (digits.size() != 12) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  std::tm when{};
  when.tm_year = 100 + pair(digits, 0);
  when.tm_mon = pair(digits, 2) - 1;
  when.tm_mday = pair(digits, 4);
  when.tm_hour = pair(digits, 6);
  when.tm_min = pair(digits, 8);
  when.tm_sec = pair(digits, 10);
  when.tm_isdst = -1;
  if (when.tm_mon < 0 || when.tm_mon > 11 || when.tm_mday < 1 || when.tm_mday > 31 || when.tm_hour > 23 ||
      when.tm_min > 59 || when.tm_sec > 59)
    return std::nullopt;
  const std::time_t seconds = std::mktime(&when);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return seconds;
}

}  // namespace kiv
