// The calendar of the fiscal files: month lengths, and the compact dates of
// the Sintegra layout (AAAAMMDD, MMAAAA) read as numbers.
#pragma once

#include <string_view>

// First and last year a compact date may name.
constexpr int kFirstCompactYear = 1900;
constexpr int kLastCompactYear = 2099;

// 1 for a leap year of the Gregorian calendar, else 0.
int IsLeapYear(int year);

// Days of month (1-12) of year; 0 for a month out of range.
int DaysInMonth(int month, int year);

// AAAAMMDD of a real day of the years 1900-2099: the day as the number
// AAAAMMDD; 0 for anything else (other length, other characters, no such
// day).
int CompactDateValue(std::string_view text);

// MMAAAA of a month of the years 1900-2099: the month as the number AAAAMM;
// 0 for anything else.
int CompactMonthValue(std::string_view text);
