#include "codecs/text.h"

#include <cstdio>

#include "codecs/encoding.h"

namespace {

// The operator number of the larger product's documents. Vri never logs an
// operator in, so it stays 0 and every operator field is written blank.
constexpr int kOperatorNumber = 0;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string& BlankCtrlChars(std::string& text) {
  for (char& c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 1 && byte <= 31) c = ' ';
  }
  return text;
}

std::string& TrimRight(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  text.resize(end);
  return text;
}

std::string& PadToWidth(std::string& text, int width) {
  // resize cuts a longer text and fills a shorter one with blanks.
  text.resize(width > 0 ? static_cast<std::size_t>(width) : 0, ' ');
  return text;
}

std::string& CutAt(std::string& text, int position) {
  std::size_t n = position > 0 ? static_cast<std::size_t>(position) : 0;
  if (text.size() > n) text.resize(n);
  return text;
}

std::string& DigitField(std::string& text, int width, DigitAlign align) {
  if (width > kMaxDigitFieldWidth) width = kMaxDigitFieldWidth;
  if (width < 0) width = 0;
  std::string digits;
  for (char c : text) {
    if (static_cast<int>(digits.size()) >= width) break;
    if (IsDigit(c)) digits.push_back(c);
  }
  std::string blanks(static_cast<std::size_t>(width) - digits.size(), ' ');
  text = align == DigitsLeft ? digits + blanks : blanks + digits;
  return text;
}

std::string& ZeroFillDigits(std::string& text, int width) {
  DigitField(text, width, DigitsRight);
  for (char& c : text) {
    if (c != ' ') break;
    c = '0';
  }
  return text;
}

std::string& Num3Text(std::string& buffer, int number) {
  if (number <= 0) {
    buffer.clear();
    return buffer;
  }
  char work[16];
  std::snprintf(work, sizeof work, "%03d", number);
  buffer = work;
  return CutAt(buffer, 3);
}

std::string& Num3Text(std::string& buffer) { return Num3Text(buffer, kOperatorNumber); }

std::string& DigitsOnlyItem(std::string& text) {
  CutAt(text, kDigitsItemRead);
  std::string digits;
  for (char c : text)
    if (IsDigit(c)) digits.push_back(c);
  text = digits;
  return text;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

std::string& LowerAsciiText(std::string& text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

bool EqualNoCaseAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::string& AppendKeyPart(std::string& key, const std::string& part) {
  std::size_t at = key.size();
  key.append(part, 0, kKeyPartWidth);
  key.resize(at + kKeyPartWidth, ' ');
  return key;
}
