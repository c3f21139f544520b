// ParseNum on any bytes: never a crash, never a value that is not finite,
// only the first 30 characters count, and GetNumItem always leaves a text
// whose value it returns and that fits the field.
#include <cmath>

#include "codecs/number.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = FuzzText(data, size);
  double value = ParseNum(text);
  FUZZ_CHECK(std::isfinite(value));
  FUZZ_CHECK(value == ParseNum(text.substr(0, kParseNumRead)));
  bool has_digit = false;
  for (char c : text.substr(0, kParseNumRead)) has_digit = has_digit || (c >= '0' && c <= '9');
  if (!has_digit) FUZZ_CHECK(value == 0.0);

  // The first byte picks places, sign handling and limit of the field.
  int places = size > 0 ? data[0] % 6 : 2;
  int drop_sign = size > 0 ? (data[0] >> 3) & 1 : 0;
  int limit = size > 1 ? data[1] % 24 : kNoTextLimit;
  std::string field = text;
  double shown = GetNumItem(field, places, drop_sign, limit);
  FUZZ_CHECK(std::isfinite(shown));
  FUZZ_CHECK(field.size() <= static_cast<std::size_t>(kParseNumRead));
  if (limit > 0 && !field.empty()) {
    // Only a refused value's zero may exceed a limit too small for it.
    std::string zero;
    FUZZ_CHECK(field.size() <= static_cast<std::size_t>(limit) ||
               field == FormatNum(0.0, zero, places));
  }
  if (places > 0) FUZZ_CHECK(shown == ParseNum(field));
  if (drop_sign) FUZZ_CHECK(!(shown < 0));
  // Normalising an already normalised field changes nothing.
  std::string again = field;
  double second = GetNumItem(again, places, drop_sign, limit);
  if (places > 0) {
    FUZZ_CHECK(again == field || (second == 0.0 && shown == 0.0));
    FUZZ_CHECK(second == shown);
  }
  return 0;
}
