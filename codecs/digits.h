// Rules of digit fields, as the fixed-width fiscal files write them: digits
// only, zero-filled, amounts in cents.
#pragma once

#include <string>
#include <string_view>

// 1 when text is not empty and holds only the digits 0-9 (eight bytes at a
// time: most of a fiscal record is digits and blanks).
int AllDigits(std::string_view text);

// 1 when every character of text is "0" (so also for the empty text).
int AllZeros(std::string_view text);

// 1 when every character of text is a blank (so also for the empty text).
int AllBlank(std::string_view text);

// text without its trailing blanks.
std::string_view TrimBlanks(std::string_view text);

// The value of a text of digits (AllDigits); anything else gives a
// meaningless number.
long long DigitsValue(std::string_view digits);

// The index of the first control character (below 0x20, or 0x7F) of text, or
// -1 when there is none.
int FirstControl(std::string_view text);

// Writes cents (0 or more) as Brazilian money text with thousands points and the decimal
// comma: 123456 gives '1.234,56', 5 gives '0,05'. Returns text.
std::string& FormatCents(long long cents, std::string& text);
