// Numbers and money: every amount, price, quantity and percentage is a double
// and is shown, typed and stored as Brazilian decimal text with thousands
// points and a decimal comma ("1.234.567,89", "0,00"). This is the one place
// where that text is made and read, together with the integer fields and the
// wrap-around step of the code counters.
//
// The *Item functions here are the normalising logic of a dialog field on the
// field's text: they read it, convert it, write the normalised text back into
// it and return the value of that normalised text. The adapters over a Win32
// edit control (documents/dialog_fields_win32.h) and over a slot of the
// document form (documents/document_form.h) only move the text in and out.
#pragma once

#include <string>
#include <string_view>

// Places of a quantity.
constexpr int kQtyDecimals = 3;
// Most places a trimmed number shows.
constexpr int kMaxDecimals = 4;

// How many characters ParseNum reads.
constexpr int kParseNumRead = 30;
// How many characters GetIntItem / GetUIntItem read from their field.
constexpr int kIntItemRead = 9;
// How many characters GetNumItem reads from its field.
constexpr int kNumItemRead = 20;
// Text limit of a field that has none (a static control, a form slot).
constexpr int kNoTextLimit = 0;

// Integer of a text: leading white space (blank, \t \n \v \f \r) skipped, an
// optional "+" or "-", then digits up to the first non-digit. No digits gives
// 0; a value beyond the 32-bit range gives INT_MAX or INT_MIN.
int ToInt(const std::string& text);

// ToInt that tells whether the text holds a number: 1 and the value when a
// digit follows the white space and the sign; 0 and value 0 when none does.
int ReadInt(const std::string& text, int& value);

// Magnitude of value; INT_MIN gives INT_MAX (its magnitude has no int).
int AbsInt(int value);

// value rounded to two decimal places, exactly as FormatNum and GetNumItem
// round it, so a value and its shown text agree. Not finite: value itself.
double Round2(double value);

// Number of a decimal text written with a comma or a point: of its first 30
// characters, the rightmost "." or "," is the decimal point, the others are
// dropped, and so is every lower-case "e" ('1.234,56' and '1,234.56' give
// 1234.56, '1e5' gives 15, '1E5' 100000). Then the plain decimal number at
// its start is read: blanks, sign, digits, point, "E" exponent. Text that
// holds no number, and a number out of the double range, read as 0.
double ParseNum(std::string_view text);

// Writes the decimal text of x with places decimals into buffer: "-" when x
// is below 0 (so -0.004 gives '-0,00'), thousands points, and "," with the
// decimals when places > 0 ('1.234.567,89'; '1.234' for places 0). places is
// taken into 0..kMaxFormatPlaces; x not finite is written as 0. Returns buffer.
std::string& FormatNum(double x, std::string& buffer, int places);
constexpr int kMaxFormatPlaces = 100;

// FormatNum with most places, then at most most - least trailing "0" removed
// (least 2, most 4: 1.5 gives '1,50', 0.1234 gives '0,1234'). Returns buffer.
std::string& FormatNumTrim(double x, std::string& buffer, int least, int most);

// Next value of a counter of digits decimal digits (taken as 9 above 9):
// value + 1 while 1 <= value < the largest such number, else 1 (0, negative
// values and values at or above the largest start again at 1).
int NextInCycle(int value, int digits);

// Field logic of GetIntItem: ToInt of the first 9 characters of text; text
// becomes the integer written with "%d". Returns the integer.
int GetIntItem(std::string& text);

// As GetIntItem with the sign dropped (AbsInt); text becomes "%u" of it.
int GetUIntItem(std::string& text);

// text becomes value written with "%ld". Returns text.
std::string& SetIntItem(std::string& text, long value);

// Field logic of GetNumItem: ParseNum of the first 20 characters of text (sign
// dropped when drop_sign is nonzero), written back with FormatNum and places.
// When the field has a text limit (limit > 0) and the written text is longer,
// the value is refused: 0, written with places ("0,00" for 2). So is a text
// longer than the 20 characters read, which a second reading would cut (so
// 2 places hold at most 9.999.999.999.999,99). Returns the value of the text left in the field (rounded to places).
// With places 0 a value of 1000 or more is not read back as shown ('1.235'
// reads as 1.235: the rightmost separator is the decimal point); no field of
// Vri uses 0 places.
double GetNumItem(std::string& text, int places, int drop_sign, int limit);

// As GetNumItem with as many places between least and most as the value needs
// (least 2, most 4: '1,5' gives '1,50', '1,23456' gives '1,2346'). The limit
// is applied to the text with most places: one too long with them is refused
// (0, shown with least places) even when fewer places would fit. Returns the
// value of the text left in the field.
double GetNumItemVar(std::string& text, int least, int most, int drop_sign, int limit);
