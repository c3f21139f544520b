#include "codecs/digits.h"

#include <cstdint>
#include <cstring>

namespace {

inline std::uint64_t Load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

}  // namespace

int AllDigits(std::string_view s) {
  if (s.empty()) return 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = Load8(s.data() + i);
    // every byte 0x30..0x39: high nibble 3, and adding 6 keeps it 3
    if ((x & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL ||
        ((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL)
      return 0;
  }
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return 0;
  return 1;
}

int AllZeros(std::string_view s) {
  for (char c : s)
    if (c != '0') return 0;
  return 1;
}

int AllBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ') return 0;
  return 1;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

long long DigitsValue(std::string_view digits) {
  long long n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

int FirstControl(std::string_view s) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = Load8(s.data() + i);
    std::uint64_t below = (x - kOnes * 0x20) & ~x & kHighs;
    std::uint64_t del = x ^ (kOnes * 0x7F);
    std::uint64_t is_del = (del - kOnes) & ~del & kHighs;
    if (below | is_del) break;
  }
  for (; i < s.size(); ++i) {
    unsigned char u = (unsigned char)s[i];
    if (u < 0x20 || u == 0x7F) return (int)i;
  }
  return -1;
}

std::string& FormatCents(long long cents, std::string& text) {
  std::string whole = std::to_string(cents / 100);
  text.clear();
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text.push_back('.');
    text.push_back(whole[i]);
  }
  long long rest = cents % 100;
  text.push_back(',');
  text.push_back((char)('0' + rest / 10));
  text.push_back((char)('0' + rest % 10));
  return text;
}
