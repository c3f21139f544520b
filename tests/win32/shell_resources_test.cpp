// The real resources of vri.exe (linked into this program too), loaded as the
// program loads them: the two job dialogs, the menu, the pictures, the
// version, the manifest and the language they are tagged with.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "resources/box566_res.h"
#include "resources/boxecf_res.h"
#include "resources/vri_res.h"

namespace {

HINSTANCE Resources() { return GetModuleHandleA(nullptr); }

// The resource is checked, not the job's dialog procedure.
INT_PTR CALLBACK BareDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text((std::size_t)length + 1, '\0');
  int got = GetWindowTextA(window, &text[0], length + 1);
  text.resize((std::size_t)(got > 0 ? got : 0));
  return text;
}

struct DialogCase {
  const char* name;
  const char* caption;
  std::vector<int> inputs;  // edits and buttons the job reads or answers, in tab order
  int enter;                // the default button, which takes the Enter key
  std::vector<int> hidden;  // zero-sized controls the job keeps its state in
  std::vector<std::pair<int, const char*>> texts;  // what the dialog opens with
};

// Each job dialog opens from its template as a fixed frame with its caption;
// its inputs are there, enabled and reached by Tab in order; the fields it
// opens with hold their first values.
TEST(ShellResources, JobDialogsOpenWithTheirInputs) {
  const DialogCase dialogs[] = {
      {IDD_BOXECF,
       "Vri ECF Bematech",
       {IDC_BOXECF_MONTH_YEAR, IDC_BOXECF_REPORT, IDC_BOXECF_NAME, IDC_BOXECF_STREET,
        IDC_BOXECF_NUMBER, IDC_BOXECF_COMPLEMENT, IDC_BOXECF_DISTRICT, IDC_BOXECF_CITY,
        IDC_BOXECF_CEP, IDC_BOXECF_PHONE, IDC_BOXECF_FAX, IDC_BOXECF_CONTACT,
        IDC_BOXECF_GENERATE, IDC_BOXECF_CLOSE},
       IDC_BOXECF_ENTER,
       {IDC_BOXECF_SORT_LIST},
       {{IDC_BOXECF_REPORT, "39"}, {IDC_BOXECF_FOLDER, "C:\\Kmar\\Arquivos"}}},
      {IDD_BOX566,
       "Palm",
       {IDC_BOX566_FOLDER, IDC_BOX566_LAYOUT, IDC_BOX566_EXPORT, IDC_BOX566_IMPORT,
        IDC_BOX566_CLOSE, IDC_BOX566_CHOOSE_FOLDER},
       IDC_BOX566_ENTER,
       {IDC_BOX566_SLOT_100, IDC_BOX566_SLOT_101, IDC_BOX566_SLOT_102, IDC_BOX566_SLOT_104,
        IDC_BOX566_SLOT_105, IDC_BOX566_SLOT_111, IDC_BOX566_SLOT_113, IDC_BOX566_SELLER_LIST,
        IDC_BOX566_ITEM_LIST},
       {}},
  };
  for (const DialogCase& d : dialogs) {
    SCOPED_TRACE(d.caption);
    HWND dialog = CreateDialogParamA(Resources(), d.name, nullptr, BareDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    for (LONG bit : {(LONG)WS_POPUP, (LONG)WS_CAPTION, (LONG)WS_SYSMENU, (LONG)DS_MODALFRAME})
      EXPECT_EQ(style & bit, bit);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(WindowText(dialog), d.caption);
    std::vector<int> tab_order;
    for (HWND at = GetNextDlgTabItem(dialog, nullptr, FALSE);
         at && tab_order.size() <= d.inputs.size(); at = GetNextDlgTabItem(dialog, at, FALSE)) {
      if (!tab_order.empty() && GetDlgCtrlID(at) == tab_order.front()) break;
      tab_order.push_back(GetDlgCtrlID(at));
    }
    EXPECT_EQ(tab_order, d.inputs);
    for (int id : d.inputs) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << id;
    EXPECT_EQ(SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(d.enter, DC_HASDEFID));
    for (int id : d.hidden) {
      RECT box = {1, 1, 1, 1};
      ASSERT_TRUE(GetClientRect(GetDlgItem(dialog, id), &box)) << id;
      EXPECT_TRUE(IsRectEmpty(&box)) << id;
    }
    for (const auto& [id, text] : d.texts) {
      ASSERT_NE(GetDlgItem(dialog, id), nullptr) << id;
      EXPECT_EQ(WindowText(GetDlgItem(dialog, id)), text) << id;
    }
    DestroyWindow(dialog);
  }
}

TEST(ShellResources, HiddenListsKeepTheirOrder) {
  HWND dialog = CreateDialogParamA(Resources(), IDD_BOX566, nullptr, BareDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  const char* added[] = {"zeta", "Alfa", "meio"};
  for (const char* text : added) {
    SendDlgItemMessageA(dialog, IDC_BOX566_SELLER_LIST, CB_ADDSTRING, 0, (LPARAM)text);
    SendDlgItemMessageA(dialog, IDC_BOX566_ITEM_LIST, LB_ADDSTRING, 0, (LPARAM)text);
  }
  auto item = [&](int id, UINT get, int index) {
    char buffer[32] = {0};
    SendDlgItemMessageA(dialog, id, get, (WPARAM)index, (LPARAM)buffer);
    return std::string(buffer);
  };
  // The seller list sorts without regard to case; the item list keeps its order.
  EXPECT_EQ(item(IDC_BOX566_SELLER_LIST, CB_GETLBTEXT, 0), "Alfa");
  EXPECT_EQ(item(IDC_BOX566_SELLER_LIST, CB_GETLBTEXT, 2), "zeta");
  EXPECT_EQ(item(IDC_BOX566_ITEM_LIST, LB_GETTEXT, 0), "zeta");
  EXPECT_EQ(item(IDC_BOX566_ITEM_LIST, LB_GETTEXT, 2), "meio");
  DestroyWindow(dialog);

  dialog = CreateDialogParamA(Resources(), IDD_BOXECF, nullptr, BareDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  for (const char* text : added)
    SendDlgItemMessageA(dialog, IDC_BOXECF_SORT_LIST, LB_ADDSTRING, 0, (LPARAM)text);
  EXPECT_EQ(item(IDC_BOXECF_SORT_LIST, LB_GETTEXT, 0), "Alfa");
  DestroyWindow(dialog);
}

TEST(ShellResources, MenuHoldsTheThreeCommands) {
  HMENU menu = LoadMenuA(Resources(), IDR_MAIN_MENU);
  ASSERT_NE(menu, nullptr);
  const struct {
    UINT id;
    const char* text;
  } items[] = {{IDM_MAIN_ECF, "&ECF"}, {IDM_MAIN_PALM, "&Palm"}, {IDM_MAIN_EXIT, "&Sair"}};
  ASSERT_EQ(GetMenuItemCount(menu), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(GetMenuItemID(menu, i), items[i].id) << i;
    char text[32] = {0};
    GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, items[i].text) << i;
    EXPECT_EQ(GetSubMenu(menu, i), nullptr) << i;
  }
  DestroyMenu(menu);
}

TEST(ShellResources, PicturesAreThere) {
  const struct {
    const char* name;
    int max_width;
    int max_height;
  } bitmaps[] = {
      // the logo stands left of the banner box (x 12 to 45, y from 32)
      {IDB_BANNER_LOGO, 33, 24},
      // the picture stands between the date box and the icon (y 76 to 155)
      {IDB_BANNER_PICTURE, 400, 79},
  };
  for (const auto& b : bitmaps) {
    HBITMAP bitmap = LoadBitmapA(Resources(), b.name);
    ASSERT_NE(bitmap, nullptr) << b.name;
    BITMAP info = {};
    ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0) << b.name;
    EXPECT_GT(info.bmWidth, 0) << b.name;
    EXPECT_LE(info.bmWidth, b.max_width) << b.name;
    EXPECT_GT(info.bmHeight, 0) << b.name;
    EXPECT_LE(info.bmHeight, b.max_height) << b.name;
    DeleteObject(bitmap);
  }
  for (int size : {16, 32}) {
    HICON icon =
        static_cast<HICON>(LoadImageA(Resources(), IDI_MAIN_ICON, IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info)) << size;
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);  // an image of that very size, not a scaled one
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// The value that follows a key in a version resource's string table (both
// UTF-16, the value aligned after the key's terminator), narrowed to ASCII.
std::string VersionString(const std::vector<char>& blob, const std::string& key) {
  std::string wide_key;
  for (char c : key) wide_key += std::string{c, '\0'};
  wide_key += std::string(2, '\0');
  std::size_t at = std::string(blob.begin(), blob.end()).find(wide_key);
  if (at == std::string::npos) return "";
  std::size_t i = at + wide_key.size();
  while (i + 1 < blob.size() && blob[i] == 0 && blob[i + 1] == 0) i += 2;
  std::string value;
  for (; i + 1 < blob.size() && (blob[i] || blob[i + 1]); i += 2) value.push_back(blob[i]);
  return value;
}

TEST(ShellResources, VersionNamesTheProgram) {
  HRSRC found = FindResourceA(Resources(), MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
  ASSERT_NE(found, nullptr);
  DWORD size = SizeofResource(Resources(), found);
  const char* data = static_cast<const char*>(LockResource(LoadResource(Resources(), found)));
  ASSERT_NE(data, nullptr);
  std::vector<char> blob(data, data + size);
  std::string bytes(blob.begin(), blob.end());
  const DWORD signature = 0xFEEF04BD;
  std::size_t at = bytes.find(std::string((const char*)&signature, 4));
  ASSERT_NE(at, std::string::npos);
  VS_FIXEDFILEINFO fixed = {};
  ASSERT_LE(at + sizeof fixed, blob.size());
  memcpy(&fixed, data + at, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, (DWORD)MAKELONG(77, 4));
  EXPECT_EQ(fixed.dwFileType, (DWORD)VFT_APP);
  const struct {
    const char* key;
    const char* value;
  } strings[] = {{"ProductName", "Vri"},
                 {"FileVersion", "4.77"},
                 {"OriginalFilename", "vri.exe"},
                 {"CompanyName", "Kmar Sistemas"}};
  for (const auto& s : strings) EXPECT_EQ(VersionString(blob, s.key), s.value) << s.key;
  // Portuguese (Brazil) in Windows-1252, the table the strings stand in.
  EXPECT_NE(bytes.find(std::string("0\0" "4\0" "1\0" "6\0" "0\0" "4\0" "E\0" "4\0", 16)),
            std::string::npos);
  const WORD translation[2] = {0x0416, 1252};
  EXPECT_NE(bytes.find(std::string((const char*)translation, 4)), std::string::npos);
  // Every resource is tagged Portuguese (Brazil), none US English.
  const WORD brazil = MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN);
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const struct {
    LPCSTR type;
    LPCSTR name;
  } tagged[] = {{RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO)},
                {RT_DIALOG, IDD_BOXECF},
                {RT_DIALOG, IDD_BOX566},
                {RT_MENU, IDR_MAIN_MENU},
                {RT_GROUP_ICON, IDI_MAIN_ICON},
                {RT_MANIFEST, MAKEINTRESOURCEA(1)}};
  for (const auto& t : tagged) {
    EXPECT_NE(FindResourceExA(Resources(), t.type, t.name, brazil), nullptr);
    EXPECT_EQ(FindResourceExA(Resources(), t.type, t.name, english), nullptr);
  }
  // The manifest asks for visual styles and system DPI awareness.
  HRSRC manifest = FindResourceA(Resources(), MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_NE(manifest, nullptr);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(Resources(), manifest))),
                  SizeofResource(Resources(), manifest));
  EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(xml.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true"),
            std::string::npos);
}

}  // namespace
