#include "documents/dialog_fields_win32.h"

#include <vector>

#include "codecs/date.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "platform/platform.h"

std::string& GetItemText(HWND dialog, int id, std::string& out, int max_chars) {
  out.clear();
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return out;
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return out;
  if (max_chars >= 0 && length > max_chars) length = max_chars;
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(control, buffer.data(), length + 1);
  if (got > 0) out.assign(buffer.data(), static_cast<std::size_t>(got));
  return out;
}

void SetItemText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, text.c_str());
}

int ItemTextLimit(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return kNoTextLimit;
  // Only an edit control has a text limit. A static control (the hidden
  // slots of the Palm dialog) answers EM_GETLIMITTEXT with 0 or garbage,
  // which must never refuse a value.
  char class_name[16] = {0};
  GetClassNameA(control, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Edit") != 0) return kNoTextLimit;
  LRESULT limit = SendMessageA(control, EM_GETLIMITTEXT, 0, 0);
  if (limit <= 0 || limit > 0x7FFFFFFF) return kNoTextLimit;
  return static_cast<int>(limit);
}

void DigitsOnlyItem(HWND dialog, int id) {
  std::string text;
  GetItemText(dialog, id, text, kDigitsItemRead);
  SetItemText(dialog, id, DigitsOnlyItem(text));
}

namespace {

// Reads the control's number with `read` (a codec that normalises the text
// it reads) and writes the normalised text back. Returns the number.
int NormaliseIntItem(HWND dialog, int id, int (*read)(std::string&)) {
  std::string text;
  GetItemText(dialog, id, text, kIntItemRead);
  int value = read(text);
  SetItemText(dialog, id, text);
  return value;
}

}  // namespace

int GetIntItem(HWND dialog, int id) { return NormaliseIntItem(dialog, id, GetIntItem); }

int GetUIntItem(HWND dialog, int id) { return NormaliseIntItem(dialog, id, GetUIntItem); }

void SetIntItem(HWND dialog, int id, long value) {
  std::string text;
  SetItemText(dialog, id, SetIntItem(text, value));
}

namespace {

// The value is that of the text the control holds afterwards, read back
// whole: a setter that changed the text would show here.
double ReadBackNum(HWND dialog, int id) {
  std::string shown;
  GetItemText(dialog, id, shown, -1);
  return ParseNum(shown);
}

}  // namespace

double GetNumItem(HWND dialog, int id, int places, int drop_sign) {
  std::string text;
  GetItemText(dialog, id, text, kNumItemRead);
  GetNumItem(text, places, drop_sign, ItemTextLimit(dialog, id));
  SetItemText(dialog, id, text);
  return ReadBackNum(dialog, id);
}

double GetNumItemVar(HWND dialog, int id, int least, int most, int drop_sign) {
  std::string text;
  GetItemText(dialog, id, text, kNumItemRead);
  GetNumItemVar(text, least, most, drop_sign, ItemTextLimit(dialog, id));
  SetItemText(dialog, id, text);
  return ReadBackNum(dialog, id);
}

int NormMonthYear(HWND dialog, int id) {
  std::string text;
  GetItemText(dialog, id, text, kMonthYearLength);
  DateRec today;
  int result = NormMonthYear(text, Today(today, PlatNow()).year);
  SetItemText(dialog, id, text);
  return result;
}
