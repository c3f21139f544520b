// The rules of the fiscal files' fields: compact dates and the calendar,
// CNPJ/CPF check digits and UF siglas, digit fields and amounts in cents.
#include <gtest/gtest.h>

#include <string>

#include "codecs/br_ids.h"
#include "codecs/calendar.h"
#include "codecs/digits.h"

namespace {

TEST(CodecsCalendar, CompactDatesOfRealDays) {
  const struct {
    const char* text;
    int date;   // CompactDateValue
    int month;  // CompactMonthValue of the same text
  } rows[] = {
      {"20240229", 20240229, 0},  // leap day
      {"20230229", 0, 0},         // no leap year
      {"19000229", 0, 0},         // a century is no leap year
      {"20000229", 20000229, 0},  // but every fourth one is
      {"21000101", 0, 0},         // after 2099
      {"18991231", 0, 0},         // before 1900
      {"20260431", 0, 0},         // April has 30 days
      {"20261301", 0, 0},         // month 13
      {"2026030 ", 0, 0},         // a blank
      {"+2026031", 0, 0},         // a sign
      {"032026", 0, 202603},      // MMAAAA
      {"132026", 0, 0},           // month 13
      {"001999", 0, 0},           // month 0
      {"12189 ", 0, 0},           // a blank
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(CompactDateValue(row.text), row.date);
    EXPECT_EQ(CompactMonthValue(row.text), row.month);
  }
  EXPECT_EQ(DaysInMonth(2, 2028), 29);
  EXPECT_EQ(DaysInMonth(13, 2028), 0);
}

TEST(CodecsBrIds, CheckDigitsAndSiglas) {
  const struct {
    const char* text;
    int cnpj_or_cpf;
  } rows[] = {
      {"12345678000195", 1},  // CNPJ
      {"12345678000196", 0},  // second check digit wrong
      {"12345678000185", 0},  // first check digit wrong
      {"11222333000181", 1},  // another CNPJ
      {"00000000000000", 0},  // zeros
      {"00052998224725", 1},  // CPF written as 000 and 11 digits
      {"00152998224725", 0},  // a CPF not after 000
      {"00052998224726", 0},  // CPF with a wrong digit
      {"1234567800019", 0},   // 13 digits
      {"1234567800019x", 0},  // a letter
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ValidCnpjOrCpf(row.text), row.cnpj_or_cpf);
  }
  EXPECT_EQ(ValidCpf("52998224725"), 1);
  EXPECT_EQ(ValidCpf("11111111111"), 1);  // repeated digits pass the arithmetic
  for (const char* uf : {"SP", "DF", "TO", "AC"}) EXPECT_EQ(IsUf(uf), 1) << uf;
  for (const char* no : {"EX", "sp", "S", "SPX", "", "XX"}) EXPECT_EQ(IsUf(no), 0) << no;
}

TEST(CodecsDigits, DigitFieldsAndCents) {
  const struct {
    std::string text;
    int all_digits;
    int first_control;
    int all_blank;
  } rows[] = {
      {"0123456789012345", 1, -1, 0},    // two words of eight
      {"01234567/9", 0, -1, 0},          // '/' just below '0'
      {"0123456:", 0, -1, 0},            // ':' just above '9', in a word of eight
      {"", 0, -1, 1},                    // empty is no number
      {"12345678 ", 0, -1, 0},           // a blank after a whole word
      {"0123456789x2", 0, -1, 0},        // a letter only the last word sees
      {"ab\tcd", 0, 2, 0},               // tab
      {std::string("abcdefgh\x7F", 9), 0, 8, 0},  // DEL after a whole word
      {"abcdefghij\x1F", 0, 10, 0},       // in the last word only
      {std::string("a\0b", 3), 0, 1, 0},          // NUL
      {"\xE7\xC3\xA9", 0, -1, 0},        // accented bytes are no control characters
      {"SALA \x96 \xFF 2\x9F ", 0, -1, 0},  // dashes and the like before blanks
      {"SALA \x96 \x1F", 0, 7, 0},         // and a control character after them
      {"\xFF\x1F" "abcdefgh", 0, 1, 0},    // right after a high byte
      {std::string(16, ' '), 0, -1, 1},  // two words of blanks
      {"           x", 0, -1, 0},        // a letter only the last word sees
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(AllDigits(row.text), row.all_digits);
    EXPECT_EQ(FirstControl(row.text), row.first_control);
    EXPECT_EQ(AllBlank(row.text), row.all_blank);
  }
  const struct {
    long long cents;
    const char* text;
  } money[] = {{0, "0,00"}, {5, "0,05"}, {123456, "1.234,56"}, {100000000, "1.000.000,00"}};
  for (const auto& row : money) {
    std::string text = "old";
    EXPECT_EQ(FormatCents(row.cents, text), row.text);
  }
  EXPECT_EQ(DigitsValue("0000000001000"), 1000);
  EXPECT_EQ(TrimBlanks("AB  "), "AB");
}

}  // namespace
