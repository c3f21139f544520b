#include "codecs/number.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "codecs/text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The white space the C conversions skip in the "C" locale.
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int ClampPlaces(int places) {
  if (places < 0) return 0;
  if (places > kMaxFormatPlaces) return kMaxFormatPlaces;
  return places;
}

// Fixed-point text of a finite non-negative value, rounded to places. The
// conversion is exact and independent of the C library and the locale, so
// the Win32 and POSIX builds write the same bytes, and Round2, FormatNum and
// GetNumItem round a value the same way (halfway cases to even).
std::string FixedText(double magnitude, int places) {
  // DBL_MAX has 309 integer digits; point and places come on top.
  char work[320 + kMaxFormatPlaces];
  std::to_chars_result r =
      std::to_chars(work, work + sizeof work, magnitude, std::chars_format::fixed, places);
  if (r.ec != std::errc()) return "0";
  return std::string(work, r.ptr);
}

// Reads the plain decimal number at the start of text, as strtod does in the
// "C" locale but without its hexadecimal, "inf" and "nan" forms, which are no
// amount anyone types: blanks, sign, digits, ".", digits, "E" exponent. No
// number, or one outside the double range, gives 0.
double ReadDecimal(const char* text, std::size_t n) {
  std::size_t i = 0;
  while (i < n && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // A leading "0" lets ".5" through from_chars, which wants a digit first.
  // The text is at most kParseNumRead characters, so the number and its
  // exponent fit.
  char number[2 * kParseNumRead + 8];
  std::size_t length = 0;
  number[length++] = '0';
  std::size_t digits = 0;
  while (i < n && IsDigit(text[i])) number[length++] = text[i++], ++digits;
  if (i < n && text[i] == '.') {
    number[length++] = text[i++];
    while (i < n && IsDigit(text[i])) number[length++] = text[i++], ++digits;
  }
  if (digits == 0) return 0.0;
  const std::size_t mark_end = length;  // the end of the digits and the point
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    std::size_t j = i + 1;
    std::size_t mark = length;
    number[length++] = 'e';
    if (j < n && (text[j] == '+' || text[j] == '-')) number[length++] = text[j++];
    std::size_t start = j;
    while (j < n && IsDigit(text[j])) number[length++] = text[j++];
    // An "E" without digits does not continue the number.
    if (j == start) length = mark;
  }
  double value = 0.0;
  // Most amounts: up to 15 digits and no exponent. The digits as a whole
  // number and the power of ten of the decimals are both exact doubles, so
  // their quotient is the correctly rounded value from_chars would give -
  // where a division is done in double precision itself, not rounded twice
  // through a wider format.
  if (FLT_EVAL_METHOD == 0 && length == mark_end && digits <= 15) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    unsigned long long whole = 0;
    int decimals = -1;
    for (std::size_t k = 1; k < length; ++k) {
      if (number[k] == '.') {
        decimals = 0;
        continue;
      }
      whole = whole * 10 + (unsigned long long)(number[k] - '0');
      if (decimals >= 0) ++decimals;
    }
    value = (double)whole / kPowersOfTen[decimals < 0 ? 0 : decimals];
    return negative ? -value : value;
  }
  std::from_chars_result r = std::from_chars(number, number + length, value);
  if (r.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

}  // namespace

int ReadInt(const std::string& text, int& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t magnitude = 0;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::size_t first = i;
  for (; i < n && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) magnitude = limit;  // saturate, and keep going past the digits
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return i > first ? 1 : 0;
}

int ToInt(const std::string& text) {
  int value = 0;
  ReadInt(text, value);
  return value;
}

int AbsInt(int value) {
  if (value == INT_MIN) return INT_MAX;
  return value < 0 ? -value : value;
}

double Round2(double value) {
  if (!std::isfinite(value)) return value;
  std::string text = FixedText(std::fabs(value), 2);
  double rounded = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), rounded);
  return value < 0 ? -rounded : rounded;
}

double ParseNum(std::string_view text) {
  std::string_view read = text.substr(0, kParseNumRead);
  // Right to left: the rightmost separator is the decimal point, whichever
  // of "." and "," it is; the others group thousands and are dropped.
  char number[kParseNumRead];
  std::size_t start = sizeof number;
  bool point_seen = false;
  for (std::size_t i = read.size(); i-- > 0;) {
    char c = read[i];
    if (c == '.' || c == ',') {
      if (!point_seen) number[--start] = '.';
      point_seen = true;
    } else if (c != 'e') {
      number[--start] = c;
    }
  }
  return ReadDecimal(number + start, sizeof number - start);
}

std::string& FormatNum(double x, std::string& buffer, int places) {
  places = ClampPlaces(places);
  if (!std::isfinite(x)) x = 0.0;
  // The sign is that of x itself, before rounding: -0.004 gives '-0,00'.
  std::string fixed = FixedText(std::fabs(x), places);
  std::size_t k = fixed.size() - (places > 0 ? static_cast<std::size_t>(places) + 1 : 0);
  buffer.clear();
  if (x < 0) buffer.push_back('-');
  for (std::size_t i = 0; i < k; ++i) {
    if (i > 0 && (k - i) % 3 == 0) buffer.push_back('.');
    buffer.push_back(fixed[i]);
  }
  if (places > 0) {
    buffer.push_back(',');
    buffer.append(fixed, k + 1, std::string::npos);
  }
  return buffer;
}

std::string& FormatNumTrim(double x, std::string& buffer, int least, int most) {
  most = ClampPlaces(most);
  FormatNum(x, buffer, most);
  int removable = most - (least > 0 ? least : 0);
  while (removable-- > 0 && !buffer.empty() && buffer.back() == '0') buffer.pop_back();
  // Only a least of 0 can strip every decimal; the comma goes with them.
  if (!buffer.empty() && buffer.back() == ',') buffer.pop_back();
  return buffer;
}

int NextInCycle(int value, int digits) {
  if (digits > 9) digits = 9;
  std::uint32_t largest = 0;
  for (int i = 0; i < digits; ++i) largest = largest * 10 + 9;
  std::uint32_t v = static_cast<std::uint32_t>(value);
  if (v != 0 && v < largest) return value + 1;
  return 1;
}

int GetIntItem(std::string& text) {
  int value = ToInt(text.substr(0, kIntItemRead));
  text = std::to_string(value);
  return value;
}

int GetUIntItem(std::string& text) {
  int value = AbsInt(ToInt(text.substr(0, kIntItemRead)));
  text = std::to_string(value);
  return value;
}

std::string& SetIntItem(std::string& text, long value) {
  text = std::to_string(value);
  return text;
}

double GetNumItem(std::string& text, int places, int drop_sign, int limit) {
  double value = ParseNum(text.substr(0, kNumItemRead));
  if (drop_sign) value = std::fabs(value);
  FormatNum(value, text, places);
  // A text longer than its field's limit is how an amount typed too large is
  // refused. One longer than this reading takes would come back cut the next
  // time the field is read ('10.000.000.000.000,00' as 10.000.000.000,000),
  // so it is refused the same way, whatever the field's limit.
  std::size_t length = text.size();
  if ((limit > 0 && length > static_cast<std::size_t>(limit)) ||
      length > static_cast<std::size_t>(kNumItemRead))
    FormatNum(0.0, text, places);
  return ParseNum(text);
}

double GetNumItemVar(std::string& text, int least, int most, int drop_sign, int limit) {
  // The limit is checked with most places first, so a value whose text with
  // most places is too long is refused even when fewer would fit.
  double value = GetNumItem(text, most, drop_sign, limit);
  std::string shown;
  FormatNum(value, shown, most);
  int places = most;
  while (places > least && !shown.empty() && shown.back() == '0') {
    shown.pop_back();
    --places;
  }
  return GetNumItem(text, places, drop_sign, limit);
}
