#include "codecs/calendar.h"

namespace {

// The value of a text of digits only; -1 when it holds anything else.
int DigitsOnly(std::string_view text) {
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

int IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int CompactDateValue(std::string_view text) {
  if (text.size() != 8) return 0;
  int year = DigitsOnly(text.substr(0, 4));
  int month = DigitsOnly(text.substr(4, 2));
  int day = DigitsOnly(text.substr(6, 2));
  if (year < kFirstCompactYear || year > kLastCompactYear || month < 1 || day < 1 ||
      day > DaysInMonth(month, year))
    return 0;
  return year * 10000 + month * 100 + day;
}

int CompactMonthValue(std::string_view text) {
  if (text.size() != 6) return 0;
  int month = DigitsOnly(text.substr(0, 2));
  int year = DigitsOnly(text.substr(2, 4));
  if (year < kFirstCompactYear || year > kLastCompactYear || month < 1 || month > 12) return 0;
  return year * 100 + month;
}
