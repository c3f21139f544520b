// The fiscal printer dialog BOXECF.
#include <windows.h>

#include <string>

#include "documents/dialog_fields_win32.h"
#include "fiscal/ecf_binding.h"
#include "fiscal/fiscal_dialog_win32.h"
#include "fiscal/sintegra.h"
#include "resources/boxecf_res.h"
#include "shell/dialogs_win32.h"

namespace {

// The dialog's edit controls and the fields of the generation they hold.
struct FieldControl {
  int id;
  SintegraField field;
};
const FieldControl kFieldControls[] = {
    {IDC_BOXECF_MONTH_YEAR, SintegraField::kMonthYear},
    {IDC_BOXECF_REPORT, SintegraField::kReport},
    {IDC_BOXECF_FOLDER, SintegraField::kFolder},
    {IDC_BOXECF_NAME, SintegraField::kName},
    {IDC_BOXECF_STREET, SintegraField::kStreet},
    {IDC_BOXECF_NUMBER, SintegraField::kNumber},
    {IDC_BOXECF_COMPLEMENT, SintegraField::kComplement},
    {IDC_BOXECF_DISTRICT, SintegraField::kDistrict},
    {IDC_BOXECF_CITY, SintegraField::kCity},
    {IDC_BOXECF_CEP, SintegraField::kCep},
    {IDC_BOXECF_PHONE, SintegraField::kPhone},
    {IDC_BOXECF_FAX, SintegraField::kFax},
    {IDC_BOXECF_CONTACT, SintegraField::kContact},
};

BOOL OnInitDialog(HWND dialog) {
  SetDialogFont(dialog);
  if (!LoadEcfLibrary(dialog, kEcfLibraryName)) {
    // "Erro ao carregar Bemafi32.dll" has been shown; nothing else is done.
    EndDialog(dialog, 0);
    return TRUE;
  }
  SintegraMfd(dialog, 0);
  return TRUE;  // the focus goes to the first tab stop, the month/year
}

// A field that was left is normalised at once, so that what it shows is what
// the generation will read.
void OnFieldLeft(HWND dialog, int id) {
  if (id == IDC_BOXECF_MONTH_YEAR) NormMonthYear(dialog, id);
  else if (id == IDC_BOXECF_CEP) NormCep(dialog, id);
}

void OnClose(HWND dialog) {
  EndDialog(dialog, 0);
  ReleaseEcfLibrary(dialog);
}

}  // namespace

void SetDialogFont(HWND dialog) {
  HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
  for (int id = 100; id <= 399; ++id) {
    if (HWND control = GetDlgItem(dialog, id))
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (HWND close = GetDlgItem(dialog, IDC_BOXECF_CLOSE))
    SendMessageA(close, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

int NormCep(HWND dialog, int id) {
  std::string text;
  GetItemText(dialog, id, text, -1);
  NormCep(text);
  SetItemText(dialog, id, text);
  return text.empty() ? 0 : 1;
}

void CommitFocusedItem(HWND dialog) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(dialog, focus)) return;
  SendMessageA(focus, WM_KILLFOCUS, 0, 0);
  SendMessageA(focus, WM_SETFOCUS, 0, 0);
}

int SintegraMfd(HWND dialog, int generate) {
  if (!generate) {
    for (const FieldControl& c : kFieldControls)
      SendDlgItemMessageA(dialog, c.id, EM_LIMITTEXT, (WPARAM)SintegraLimitOf(c.field), 0);
    // A generation ended half-way left the previous report aside.
    RestorePreviousSintegra(dialog);
    std::string version;
    if (!SintegraVersion(dialog, version)) return 0;
    SetItemText(dialog, IDC_BOXECF_VERSION, version);
    return 1;
  }
  SintegraRequest request;
  for (const FieldControl& c : kFieldControls) {
    std::string* text = SintegraFieldText(request, c.field);
    if (text) GetItemText(dialog, c.id, *text, -1);
  }
  GetItemText(dialog, IDC_BOXECF_VERSION, request.library_version, -1);
  return SintegraGenerate(dialog, request);
}

INT_PTR CALLBACK EcfDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog);
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wparam);
  int code = HIWORD(wparam);
  if (code == EN_KILLFOCUS) {
    OnFieldLeft(dialog, id);
    return TRUE;
  }
  switch (id) {
    case IDC_BOXECF_GENERATE:
      CommitFocusedItem(dialog);
      SintegraMfd(dialog, 1);
      return TRUE;
    case IDC_BOXECF_ENTER:
      // Enter moves on to the next field, as Tab does; it never generates.
      PostMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
      return TRUE;
    case IDC_BOXECF_CLOSE:
      OnClose(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

// The main window opens each job's dialog under the job's name.
INT_PTR CALLBACK FiscalDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  return EcfDialogProc(dialog, message, wparam, lparam);
}
