// ParseDate and FormatDate on any bytes: never a crash; a date text is either
// empty (no year) or ten characters dd/mm/yyyy; in-range dates survive a
// round trip.
#include "codecs/date.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = FuzzText(data, size);
  DateRec date;
  ParseDate(text, date);
  DateRec again;
  ParseDate(text.substr(0, kDateTextLength), again);
  FUZZ_CHECK(again.year == date.year && again.month == date.month && again.day == date.day);

  std::string shown;
  FormatDate(date, shown);
  if (date.year == 0) {
    FUZZ_CHECK(shown.empty());
  } else {
    FUZZ_CHECK(shown.size() == static_cast<std::size_t>(kDateTextLength));
    FUZZ_CHECK(shown[2] == '/' && shown[5] == '/');
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) FUZZ_CHECK(IsDigit(shown[i]));
    DateRec back;
    ParseDate(shown, back);
    bool in_range = date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 13 &&
                    date.day >= 1 && date.day <= 31;
    if (in_range)
      FUZZ_CHECK(back.year == date.year && back.month == date.month && back.day == date.day);
  }

  // The same bytes as a month/year text for MonthStart.
  DateRec start;
  MonthStart(1, text, start);
  FUZZ_CHECK(start.day == 1);
  return 0;
}
