#include "profile/Birthday.h"

#include <cstdio>

namespace kiv::birthday {

namespace {

// What the window sends when the year is "-".
constexpr const char* kUnknownYear = "1000";
// The whole birthday sent when nothing at all was chosen.
constexpr std::string_view kNothingChosen = "10000101";

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kDays[month - 1];
}

// The value of `count` decimal digits at `offset`, or -1 when any is missing
// or no digit.
int digitsAt(std::string_view text, std::size_t offset, std::size_t count) {
  if (text.size() < offset + count) return -1;
  int value = 0;
  for (std::size_t i = offset; i < offset + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

bool isCalendarDate(int year, int month, int day) {
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  return day <= daysIn(year, month);
}

Choice fromWire(std::string_view text) {
  Choice choice;
  if (text.empty() || text == kNothingChosen) return choice;
  const int year = digitsAt(text, 0, 4);
  if (year >= kFirstYear && year <= kLastYear) choice.year = year;
  const int month = digitsAt(text, 4, 2);
  if (month >= 1 && month <= 12) choice.month = month;
  const int day = digitsAt(text, 6, 2);
  if (day >= 1 && day <= 31) choice.day = day;
  return choice;
}

std::optional<std::string> toWire(const Choice& choice) {
  const bool yearKnown = choice.year != 0;
  const std::string year = yearKnown ? std::to_string(choice.year) : std::string(kUnknownYear);
  if (choice.month <= 0 || choice.day <= 0) return year + "0101";

  int day = choice.day;
  if (choice.month == 2 && day > 29) day = 29;
  if ((choice.month == 4 || choice.month == 6 || choice.month == 9 || choice.month == 11) && day > 30) day = 30;
  // An unknown year may be any year, a leap year too.
  const int checkedYear = yearKnown ? choice.year : 2000;
  if (!isCalendarDate(checkedYear, choice.month, day)) return std::nullopt;

  char digits[8];
  std::snprintf(digits, sizeof digits, "%02d%02d", choice.month, day);
  return year + digits;
}

}  // namespace kiv::birthday
