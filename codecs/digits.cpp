#include "codecs/digits.h"

int AllZeros(std::string_view s) {
  for (char c : s)
    if (c != '0') return 0;
  return 1;
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
