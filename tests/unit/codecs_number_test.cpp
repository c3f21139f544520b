// Decimal-comma numbers, integers, counters and the number field logic.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "codecs/number.h"

namespace {

TEST(CodecsNumber, ToIntReadsLeadingInteger) {
  struct Case {
    const char* name;
    std::string text;
    int want;
  } cases[] = {
      {"digits then letters", "  42abc", 42},
      {"empty", "", 0},
      {"negative", "-17", -17},
      {"plus sign", "+5", 5},
      {"every C white space skipped", "\t\n\v\f\r 8", 8},
      {"blank after sign ends it", "- 3", 0},
      {"decimal part ignored", "12,5", 12},
      {"hexadecimal is not read", "0x1A", 0},
      {"superscript one is no digit", "\xB9", 0},
      {"largest int", "2147483647", INT_MAX},
      {"smallest int", "-2147483648", INT_MIN},
      {"beyond the range saturates", "2147483648", INT_MAX},
      {"far beyond saturates", std::string(3000, '9'), INT_MAX},
      {"far below saturates", "-" + std::string(3000, '9'), INT_MIN},
      {"leading zeros", "000123", 123},
  };
  for (const auto& c : cases) EXPECT_EQ(ToInt(c.text), c.want) << c.name;
}

TEST(CodecsNumber, AbsIntDropsTheSign) {
  EXPECT_EQ(AbsInt(5), 5);
  EXPECT_EQ(AbsInt(-5), 5);
  EXPECT_EQ(AbsInt(0), 0);
  EXPECT_EQ(AbsInt(INT_MIN), INT_MAX) << "no int holds its magnitude";
}

TEST(CodecsNumber, ParseNumTakesRightmostSeparatorAsDecimalPoint) {
  struct Case {
    const char* name;
    std::string text;
    double want;
  } cases[] = {
      {"grouped with comma decimals", "1.234.567,89", 1234567.89},
      {"comma decimals", "1,5", 1.5},
      {"point decimals", "1.5", 1.5},
      {"leading comma", ",5", 0.5},
      {"letters", "abc", 0},
      {"empty", "", 0},
      {"grouped with point decimals", "1,234.56", 1234.56},
      {"negative", "-3,40", -3.4},
      {"single point is decimal", "1.234", 1.234},
      {"lower-case e dropped", "1e5", 15},
      {"upper-case E is an exponent", "1E5", 100000},
      {"negative exponent", "2E-2", 0.02},
      {"E without digits stops", "1E", 1},
      {"E with sign only stops", "7E+", 7},
      {"leading white space", " \t12,5", 12.5},
      {"plus sign", "+7", 7},
      {"blank after sign", "- 3", 0},
      {"trailing separator", "5,", 5},
      {"separator only", ",", 0},
      {"minus point five", "-,5", -0.5},
      {"three groups, rightmost decimal", "1.2.3", 12.3},
      {"stops at the first non-number character", "12-3", 12},
      {"accented byte first", "\xE7" "12", 0},
      {"accented byte inside", "12\xE7" "5", 12},
      {"inf is no number", "inf", 0},
      {"Infinity is no number", "Infinity", 0},
      {"nan is no number", "nan", 0},
      {"NAN is no number", "NAN", 0},
      {"hexadecimal is not read", "0x10", 0},
      {"overflow reads as 0", "1E400", 0},
      {"negative overflow reads as 0", "-1E400", 0},
      {"underflow reads as 0", "1E-400", 0},
      {"30th character still counts", std::string(29, ' ') + "12", 1},
      {"31st character does not count", std::string(30, ' ') + "5", 0},
      {"dropped e inside decimals", "2,5e3", 2.53},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseNum(c.text), c.want) << c.name;
}

TEST(CodecsNumber, ParseNumOfLongTextReadsFirst30Characters) {
  std::string nines(5000, '9');
  EXPECT_DOUBLE_EQ(ParseNum(nines), std::strtod(std::string(30, '9').c_str(), nullptr));
  EXPECT_TRUE(std::signbit(ParseNum("-0"))) << "minus zero keeps its sign";
}

// Every amount reads as exactly the double the C library makes of the same
// digits, not merely a close one: with up to 20 digits, up to 8 of them
// decimals, and both separators.
TEST(CodecsNumber, ParseNumIsCorrectlyRounded) {
  std::mt19937_64 random(20261208);
  for (int n = 0; n < 200000; ++n) {
    int digits = 1 + (int)(random() % 20);
    int decimals = (int)(random() % 9);
    if (decimals > digits) decimals = digits;
    std::string whole, fraction;
    for (int d = 0; d < digits - decimals; ++d) whole.push_back((char)('0' + random() % 10));
    for (int d = 0; d < decimals; ++d) fraction.push_back((char)('0' + random() % 10));
    std::string sign = random() % 4 == 0 ? "-" : "";
    std::string reference = sign + (whole.empty() ? "0" : whole) + (decimals ? "." + fraction : "");
    std::string text = sign + whole + (decimals ? (random() % 2 ? "," : ".") + fraction : "");
    double want = std::strtod(reference.c_str(), nullptr);
    double got = ParseNum(text);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text << " read as " << got;
  }
}

TEST(CodecsNumber, FormatNumWritesGroupsAndComma) {
  struct Case {
    const char* name;
    double x;
    int places;
    std::string want;
  } cases[] = {
      {"millions", 1234567.891, 2, "1.234.567,89"},
      {"three places", 1, 3, "1,000"},
      {"zero", 0, 2, "0,00"},
      {"negative one place", -1234.56, 1, "-1.234,6"},
      {"no places, no comma", 12, 0, "12"},
      {"no places grouped", 1234, 0, "1.234"},
      {"negative rounding to zero keeps the sign", -0.004, 2, "-0,00"},
      {"thousand", 1000, 2, "1.000,00"},
      {"hundred", 100, 2, "100,00"},
      {"123 without comma", 123, 0, "123"},
      {"minus zero has no sign", -0.0, 2, "0,00"},
      {"rounding carries into a new group", 999.999, 2, "1.000,00"},
      {"six digits", 123456, 2, "123.456,00"},
      {"seven digits", 1234567, 0, "1.234.567"},
      {"negative places taken as 0", 1234.5, -3, "1.234"},
      {"not a number written as 0", std::numeric_limits<double>::quiet_NaN(), 2, "0,00"},
      {"infinity written as 0", std::numeric_limits<double>::infinity(), 2, "0,00"},
      {"minus infinity written as 0", -std::numeric_limits<double>::infinity(), 1, "0,0"},
      {"four places", 0.1234, 4, "0,1234"},
  };
  for (const auto& c : cases) {
    std::string buffer = "previous";
    EXPECT_EQ(FormatNum(c.x, buffer, c.places), c.want) << c.name;
  }
}

// Every fourth character from the comma backwards is a point, all others digits.
void ExpectGroupedDigits(const std::string& text, int places, const char* name) {
  std::size_t comma = places > 0 ? text.find(',') : text.size();
  ASSERT_NE(comma, std::string::npos) << name;
  EXPECT_EQ(text.size() - comma, places > 0 ? static_cast<std::size_t>(places) + 1 : 0) << name;
  for (std::size_t i = 0; i < comma; ++i) {
    std::size_t from_comma = comma - i;
    if (from_comma % 4 == 0)
      EXPECT_EQ(text[i], '.') << name << " at " << i;
    else
      EXPECT_TRUE(text[i] >= '0' && text[i] <= '9') << name << " at " << i;
  }
}

TEST(CodecsNumber, FormatNumOfHugeMagnitudesStaysWellFormed) {
  struct Case {
    const char* name;
    double x;
    int places;
    std::size_t integer_digits;
  } cases[] = {
      {"1e300", 1e300, 2, 301},
      {"largest double", DBL_MAX, 4, 309},
      {"2^100, beyond the data model", 1267650600228229401496703205376.0, 2, 31},
  };
  for (const auto& c : cases) {
    std::string buffer;
    FormatNum(c.x, buffer, c.places);
    std::size_t points = (c.integer_digits - 1) / 3;
    EXPECT_EQ(buffer.size(), c.integer_digits + points + 1 + c.places) << c.name;
    EXPECT_EQ(buffer[0], '1') << c.name;
    ExpectGroupedDigits(buffer, c.places, c.name);
  }
  std::string buffer;
  FormatNum(1.5, buffer, 5000);
  EXPECT_EQ(buffer.size(), 2u + kMaxFormatPlaces) << "places are capped";
  FormatNum(-1e300, buffer, 0);
  EXPECT_EQ(buffer[0], '-');
  ExpectGroupedDigits(buffer.substr(1), 0, "-1e300");
}

TEST(CodecsNumber, FormatNumTrimDropsTrailingZerosDownToLeast) {
  struct Case {
    const char* name;
    double x;
    int least, most;
    std::string want;
  } cases[] = {
      {"one decimal shows two", 1.5, 2, kMaxDecimals, "1,50"},
      {"integer shows two", 12, 2, kMaxDecimals, "12,00"},
      {"four decimals kept", 0.1234, 2, kMaxDecimals, "0,1234"},
      {"three decimals kept", 7.125, 2, kMaxDecimals, "7,125"},
      {"rounded to most", 1.23456, 2, kMaxDecimals, "1,2346"},
      {"zeros of the integer part kept", 100, 2, kMaxDecimals, "100,00"},
      {"grouped", 1000, 2, kMaxDecimals, "1.000,00"},
      {"least 0 drops the comma too", 10, 0, 2, "10"},
      {"least above most keeps most", 1.5, 5, 3, "1,500"},
  };
  for (const auto& c : cases) {
    std::string buffer;
    EXPECT_EQ(FormatNumTrim(c.x, buffer, c.least, c.most), c.want) << c.name;
  }
}

TEST(CodecsNumber, Round2AgreesWithTheShownText) {
  struct Case {
    const char* name;
    double x;
    double want;
  } cases[] = {
      {"below half", 1.234, 1.23},
      {"above half", 1.236, 1.24},
      {"negative", -1.236, -1.24},
      {"1.005 is stored just below the half", 1.005, 1.0},
      {"already two places", 12.5, 12.5},
      {"zero", 0, 0},
      {"large", 123456789.126, 123456789.13},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Round2(c.x), c.want) << c.name;
  EXPECT_TRUE(std::isinf(Round2(std::numeric_limits<double>::infinity())));

  // Whatever the halfway rule, Round2 and FormatNum must agree.
  std::mt19937_64 random(12345);
  std::uniform_real_distribution<double> amounts(-1e6, 1e6);
  for (int i = 0; i < 20000; ++i) {
    double x = std::round(amounts(random) * 1000) / 1000;  // many exact halves
    std::string shown;
    ASSERT_DOUBLE_EQ(Round2(x), ParseNum(FormatNum(x, shown, 2))) << x;
  }
}

TEST(CodecsNumber, FormatThenParseGivesTheValueRoundedToPlaces) {
  std::mt19937_64 random(2026);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int places = 1; places <= kMaxDecimals; ++places) {
    for (int i = 0; i < 5000; ++i) {
      // Magnitudes from cents to a trillion.
      double x = unit(random) * std::pow(10.0, (i % 15) - 2);
      std::string shown;
      FormatNum(x, shown, places);
      char reference[64];
      std::snprintf(reference, sizeof reference, "%.*f", places, x);
      ASSERT_DOUBLE_EQ(ParseNum(shown), std::strtod(reference, nullptr))
          << shown << " from " << reference;
    }
  }
}

TEST(CodecsNumber, NextInCycleWrapsAtTheLargestNumber) {
  struct Case {
    const char* name;
    int value, digits, want;
  } cases[] = {
      {"zero starts at 1", 0, 3, 1},
      {"steps", 5, 3, 6},
      {"reaches the largest", 998, 3, 999},
      {"wraps after the largest", 999, 3, 1},
      {"no digits", 7, 0, 1},
      {"negative digit count", 7, -2, 1},
      {"digit count capped at 9", 7, 12, 8},
      {"above the largest", 1000, 3, 1},
      {"negative counts as very large", -1, 3, 1},
      {"one digit", 8, 1, 9},
      {"one digit wraps", 9, 1, 1},
      {"nine digits", 999999998, 9, 999999999},
      {"nine digits wrap", 999999999, 9, 1},
      {"largest int", INT_MAX, 9, 1},
      {"six digits", 999999, 6, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(NextInCycle(c.value, c.digits), c.want) << c.name;
}

TEST(CodecsNumber, IntItemsNormaliseTheirText) {
  struct Case {
    const char* name;
    std::string text;
    bool drop_sign;
    int want;
    std::string shown;
  } cases[] = {
      {"blanks and letters", "  42abc", false, 42, "42"},
      {"empty", "", false, 0, "0"},
      {"negative", "-5", false, -5, "-5"},
      {"negative, sign dropped", "-5", true, 5, "5"},
      {"only 9 characters read", "1234567890", false, 123456789, "123456789"},
      {"9 characters with sign", "-2147483648", true, 21474836, "21474836"},
      {"leading zeros dropped", "0012", false, 12, "12"},
      {"letters", "abc", true, 0, "0"},
      {"decimal comma ends it", "3,7", false, 3, "3"},
      {"thousands of characters", std::string(4000, '7'), false, 777777777, "777777777"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    int got = c.drop_sign ? GetUIntItem(text) : GetIntItem(text);
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(text, c.shown) << c.name;
  }
  std::string text = "old";
  EXPECT_EQ(SetIntItem(text, -7), "-7");
  EXPECT_EQ(SetIntItem(text, 2147483647L), "2147483647");
}

TEST(CodecsNumber, GetNumItemShowsTheValueItReturns) {
  struct Case {
    const char* name;
    std::string text;
    int places;
    int drop_sign;
    int limit;
    double want;
    std::string shown;
  } cases[] = {
      {"too long for its limit is refused", "12345678,9", 2, 0, 10, 0, "0,00"},
      {"without limit it is kept", "12345678,9", 2, 0, kNoTextLimit, 12345678.9, "12.345.678,90"},
      {"exactly the limit fits", "1234,5", 2, 0, 8, 1234.5, "1.234,50"},
      {"one over the limit", "1234,5", 2, 0, 7, 0, "0,00"},
      {"refused with three places", "1234,5", 3, 0, 5, 0, "0,000"},
      {"decimals added", "1,5", 2, 0, kNoTextLimit, 1.5, "1,50"},
      {"sign dropped", "-2", 3, 1, kNoTextLimit, 2, "2,000"},
      {"sign kept", "-2", 3, 0, kNoTextLimit, -2, "-2,000"},
      {"rounded to places", "1,236", 2, 0, kNoTextLimit, 1.24, "1,24"},
      {"quantity with groups", "1.234,5", 3, 1, kNoTextLimit, 1234.5, "1.234,500"},
      {"no number", "abc", 2, 0, kNoTextLimit, 0, "0,00"},
      {"empty", "", 2, 0, kNoTextLimit, 0, "0,00"},
      {"only 20 characters read", "1" + std::string(19, ' ') + "5", 2, 0, kNoTextLimit, 1, "1,00"},
      {"20 characters is the most a field holds", "9999999999999,99", 2, 0, kNoTextLimit,
       9999999999999.99, "9.999.999.999.999,99"},
      {"21 characters would be read back cut", "10000000000000", 2, 0, kNoTextLimit, 0, "0,00"},
      {"thousands of nines", std::string(5000, '9'), 2, 0, kNoTextLimit, 0, "0,00"},
      {"exponent far too large for any field", "1E300", 2, 0, kNoTextLimit, 0, "0,00"},
      {"lower-case e dropped", "1e300", 2, 0, kNoTextLimit, 1300, "1.300,00"},
      {"no places", "123,56", 0, 0, kNoTextLimit, 124, "124"},
      {"high bytes", "\xFF\x80", 2, 0, kNoTextLimit, 0, "0,00"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    double got = GetNumItem(text, c.places, c.drop_sign, c.limit);
    EXPECT_DOUBLE_EQ(got, c.want) << c.name;
    EXPECT_EQ(text, c.shown) << c.name;
    EXPECT_DOUBLE_EQ(got, ParseNum(text)) << c.name << ": value and text disagree";
    std::string again = text;
    EXPECT_DOUBLE_EQ(GetNumItem(again, c.places, c.drop_sign, c.limit), got)
        << c.name << ": a second reading changed the value";
  }
}

TEST(CodecsNumber, GetNumItemVarShowsAsManyPlacesAsNeeded) {
  struct Case {
    const char* name;
    std::string text;
    int limit;
    double want;
    std::string shown;
  } cases[] = {
      {"one decimal", "1,5", kNoTextLimit, 1.5, "1,50"},
      {"three decimals", "1,234", kNoTextLimit, 1.234, "1,234"},
      {"five decimals rounded", "1,23456", kNoTextLimit, 1.2346, "1,2346"},
      {"integer", "3", kNoTextLimit, 3, "3,00"},
      {"typed zeros dropped", "1,2300", kNoTextLimit, 1.23, "1,23"},
      {"sign dropped", "-2,5", kNoTextLimit, 2.5, "2,50"},
      {"too long for the limit", "123,4567", 5, 0, "0,00"},
      {"refused when too long with four places", "12,5", 6, 0, "0,00"},
      {"fits with four places", "12,5", 7, 12.5, "12,50"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_DOUBLE_EQ(GetNumItemVar(text, 2, kMaxDecimals, 1, c.limit), c.want) << c.name;
    EXPECT_EQ(text, c.shown) << c.name;
  }
}

}  // namespace
