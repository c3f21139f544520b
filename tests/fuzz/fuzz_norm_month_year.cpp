// The month/year field logic on any bytes: the field ends either empty or as
// MM/YYYY with a month of 1 to 13 and a year of 1000 to 2100, and a field
// that is already normal stays as it is.
#include "codecs/date.h"
#include "codecs/number.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first two bytes pick the current year (some of them out of range).
  int current_year = size >= 2 ? 900 + (data[0] | (data[1] << 8)) % 1400 : 2026;
  std::string text = size >= 2 ? FuzzText(data + 2, size - 2) : std::string();
  std::string field = text;
  int result = NormMonthYear(field, current_year);
  if (result == 0) {
    FUZZ_CHECK(field.empty());
    return 0;
  }
  FUZZ_CHECK(result == 1);
  FUZZ_CHECK(field.size() == static_cast<std::size_t>(kMonthYearLength) && field[2] == '/');
  int month = ToInt(field.substr(0, 2));
  int year = ToInt(field.substr(3));
  FUZZ_CHECK(month >= 1 && month <= 13);
  FUZZ_CHECK(year >= kFirstMonthYear && year <= kLastMonthYear);
  // A text of at most two characters is a month of the current year.
  if (text.size() <= 2) FUZZ_CHECK(year == current_year);
  std::string again = field;
  FUZZ_CHECK(NormMonthYear(again, 1) == 1 && again == field);
  // What the Sintegra generation reads from it: day 1 of that month.
  DateRec start;
  MonthStart(1, field, start);
  FUZZ_CHECK(start.day == 1 && start.month == month && start.year == year);
  return 0;
}
