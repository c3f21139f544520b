// Rules of digit fields, as the fixed-width fiscal files write them: digits
// only, zero-filled, amounts in cents.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace digits_detail {
inline std::uint64_t Load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
// 1 when every byte of the word x is a digit: high nibble 3, and adding 6
// keeps it 3.
inline int Digits8(std::uint64_t x) {
  return (x & 0xF0F0F0F0F0F0F0F0ULL) == 0x3030303030303030ULL &&
         ((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) == 0x3030303030303030ULL;
}
// A high bit set for every byte of the word x below 0x20 or equal to 0x7F,
// and at times for one that is not (0x80-0x9F or 0xFF next to a blank): a
// sieve, never a miss. A byte of 0x00-0x7F plus one, on seven bits, is below
// 0x21 just for those.
inline std::uint64_t ControlSieve(std::uint64_t x) {
  std::uint64_t m = ((x & kOnes * 0x7F) + kOnes) & kOnes * 0x7F;
  return (m - kOnes * 0x21) & ~x & kHighs;
}
}  // namespace digits_detail

// 1 when text is not empty and holds only the digits 0-9 (eight bytes at a
// time: most of a fiscal record is digits and blanks).
inline int AllDigits(std::string_view s) {
  if (s.empty()) return 0;
  if (s.size() >= 8) {  // whole words, the last one overlapping the one before
    for (std::size_t i = 0; i + 8 < s.size(); i += 8)
      if (!digits_detail::Digits8(digits_detail::Load8(s.data() + i))) return 0;
    return digits_detail::Digits8(digits_detail::Load8(s.data() + s.size() - 8));
  }
  for (char c : s)
    if (c < '0' || c > '9') return 0;
  return 1;
}

// 1 when every character of text is "0" (so also for the empty text).
int AllZeros(std::string_view text);

// 1 when every character of text is a blank (so also for the empty text);
// eight at a time, for the long reserved fields.
inline int AllBlank(std::string_view s) {
  constexpr std::uint64_t kBlanks = digits_detail::kOnes * ' ';
  if (s.size() >= 8) {  // whole words, the last one overlapping the one before
    for (std::size_t i = 0; i + 8 < s.size(); i += 8)
      if (digits_detail::Load8(s.data() + i) != kBlanks) return 0;
    return digits_detail::Load8(s.data() + s.size() - 8) == kBlanks;
  }
  for (char c : s)
    if (c != ' ') return 0;
  return 1;
}

// text without its trailing blanks.
inline std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The value of a text of digits (AllDigits); anything else gives a
// meaningless number.
inline long long DigitsValue(std::string_view digits) {
  long long n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// The index of the first control character (below 0x20, or 0x7F) of text, or
// -1 when there is none.
inline int FirstControl(std::string_view s) {
  if (s.size() >= 8) {
    // Nearly every line has none: whole words go through the sieve (the
    // last one overlapping the one before), and only when it keeps a byte
    // are the bytes gone through from the start.
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i + 8 < s.size(); i += 8)
      kept |= digits_detail::ControlSieve(digits_detail::Load8(s.data() + i));
    kept |= digits_detail::ControlSieve(digits_detail::Load8(s.data() + s.size() - 8));
    if (!kept) return -1;
  }
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char u = (unsigned char)s[i];
    if (u < 0x20 || u == 0x7F) return (int)i;
  }
  return -1;
}

// Writes cents (0 or more) as Brazilian money text with thousands points and the decimal
// comma: 123456 gives '1.234,56', 5 gives '0,05'. Returns text.
std::string& FormatCents(long long cents, std::string& text);
