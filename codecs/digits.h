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
}  // namespace digits_detail

// 1 when text is not empty and holds only the digits 0-9 (eight bytes at a
// time: most of a fiscal record is digits and blanks).
inline int AllDigits(std::string_view s) {
  if (s.empty()) return 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = digits_detail::Load8(s.data() + i);
    // every byte 0x30..0x39: high nibble 3, and adding 6 keeps it 3
    if ((x & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL ||
        ((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL)
      return 0;
  }
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return 0;
  return 1;
}

// 1 when every character of text is "0" (so also for the empty text).
int AllZeros(std::string_view text);

// 1 when every character of text is a blank (so also for the empty text).
inline int AllBlank(std::string_view s) {
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
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = digits_detail::Load8(s.data() + i);
    std::uint64_t below = (x - digits_detail::kOnes * 0x20) & ~x & digits_detail::kHighs;
    std::uint64_t del = x ^ (digits_detail::kOnes * 0x7F);
    std::uint64_t is_del = (del - digits_detail::kOnes) & ~del & digits_detail::kHighs;
    if (below | is_del) break;
  }
  for (; i < s.size(); ++i) {
    unsigned char u = (unsigned char)s[i];
    if (u < 0x20 || u == 0x7F) return (int)i;
  }
  return -1;
}

// Writes cents (0 or more) as Brazilian money text with thousands points and the decimal
// comma: 123456 gives '1.234,56', 5 gives '0,05'. Returns text.
std::string& FormatCents(long long cents, std::string& text);
