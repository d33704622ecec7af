#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace kiv {

// What one conversation learns of the server's clock from its send replies:
// the seconds to add to the local clock so that the times of sent messages
// agree with those of received ones.
class ClockOffset {
 public:
  // Only a difference beyond this is taken for a wrong local clock rather
  // than for the time the message spent on its way.
  static constexpr std::int64_t kTolerance = 120;

  // The send time of a message sent at `localNow`: the local time corrected
  // by the offset. It is remembered as the last send time.
  std::time_t stampSend(std::time_t localNow);

  // A delivery reply carried `serverDigits` (YYMMDDhhmmss, local time of
  // the year 2000 + YY). When the server is more than kTolerance seconds
  // ahead of the last send time, the offset becomes that difference. A time
  // that is no valid date changes nothing.
  void learn(std::string_view serverDigits);

  std::int64_t seconds() const { return offset_; }
  std::time_t lastSend() const { return lastSend_; }

  // The 12 digits as seconds since the epoch, through the local time zone
  // (daylight saving as the system decides); nothing when they are not 12
  // digits of a valid date and time.
  static std::optional<std::time_t> parse(std::string_view digits);

 private:
  std::int64_t offset_ = 0;
  std::time_t lastSend_ = 0;
};

}  // namespace kiv
