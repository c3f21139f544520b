#include "codecs/date.h"

#include <cstdio>

#include "codecs/number.h"
#include "codecs/text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string TwoDigits(int value) {
  char work[16];
  std::snprintf(work, sizeof work, "%02d", value);
  return work;
}

}  // namespace

DateRec& Today(DateRec& date, const PlatLocalTime& now) {
  date.year = now.year;
  date.day = static_cast<std::uint8_t>(now.day);
  date.month = static_cast<std::uint8_t>(now.month);
  return date;
}

DateRec& ParseDate(const std::string& text, DateRec& date) {
  std::string work = text.substr(0, kDateTextLength);
  PadToWidth(work, kDateTextLength);
  // By position only: the separators are not looked at, and day and month
  // are kept as read, even outside their range.
  date.day = static_cast<std::uint8_t>(ToInt(work.substr(0, 2)));
  date.month = static_cast<std::uint8_t>(ToInt(work.substr(3, 2)));
  date.year = ToInt(work.substr(6, 4));
  return date;
}

DateRec& MonthStart(int day, const std::string& month_year, DateRec& date) {
  std::string month_year_field = month_year;
  if (month_year_field.size() < kMonthYearLength) PadToWidth(month_year_field, kMonthYearLength);
  std::string text = TwoDigits(day) + "/" + month_year_field;
  return ParseDate(CutAt(text, kDateTextLength), date);
}

std::string& FormatDate(const DateRec& date, std::string& buffer) {
  buffer.clear();
  if (date.year == 0) return buffer;
  int year = date.year >= 1 && date.year <= 9999 ? date.year : 0;
  int month = date.month >= 1 && date.month <= 13 ? date.month : 0;
  int day = date.day >= 1 && date.day <= 31 ? date.day : 0;
  char work[32];
  std::snprintf(work, sizeof work, "%02d/%02d/%04d", day, month, year);
  buffer = work;
  return CutAt(buffer, kDateTextLength);
}

int NormMonthYear(std::string& text, int current_year) {
  std::string read = text.substr(0, kMonthYearLength);
  int month = 0;
  int year = 0;
  if (read.size() <= 2) {
    // A month alone ('3', '12') is a month of this year.
    month = ToInt(read);
    year = current_year;
  } else {
    bool two_digits = IsDigit(read[0]) && IsDigit(read[1]);
    if (IsDigit(read[0])) month = read[0] - '0';
    if (two_digits) month = month * 10 + (read[1] - '0');
    // '03/2026' has its year after the separator; '3/2026', '3-2026' and
    // '032026' have it from the third character on.
    std::size_t year_start = two_digits && !IsDigit(read[2]) ? 3 : 2;
    year = ToInt(read.substr(year_start));
  }
  if (month >= 1 && month <= 13 && year >= kFirstMonthYear && year <= kLastMonthYear) {
    char work[32];
    std::snprintf(work, sizeof work, "%02d/%04d", month, year);
    text = work;
    return 1;
  }
  text.clear();
  return 0;
}
