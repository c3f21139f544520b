// The real resources of vri.exe (linked into this program too): the menu,
// every control of the two job dialogs, the pictures and the version.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
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

std::string ClassOf(HWND window) {
  char name[64] = {0};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Kinds of control, each with its class and the style bits that make it.
enum Kind {
  kLabel,      // static, left-aligned text
  kEdit,       // bordered edit, tab stop, scrolls sideways
  kShowEdit,   // bordered read-only edit, not a tab stop
  kButton,     // push button, tab stop
  kDefault,    // default push button, not a tab stop
  kGroup,      // group box
  kDropList,   // drop-down list, tab stop
  kSimpleSorted,  // simple combo box, sorted
  kListSorted,    // list box, sorted
  kListPlain,     // list box, in the order of adding
};

struct ControlRow {
  int id;
  Kind kind;
  const char* text;
  RECT units;  // x, y, width, height in dialog units (right/bottom hold width/height)
};

const char* ClassOf(Kind kind) {
  switch (kind) {
    case kLabel: return "Static";
    case kEdit:
    case kShowEdit: return "Edit";
    case kDropList:
    case kSimpleSorted: return "ComboBox";
    case kListSorted:
    case kListPlain: return "ListBox";
    default: return "Button";
  }
}

void ExpectKind(HWND control, Kind kind, const std::string& where) {
  LONG style = GetWindowLongA(control, GWL_STYLE);
  LONG ex = GetWindowLongA(control, GWL_EXSTYLE);
  bool tab = (style & WS_TABSTOP) != 0;
  // The dialog manager may turn an edit's border into a sunken edge.
  bool bordered = (style & WS_BORDER) || (ex & WS_EX_CLIENTEDGE);
  switch (kind) {
    case kLabel:
      EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT) << where;
      EXPECT_FALSE(tab) << where;
      break;
    case kEdit:
      EXPECT_TRUE(bordered) << where;
      EXPECT_TRUE(tab) << where;
      EXPECT_TRUE(style & ES_AUTOHSCROLL) << where;
      EXPECT_FALSE(style & ES_READONLY) << where;
      EXPECT_FALSE(style & ES_MULTILINE) << where;
      break;
    case kShowEdit:
      EXPECT_TRUE(bordered) << where;
      EXPECT_FALSE(tab) << where;
      EXPECT_TRUE(style & ES_READONLY) << where;
      EXPECT_TRUE(style & ES_AUTOHSCROLL) << where;
      break;
    case kButton:
      EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << where;
      EXPECT_TRUE(tab) << where;
      break;
    case kDefault:
      EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON) << where;
      EXPECT_FALSE(tab) << where;
      break;
    case kGroup:
      EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX) << where;
      EXPECT_FALSE(tab) << where;
      break;
    case kDropList:
      EXPECT_EQ(style & 3, CBS_DROPDOWNLIST) << where;
      EXPECT_TRUE(tab) << where;
      break;
    case kSimpleSorted:
      EXPECT_EQ(style & 3, CBS_SIMPLE) << where;
      EXPECT_TRUE(style & CBS_SORT) << where;
      EXPECT_FALSE(tab) << where;
      break;
    case kListSorted:
      EXPECT_TRUE(style & LBS_SORT) << where;
      EXPECT_FALSE(tab) << where;
      break;
    case kListPlain:
      EXPECT_FALSE(style & LBS_SORT) << where;
      EXPECT_FALSE(tab) << where;
      break;
  }
}

// Opens the dialog resource modeless, checks its frame, then every control
// of the table: order (the tab order), class, style, text and rectangle.
void CheckDialog(const char* name, const char* caption, RECT frame_units,
                 const std::vector<ControlRow>& rows) {
  HWND dialog = CreateDialogParamA(Resources(), name, nullptr, BareDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << name;

  LONG style = GetWindowLongA(dialog, GWL_STYLE);
  for (LONG bit : {(LONG)WS_POPUP, (LONG)WS_CAPTION, (LONG)WS_SYSMENU, (LONG)DS_MODALFRAME})
    EXPECT_EQ(style & bit, bit) << name;
  EXPECT_FALSE(style & WS_THICKFRAME) << name;
  EXPECT_EQ(WindowText(dialog), caption) << name;
  RECT size = {0, 0, frame_units.right, frame_units.bottom};
  MapDialogRect(dialog, &size);
  RECT client = {};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right) << name;
  EXPECT_EQ(client.bottom, size.bottom) << name;

  std::vector<int> order;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    order.push_back(GetDlgCtrlID(child));
  std::vector<int> expected_order;
  for (const auto& row : rows) expected_order.push_back(row.id);
  EXPECT_EQ(order, expected_order) << name << ": controls or their order";

  for (const auto& row : rows) {
    std::string where = std::string(name) + " control " + std::to_string(row.id);
    HWND control = GetDlgItem(dialog, row.id);
    ASSERT_NE(control, nullptr) << where;
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), ClassOf(row.kind)) << where;
    ExpectKind(control, row.kind, where);
    // Combo and list boxes own inner windows; only text controls carry text.
    if (row.kind != kDropList && row.kind != kSimpleSorted && row.kind != kListSorted &&
        row.kind != kListPlain) {
      EXPECT_EQ(WindowText(control), row.text) << where;
    }

    // The dialog manager maps position and size each on its own.
    RECT mapped = row.units;
    MapDialogRect(dialog, &mapped);
    RECT want = {mapped.left, mapped.top, mapped.left + mapped.right,
                 mapped.top + mapped.bottom};
    RECT got = {};
    GetWindowRect(control, &got);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_EQ(got.left, want.left) << where;
    EXPECT_EQ(got.top, want.top) << where;
    EXPECT_EQ(got.right, want.right) << where;
    // A drop-down list shows one line; its template height is the opened list's.
    if (row.kind != kDropList) {
      EXPECT_EQ(got.bottom, want.bottom) << where;
    }
  }
  DestroyWindow(dialog);
}

TEST(ShellResources, FiscalPrinterDialogHasEveryControl) {
  const std::vector<ControlRow> rows = {
      {IDC_BOXECF_GROUP, kGroup, "Sintegra MFD", {5, 5, 185, 132}},
      {IDC_BOXECF_MONTH_YEAR_LABEL, kLabel, "&M\xEAs/ano:", {10, 15, 40, 10}},
      {IDC_BOXECF_MONTH_YEAR, kEdit, "", {50, 15, 30, 10}},
      {IDC_BOXECF_REPORT_LABEL, kLabel, "&Relat\xF3rio:", {10, 27, 40, 10}},
      {IDC_BOXECF_REPORT, kEdit, "39", {50, 27, 20, 10}},
      {IDC_BOXECF_NAME_LABEL, kLabel, "&Nome:", {10, 39, 40, 10}},
      {IDC_BOXECF_NAME, kEdit, "", {50, 39, 80, 10}},
      {IDC_BOXECF_STREET_LABEL, kLabel, "&Endere\xE7o:", {10, 51, 40, 10}},
      {IDC_BOXECF_STREET, kEdit, "", {50, 51, 80, 10}},
      {IDC_BOXECF_NUMBER_LABEL, kLabel, "N\xFAm", {132, 42, 21, 9}},
      {IDC_BOXECF_NUMBER, kEdit, "", {132, 51, 21, 10}},
      {IDC_BOXECF_COMPLEMENT_LABEL, kLabel, "Comp", {155, 42, 30, 9}},
      {IDC_BOXECF_COMPLEMENT, kEdit, "", {155, 51, 30, 10}},
      {IDC_BOXECF_DISTRICT_LABEL, kLabel, "&Bairro:", {10, 63, 40, 10}},
      {IDC_BOXECF_DISTRICT, kEdit, "", {50, 63, 80, 10}},
      {IDC_BOXECF_CITY_LABEL, kLabel, "&Cidade:", {10, 75, 40, 10}},
      {IDC_BOXECF_CITY, kEdit, "", {50, 75, 80, 10}},
      {IDC_BOXECF_CEP_LABEL, kLabel, "CEP", {132, 66, 22, 9}},
      {IDC_BOXECF_CEP, kEdit, "", {132, 75, 35, 10}},
      {IDC_BOXECF_PHONE_LABEL, kLabel, "F&one:", {10, 87, 40, 10}},
      {IDC_BOXECF_PHONE, kEdit, "", {50, 87, 40, 10}},
      {IDC_BOXECF_FAX_LABEL, kLabel, "Fa&x:", {10, 99, 40, 10}},
      {IDC_BOXECF_FAX, kEdit, "", {50, 99, 40, 10}},
      {IDC_BOXECF_CONTACT_LABEL, kLabel, "Con&tato:", {10, 111, 40, 10}},
      {IDC_BOXECF_CONTACT, kEdit, "", {50, 111, 80, 10}},
      {IDC_BOXECF_FOLDER_LABEL, kLabel, "Salvar em:", {10, 123, 40, 10}},
      {IDC_BOXECF_FOLDER, kShowEdit, "C:\\Kmar\\Arquivos", {50, 123, 80, 10}},
      {IDC_BOXECF_VERSION, kShowEdit, "", {155, 123, 30, 10}},
      {IDC_BOXECF_GENERATE, kButton, "&Gerar Sintegra", {10, 142, 60, 11}},
      {IDC_BOXECF_CLOSE, kButton, "&Fechar", {71, 142, 40, 11}},
      {IDC_BOXECF_ENTER, kDefault, "", {0, 0, 0, 0}},
      {IDC_BOXECF_SORT_LIST, kListSorted, "", {0, 0, 0, 0}},
  };
  CheckDialog(IDD_BOXECF, "Vri ECF Bematech", {5, 40, 195, 160}, rows);
}

TEST(ShellResources, PalmDialogHasEveryControl) {
  const std::vector<ControlRow> rows = {
      {IDC_BOX566_FOLDER_LABEL, kLabel, "&Pasta:", {10, 15, 30, 10}},
      {IDC_BOX566_FOLDER, kEdit, "", {40, 15, 102, 10}},
      {IDC_BOX566_LAYOUT_LABEL, kLabel, "&Layout:", {10, 27, 30, 10}},
      {IDC_BOX566_LAYOUT, kDropList, "", {40, 27, 45, 90}},
      {IDC_BOX566_EXPORT, kButton, "&Exportar", {10, 50, 40, 11}},
      {IDC_BOX566_IMPORT, kButton, "&Importar", {51, 50, 40, 11}},
      {IDC_BOX566_CLOSE, kButton, "&Fechar", {92, 50, 40, 11}},
      {IDC_BOX566_CHOOSE_FOLDER, kButton, "...", {145, 15, 15, 10}},
      {IDC_BOX566_ENTER, kDefault, "", {0, 0, 0, 0}},
      {IDC_BOX566_GROUP, kGroup, "Palm", {5, 5, 160, 36}},
      {IDC_BOX566_SLOT_100, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_101, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_102, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_104, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_105, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_111, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SLOT_113, kLabel, "", {0, 0, 0, 0}},
      {IDC_BOX566_SELLER_LIST, kSimpleSorted, "", {0, 0, 0, 0}},
      {IDC_BOX566_ITEM_LIST, kListPlain, "", {0, 0, 0, 0}},
  };
  CheckDialog(IDD_BOX566, "Palm", {5, 40, 170, 70}, rows);
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
