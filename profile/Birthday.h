#pragma once

#include <optional>
#include <string>
#include <string_view>

// The birthday of a profile as the profile window's three lists choose it and
// as it travels: eight ASCII digits YYYYMMDD.
namespace kiv::birthday {

// The year list holds "-" and then kFirstYear..kLastYear; the month and day
// lists hold "-" and then 1..12 and 1..31, so an item's position is its
// number.
inline constexpr int kFirstYear = 1960;
inline constexpr int kLastYear = 2030;
inline constexpr int kYearItems = 1 + kLastYear - kFirstYear + 1;  // 72
inline constexpr int kMonthItems = 13;
inline constexpr int kDayItems = 32;

// What the three lists show; 0 everywhere is "-".
struct Choice {
  int year = 0;   // the year itself, or 0 for "-"
  int month = 0;  // 1..12, or 0
  int day = 0;    // 1..31, or 0
  bool operator==(const Choice&) const = default;
};

// A real date of the Gregorian calendar (leap years included).
bool isCalendarDate(int year, int month, int day);

// The lists' selection for a birthday from the server. An empty or malformed
// field, or the one the window writes when nothing was chosen ("10000101"),
// shows "-" in all three; a year outside the list shows "-" alone; month and
// day are read by their numeric values and show "-" when out of range.
Choice fromWire(std::string_view text);

// The birthday to send for a selection, or nothing when it is no date. With
// both month and day chosen, the day is first capped at the month's longest
// (29 for February, 30 for April, June, September and November), then the
// date must exist: 29 February is refused outside leap years. A year left at
// "-" is sent as "1000" and then counts as unknown, so 29 February stays
// valid. With month or day at "-" the date is the year and "0101".
std::optional<std::string> toWire(const Choice& choice);

}  // namespace kiv::birthday
