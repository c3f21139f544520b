// The dialog-field normalisers on the controls of a Win32 dialog: each reads
// the control's text, applies the field logic of codecs/text.h, number.h or
// date.h, writes the normalised text back and returns its value. Works on
// visible and hidden controls alike. An edit control's own text limit
// (EM_GETLIMITTEXT) refuses a number too long for it; any other control
// (a static one) has no limit. A missing control reads as the empty text.
#pragma once

#include <windows.h>

#include <string>

// out becomes at most max_chars characters of control id's text (the whole
// text when max_chars < 0). Returns out.
std::string& GetItemText(HWND dialog, int id, std::string& out, int max_chars);
// Control id shows text.
void SetItemText(HWND dialog, int id, const std::string& text);
// The control's text limit: EM_GETLIMITTEXT of an edit control, kNoTextLimit
// (codecs/number.h) of any other control or of none.
int ItemTextLimit(HWND dialog, int id);

// Control id keeps only the digits of its first 20 characters.
void DigitsOnlyItem(HWND dialog, int id);
// Integer of control id (first 9 characters); it then shows "%d" of it.
int GetIntItem(HWND dialog, int id);
// As GetIntItem with the sign dropped; it shows "%u".
int GetUIntItem(HWND dialog, int id);
// Control id shows value written with "%ld".
void SetIntItem(HWND dialog, int id, long value);
// Number of control id (first 20 characters; sign dropped when drop_sign is
// nonzero), shown with places decimals; "0,00" and 0 when that text exceeds
// the control's limit. Returns the value as shown.
double GetNumItem(HWND dialog, int id, int places, int drop_sign);
// As GetNumItem with as many places from least to most as the value needs.
double GetNumItemVar(HWND dialog, int id, int least, int most, int drop_sign);
// Month/year control rewritten as '03/2026' or emptied (the month alone is
// taken in today's year). Returns 1 when it holds a month/year, else 0.
int NormMonthYear(HWND dialog, int id);
