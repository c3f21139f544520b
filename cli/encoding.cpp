// Text of vri-batch: Windows-1252 inside (as the core and the printer library
// have it), UTF-8 or UTF-16 at the edges.
#include <cstdint>

#include "cli/batch.h"

namespace {

// Code points of 0x80..0x9F in Windows-1252 (0 where the code page has none).
const std::uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void PutUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back((char)cp);
  } else if (cp < 0x800) {
    out.push_back((char)(0xC0 | (cp >> 6)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back((char)(0xE0 | (cp >> 12)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  } else {
    out.push_back((char)(0xF0 | (cp >> 18)));
    out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back((char)(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[i]: its code point and length, or 0
// when the bytes there are not well-formed UTF-8 (bad lead byte, missing or
// bad continuation bytes, overlong forms, surrogates, beyond U+10FFFF).
std::size_t DecodeUtf8(const std::string& text, std::size_t i, std::uint32_t& cp) {
  unsigned char c = (unsigned char)text[i];
  std::size_t len;
  std::uint32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1Fu, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0Fu, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07u, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    unsigned char d = (unsigned char)text[i + k];
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

int Cp1252Byte(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return (int)cp;
  for (int k = 0; k < 32; ++k)
    if (kHigh[k] == cp) return 0x80 + k;
  return -1;
}

std::uint32_t Cp1252CodePoint(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80] ? kHigh[c - 0x80] : 0xFFFD;
  return c;
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (unsigned char c : text) PutUtf8(out, Cp1252CodePoint(c));
  return out;
}

bool IsUtf8(const std::string& text) {
  std::uint32_t cp;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = DecodeUtf8(text, i, cp);
    if (!len) return false;
    i += len;
  }
  return true;
}

int ArgumentToCp1252(const std::string& raw, std::string& out) {
  out.clear();
  if (!IsUtf8(raw)) {
    out = raw;  // Windows-1252 bytes already, as a Windows program would pass them
    return 1;
  }
  std::uint32_t cp;
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t len = DecodeUtf8(raw, i, cp);
    i += len;
    int b = Cp1252Byte(cp);
    if (b < 0) return 0;
    out.push_back((char)b);
  }
  return 1;
}

std::string OneLine(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) ++i;
  std::size_t end = text.size();
  while (end > i && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' '))
    --end;
  while (i < end) {
    if (text[i] == '\r' || text[i] == '\n') {
      while (i < end && (text[i] == '\r' || text[i] == '\n' || text[i] == ' ')) ++i;
      while (!out.empty() && out.back() == ' ') out.pop_back();
      out += " \x97 ";  // em dash in Windows-1252
      continue;
    }
    out.push_back(text[i++]);
  }
  return out;
}
