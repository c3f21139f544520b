// Dates, month/year fields and today's date.
#include <gtest/gtest.h>

#include <string>

#include "codecs/date.h"

namespace {

struct DateCase {
  const char* name;
  std::string text;
  int day, month, year;
};

void ExpectDate(const DateRec& date, int day, int month, int year, const char* name) {
  EXPECT_EQ(static_cast<int>(date.day), day) << name;
  EXPECT_EQ(static_cast<int>(date.month), month) << name;
  EXPECT_EQ(date.year, year) << name;
}

TEST(CodecsDate, ParseDateReadsByPositionOnly) {
  const DateCase cases[] = {
      {"full date", "07/03/2026", 7, 3, 2026},
      {"short parts shift", "7/3/2026", 7, 0, 26},
      {"empty", "", 0, 0, 0},
      {"separators not looked at", "07.03-2026", 7, 3, 2026},
      {"only ten characters", "07/03/20261999", 7, 3, 2026},
      {"letters", "ab/cd/efgh", 0, 0, 0},
      {"no range check", "99/99/9999", 99, 99, 9999},
      {"negative parts wrap in 8 bits", "-1/-2/-300", 255, 254, -300},
      {"only a day", "31", 31, 0, 0},
      {"accented bytes", "\xE7\xE7/03/2026", 0, 3, 2026},
      {"thousands of characters", "01/02/2003" + std::string(5000, '9'), 1, 2, 2003},
  };
  for (const DateCase& c : cases) {
    DateRec date{1, 1, 1};
    ExpectDate(ParseDate(c.text, date), c.day, c.month, c.year, c.name);
  }
}

TEST(CodecsDate, MonthStartIsTheDayInThatMonth) {
  struct Case {
    const char* name;
    int day;
    std::string month_year;
    int want_day, want_month, want_year;
  } cases[] = {
      {"normalised month/year", 1, "03/2026", 1, 3, 2026},
      {"not normalised reads by position", 1, "3/2026", 1, 3, 26},
      {"empty month/year", 15, "", 15, 0, 0},
      {"long text cut", 1, "12/2026 and more", 1, 12, 2026},
      {"thirteenth month", 1, "13/2026", 1, 13, 2026},
  };
  for (const auto& c : cases) {
    DateRec date;
    ExpectDate(MonthStart(c.day, c.month_year, date), c.want_day, c.want_month, c.want_year,
               c.name);
  }
}

TEST(CodecsDate, FormatDateWritesOutOfRangePartsAsZeros) {
  struct Case {
    const char* name;
    DateRec date;
    std::string want;
  } cases[] = {
      {"no date", {0, 7, 3}, ""},
      {"no calendar check", {2026, 31, 2}, "31/02/2026"},
      {"day 0", {2026, 0, 5}, "00/05/2026"},
      {"year above 9999", {10000, 5, 3}, "05/03/0000"},
      {"negative year", {-5, 5, 3}, "05/03/0000"},
      {"month 13 let through", {2026, 1, 13}, "01/13/2026"},
      {"month 14", {2026, 1, 14}, "01/00/2026"},
      {"day 32", {2026, 32, 1}, "00/01/2026"},
      {"day 255", {2026, 255, 255}, "00/00/2026"},
      {"first year", {1, 1, 1}, "01/01/0001"},
      {"last year", {9999, 31, 12}, "31/12/9999"},
  };
  for (const auto& c : cases) {
    std::string buffer = "previous text";
    EXPECT_EQ(FormatDate(c.date, buffer), c.want) << c.name;
  }
}

TEST(CodecsDate, FormatThenParseGivesTheDateBack) {
  for (int year : {1, 999, 2026, 9999})
    for (int month = 1; month <= 13; ++month)
      for (int day = 1; day <= 31; ++day) {
        DateRec date{year, static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(month)};
        std::string text;
        DateRec back;
        ParseDate(FormatDate(date, text), back);
        ASSERT_EQ(back.year, year) << text;
        ASSERT_EQ(back.month, month) << text;
        ASSERT_EQ(back.day, day) << text;
      }
}

TEST(CodecsDate, NormMonthYearRewritesOrEmpties) {
  const int kYear = 2031;
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  } cases[] = {
      {"one-digit month", "3/2026", "03/2026"},
      {"no separator", "032026", "03/2026"},
      {"hyphen", "3-2026", "03/2026"},
      {"month alone is this year", "12", "12/2031"},
      {"one digit alone", "3", "03/2031"},
      {"month 13 let through", "13/2026", "13/2026"},
      {"month 14", "14/2026", ""},
      {"two-digit year", "03/26", ""},
      {"month 0", "00/2026", ""},
      {"month 0 alone", "0", ""},
      {"empty", "", ""},
      {"year after 2100", "03/2101", ""},
      {"year 2100", "03/2100", "03/2100"},
      {"year 1000", "01/1000", "01/1000"},
      {"year 999", "01/0999", ""},
      {"already normal", "12/2026", "12/2026"},
      {"only 7 characters read", "03/20261", "03/2026"},
      {"leading blank ends the month", " 3/2026", ""},
      {"letters", "ab/2026", ""},
      {"accented bytes", "\xE7\xE3/2026", ""},
      {"negative month alone", "-3", ""},
      {"three digits: the year is '3'", "123", ""},
      {"a full date is no month/year", "1/2/2026", ""},
      {"thousands of characters", "04/2026" + std::string(5000, 'x'), "04/2026"},
      {"month alone with plus sign", "+3", "03/2031"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    int result = NormMonthYear(text, kYear);
    EXPECT_EQ(text, c.want) << c.name;
    EXPECT_EQ(result, c.want.empty() ? 0 : 1) << c.name;
  }
  std::string text = "5";
  EXPECT_EQ(NormMonthYear(text, 99), 0) << "a current year out of range empties too";
  EXPECT_EQ(text, "");
}

TEST(CodecsDate, TodayIsTheDateOfTheGivenClock) {
  PlatLocalTime now;
  now.year = 2026;
  now.month = 3;
  now.day = 7;
  DateRec date;
  ExpectDate(Today(date, now), 7, 3, 2026, "given clock");
}

}  // namespace
