// FormatNum then ParseNum gives back the value rounded to the places (1 to
// 4) for every value of the data model, and FormatNum writes well-formed
// text for every double at all.
#include <cmath>
#include <cstring>

#include "codecs/number.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Digits in groups of three separated by points, then "," and places digits.
void CheckShape(const std::string& text, int places) {
  std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  std::size_t comma = places > 0 ? text.find(',') : text.size();
  FUZZ_CHECK(comma != std::string::npos && comma > start);
  FUZZ_CHECK(text.size() - comma == (places > 0 ? static_cast<std::size_t>(places) + 1 : 0));
  for (std::size_t i = start; i < comma; ++i) {
    if ((comma - i) % 4 == 0)
      FUZZ_CHECK(text[i] == '.' && i > start);
    else
      FUZZ_CHECK(text[i] >= '0' && text[i] <= '9');
  }
  for (std::size_t i = comma + 1; i < text.size(); ++i) FUZZ_CHECK(text[i] >= '0' && text[i] <= '9');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  double x;
  std::memcpy(&x, data, sizeof x);
  int places = data[8] % (kMaxDecimals + 1);
  // The tenth byte, when present, scales x into the data model.
  if (size > 9 && std::isfinite(x)) {
    int exponent = 0;
    double mantissa = std::frexp(x, &exponent);
    x = std::ldexp(mantissa, data[9] % 50 - 10);
  }
  std::string text;
  FormatNum(x, text, places);
  if (!std::isfinite(x)) {
    std::string zero;
    FUZZ_CHECK(text == FormatNum(0.0, zero, places));
    return 0;
  }
  CheckShape(text, places);
  FUZZ_CHECK((text[0] == '-') == (x < 0));
  // Within the data model (amounts below 10^15) the text reads back as the
  // value rounded to the places, exactly as the C library rounds it.
  if (places >= 1 && std::fabs(x) < 1e15) {
    char reference[64];
    std::snprintf(reference, sizeof reference, "%.*f", places, x);
    FUZZ_CHECK(ParseNum(text) == std::strtod(reference, nullptr));
    if (places == 2) FUZZ_CHECK(Round2(x) == ParseNum(text));
  }
  std::string trimmed;
  FormatNumTrim(x, trimmed, 2, kMaxDecimals);
  std::size_t comma = trimmed.find(',');
  FUZZ_CHECK(comma != std::string::npos);
  std::size_t decimals = trimmed.size() - comma - 1;
  FUZZ_CHECK(decimals >= 2 && decimals <= static_cast<std::size_t>(kMaxDecimals));
  FUZZ_CHECK(decimals == 2 || trimmed.back() != '0');
  return 0;
}
