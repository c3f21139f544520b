// The dialog-field normalisers on real Win32 controls of a real dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "codecs/number.h"
#include "documents/dialog_fields_win32.h"
#include "platform/platform.h"

namespace {

constexpr int kLimitedEdit = 100;   // limited to 10 characters
constexpr int kPlainEdit = 101;     // the default limit
constexpr int kHiddenStatic = 102;  // zero-size static, like the Palm dialog's slots
constexpr int kMissing = 999;       // no such control

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless dialog from a template built in memory, with the controls the
// tests need added as children.
class DialogFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<WORD> tmpl(64, 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
    header->style = WS_POPUP | WS_CAPTION;
    header->cdit = 0;
    header->cx = 200;
    header->cy = 100;
    // Menu, class and title follow the header as empty words (already 0).
    dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr,
                                         PlainDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    HWND limited = AddControl("Edit", kLimitedEdit, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 120);
    SendMessageA(limited, EM_LIMITTEXT, 10, 0);
    AddControl("Edit", kPlainEdit, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 120);
    AddControl("Static", kHiddenStatic, WS_CHILD, 0);
  }
  void TearDown() override {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
  }

  HWND AddControl(const char* window_class, int id, DWORD style, int width) {
    HWND control = CreateWindowExA(0, window_class, "", style, 0, 0, width, width ? 20 : 0,
                                   dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(control, nullptr) << window_class;
    return control;
  }

  void Type(int id, const std::string& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }
  std::string Shown(int id) {
    char buffer[512] = {0};
    GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
    return buffer;
  }

  HWND dialog_ = nullptr;
};

TEST_F(DialogFieldsTest, ControlsReportTheirTextLimit) {
  EXPECT_EQ(ItemTextLimit(dialog_, kLimitedEdit), 10);
  EXPECT_GT(ItemTextLimit(dialog_, kPlainEdit), 20);
  EXPECT_EQ(ItemTextLimit(dialog_, kHiddenStatic), kNoTextLimit);
  EXPECT_EQ(ItemTextLimit(dialog_, kMissing), kNoTextLimit);
}

TEST_F(DialogFieldsTest, GetNumItemRefusesWhatExceedsTheLimit) {
  struct Case {
    const char* name;
    int id;
    std::string typed;
    int places;
    int drop_sign;
    double want;
    std::string shown;
  } cases[] = {
      {"13 characters in a 10-character field", kLimitedEdit, "12345678,9", 2, 0, 0, "0,00"},
      {"10 characters fit", kLimitedEdit, "123456,7", 2, 0, 123456.7, "123.456,70"},
      {"default limit keeps it", kPlainEdit, "12345678,9", 2, 0, 12345678.9, "12.345.678,90"},
      {"static control is never refused", kHiddenStatic, "12345678,9", 2, 0, 12345678.9,
       "12.345.678,90"},
      {"sign dropped", kPlainEdit, "-2", 3, 1, 2, "2,000"},
      {"not a number", kPlainEdit, "abc", 2, 0, 0, "0,00"},
      {"only 20 characters read", kPlainEdit, "1" + std::string(19, ' ') + "9", 2, 0, 1, "1,00"},
  };
  for (const auto& c : cases) {
    Type(c.id, c.typed);
    EXPECT_DOUBLE_EQ(GetNumItem(dialog_, c.id, c.places, c.drop_sign), c.want) << c.name;
    EXPECT_EQ(Shown(c.id), c.shown) << c.name;
  }
}

TEST_F(DialogFieldsTest, GetNumItemVarShowsTheNeededPlaces) {
  struct Case {
    const char* name;
    int id;
    std::string typed;
    double want;
    std::string shown;
  } cases[] = {
      {"rounded to four", kPlainEdit, "1,23456", 1.2346, "1,2346"},
      {"two at least", kPlainEdit, "3", 3, "3,00"},
      {"fits the limit with four places", kLimitedEdit, "1234,5", 1234.5, "1.234,50"},
      {"too long with four places", kLimitedEdit, "123456,5", 0, "0,00"},
  };
  for (const auto& c : cases) {
    Type(c.id, c.typed);
    EXPECT_DOUBLE_EQ(GetNumItemVar(dialog_, c.id, 2, 4, 1), c.want) << c.name;
    EXPECT_EQ(Shown(c.id), c.shown) << c.name;
  }
}

TEST_F(DialogFieldsTest, IntegerFields) {
  Type(kPlainEdit, "  42abc");
  EXPECT_EQ(GetIntItem(dialog_, kPlainEdit), 42);
  EXPECT_EQ(Shown(kPlainEdit), "42");
  Type(kPlainEdit, "");
  EXPECT_EQ(GetIntItem(dialog_, kPlainEdit), 0);
  EXPECT_EQ(Shown(kPlainEdit), "0");
  Type(kHiddenStatic, "-17");
  EXPECT_EQ(GetUIntItem(dialog_, kHiddenStatic), 17);
  EXPECT_EQ(Shown(kHiddenStatic), "17");
  SetIntItem(dialog_, kHiddenStatic, -123456);
  EXPECT_EQ(Shown(kHiddenStatic), "-123456");
  EXPECT_EQ(GetIntItem(dialog_, kMissing), 0) << "a missing control reads as empty";
}

TEST_F(DialogFieldsTest, DigitsOnlyKeepsDigitsOfAccentedText) {
  Type(kPlainEdit, "São 5.102");
  DigitsOnlyItem(dialog_, kPlainEdit);
  EXPECT_EQ(Shown(kPlainEdit), "5102");
}

TEST_F(DialogFieldsTest, NormMonthYearOnAnEditControl) {
  char year[8];
  wsprintfA(year, "%04d", PlatNow().year);
  struct Case {
    const char* name;
    std::string typed;
    int result;
    std::string shown;
  } cases[] = {
      {"one-digit month", "3/2026", 1, "03/2026"},
      {"month alone is this year", "12", 1, std::string("12/") + year},
      {"month 14", "14/2026", 0, ""},
      {"two-digit year", "03/26", 0, ""},
  };
  for (const auto& c : cases) {
    Type(kPlainEdit, c.typed);
    EXPECT_EQ(NormMonthYear(dialog_, kPlainEdit), c.result) << c.name;
    EXPECT_EQ(Shown(kPlainEdit), c.shown) << c.name;
  }
}

TEST_F(DialogFieldsTest, GetItemTextReadsAtMostTheAskedCharacters) {
  Type(kPlainEdit, std::string(3000, 'x'));
  std::string text;
  EXPECT_EQ(GetItemText(dialog_, kPlainEdit, text, 7), "xxxxxxx");
  EXPECT_EQ(GetItemText(dialog_, kPlainEdit, text, -1).size(), 3000u);
  EXPECT_EQ(GetItemText(dialog_, kMissing, text, 5), "");
}

}  // namespace
