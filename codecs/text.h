// Fixed-width text fields: every record, export and report line of Vri is
// made of them. A field of width N holds its value left-aligned and padded
// with blanks; a reader removes the trailing blanks again.
//
// Texts are Windows-1252, one byte a character. Only the space byte is a
// blank; bytes 1-31 are control characters; 127 and 128-255 are ordinary
// characters. Every operation works on the text in place and returns it, so
// calls nest: PadToWidth(CutAt(FormatNum(x, s, 2), 16), 16).
#pragma once

#include <string>

// Alignment of a digit field.
enum DigitAlign {
  DigitsLeft,   // digits first, blanks after them
  DigitsRight,  // blanks first, digits last
};

// The widest digit field; a wider width is taken as this one.
constexpr int kMaxDigitFieldWidth = 50;

// Every control character (bytes 1-31: tabs, line breaks) becomes a blank.
// Never fails; returns text.
std::string& BlankCtrlChars(std::string& text);

// Removes the trailing blanks (a trailing tab stays). Never fails; returns text.
std::string& TrimRight(std::string& text);

// Makes the text exactly width characters: cut after width, or padded with
// blanks. A width below 0 is taken as 0. Never fails; returns text.
std::string& PadToWidth(std::string& text, int width);

// Keeps at most the first position characters; a shorter text is unchanged.
// A position below 0 is taken as 0. Never fails; returns text.
std::string& CutAt(std::string& text, int position);

// Replaces the text by its first width digits (0-9; letters and accented
// letters are skipped), padded with blanks to exactly width characters on the
// side align says. width is taken into 0..kMaxDigitFieldWidth. Returns text.
std::string& DigitField(std::string& text, int width, DigitAlign align);

// DigitField right-aligned with the leading blanks turned into "0": always
// width digits ('12.345-6' at 8 gives '00123456'). Returns text.
std::string& ZeroFillDigits(std::string& text, int width);

// The three-digit text ("%03d", at most 3 characters) of number when it is
// greater than 0, else the empty text. Returns buffer.
std::string& Num3Text(std::string& buffer, int number);

// Num3Text of the shared operator number, which nothing in Vri sets: always
// the empty text, so a "%-3s" field of it is three blanks. Returns buffer.
std::string& Num3Text(std::string& buffer);

// Normalising logic of the dialog field that holds digits only (the CFOP
// field): the first 20 characters of text are read and replaced by their
// digits in order. Never fails; returns text.
std::string& DigitsOnlyItem(std::string& text);

// How many characters DigitsOnlyItem reads from its field.
constexpr int kDigitsItemRead = 20;

// ASCII letter case aside: 'A'-'Z' become 'a'-'z'; every other byte,
// accented letters included, stays as it is.
char LowerAscii(char c);

// LowerAscii of every character of text. Never fails; returns text.
std::string& LowerAsciiText(std::string& text);

// 1 when a and b have the same length and the same characters, ASCII letter
// case aside (LowerAscii); accented letters must match exactly.
bool EqualNoCaseAscii(const std::string& a, const std::string& b);

// Width of each part of a record key made of parts (company code and kind,
// counter keys).
constexpr int kKeyPartWidth = 10;

// Appends part as a key holds it: its first kKeyPartWidth characters, padded
// with blanks to exactly that width, so a long part never shifts the later
// ones. Never fails; returns key.
std::string& AppendKeyPart(std::string& key, const std::string& part);
