#include "codecs/calendar.h"

#include "codecs/digits.h"

namespace {

int Value(std::string_view digits) { return (int)DigitsValue(digits); }

}  // namespace

int IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int CompactDateValue(std::string_view text) {
  if (text.size() != 8 || !AllDigits(text)) return 0;
  int year = Value(text.substr(0, 4));
  int month = Value(text.substr(4, 2));
  int day = Value(text.substr(6, 2));
  if (year < kFirstCompactYear || year > kLastCompactYear || month < 1 || day < 1 ||
      day > DaysInMonth(month, year))
    return 0;
  return year * 10000 + month * 100 + day;
}

int CompactMonthValue(std::string_view text) {
  if (text.size() != 6 || !AllDigits(text)) return 0;
  int month = Value(text.substr(0, 2));
  int year = Value(text.substr(2, 4));
  if (year < kFirstCompactYear || year > kLastCompactYear || month < 1 || month > 12) return 0;
  return year * 100 + month;
}
