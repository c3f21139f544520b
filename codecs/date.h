// Dates: day/month/year text "%02d/%02d/%04d" ('07/03/2026') and the
// month/year text "%02d/%04d" ('03/2026') of a fiscal month, the date record
// Vri computes with, and today's date.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// A calendar date. year 0 means no date. Day and month are kept as the
// conversions read them; nothing here checks them against the calendar.
struct DateRec {
  std::int32_t year = 0;
  std::uint8_t day = 0;    // 1..31
  std::uint8_t month = 0;  // 1..12 (13 is let through)
};

// Length of a date text and of a month/year text.
constexpr int kDateTextLength = 10;
constexpr int kMonthYearLength = 7;
// Years a month/year field accepts.
constexpr int kFirstMonthYear = 1000;
constexpr int kLastMonthYear = 2100;

// Fills date from now (the local clock as the platform gives it: callers
// pass PlatNow()). Returns date.
DateRec& Today(DateRec& date, const PlatLocalTime& now);

// Reads a date text by position only: day from characters 1-2, month from
// 4-5, year from 7-10 (ToInt each; a short text reads as blank-filled), so
// '7/3/2026' gives day 7, month 0, year 26. Nothing is range-checked. Returns date.
DateRec& ParseDate(const std::string& text, DateRec& date);

// The date of day in the month of a month/year text ("%02d/%-7s" read with
// ParseDate): 1 and '03/2026' give 1 March 2026. Returns date.
DateRec& MonthStart(int day, const std::string& month_year, DateRec& date);

// Writes the date text of date into buffer; the empty text when year is 0. A
// part out of range (year 1-9999, month 1-13, day 1-31) is written as zeros;
// no calendar check ('31/02/2026' stays). Returns buffer.
std::string& FormatDate(const DateRec& date, std::string& buffer);

// Field logic of a month/year field: reads the first 7 characters of text and
// rewrites it as "%02d/%04d" ('3/2026', '032026' and '3-2026' give '03/2026';
// up to 2 characters are a month of current_year), or empties it when the
// month is not 1-13 or the year not 1000-2100. Returns 1 when text holds a
// month/year, 0 when it was emptied.
int NormMonthYear(std::string& text, int current_year);
