// The Palm dialog BOX566: the whole user interface of the Palm job. It reads
// its controls, hands them to the export and import of palm/, and shows
// nothing of its own beyond the folder chooser's message.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "codecs/date.h"
#include "documents/dialog_fields_win32.h"
#include "palm/palm_dialog.h"
#include "palm/palm_dialog_win32.h"
#include "palm/palm_export.h"
#include "palm/palm_files.h"
#include "palm/palm_import.h"
#include "records/company.h"
#include "resources/box566_res.h"
#include "resources/vri_res.h"
#include "shell/dialogs_win32.h"

namespace {

// The state of the dialog, read from its controls in one place.
struct PalmDialogState {
  std::string folder;
  int layout = 0;
  std::vector<std::string> sellers;
  std::string caption;  // the document form's title for the import
};

std::string WindowText(HWND window) {
  std::vector<char> buffer((std::size_t)GetWindowTextLengthA(window) + 1, '\0');
  GetWindowTextA(window, buffer.data(), (int)buffer.size());
  return std::string(buffer.data());
}

std::string ComboText(HWND combo, int index) {
  LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, (WPARAM)index, 0);
  if (length == CB_ERR || length < 0) return std::string();
  std::vector<char> buffer((std::size_t)length + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, (WPARAM)index, (LPARAM)buffer.data());
  return std::string(buffer.data());
}

void ReadState(HWND dialog, PalmDialogState& state) {
  GetItemText(dialog, IDC_BOX566_FOLDER, state.folder, kPalmFolderMax);
  HWND layout = GetDlgItem(dialog, IDC_BOX566_LAYOUT);
  LRESULT selected = SendMessageA(layout, CB_GETCURSEL, 0, 0);
  state.layout = selected == CB_ERR ? 0 : PalmLayoutNumber(ComboText(layout, (int)selected));
  state.sellers.clear();
  HWND sellers = GetDlgItem(dialog, IDC_BOX566_SELLER_LIST);
  LRESULT count = SendMessageA(sellers, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < (int)count; ++i) state.sellers.push_back(ComboText(sellers, i));
  state.caption = WindowText(dialog);
}

// The seller list is ordered by the job's own comparison, the same on every
// system; CB_INSERTSTRING keeps that order even in a sorted combo box.
void FillSellerList(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_BOX566_SELLER_LIST);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  std::vector<std::string> sellers;
  for (const std::string& entry : BuildSellerList(sellers))
    SendMessageA(combo, CB_INSERTSTRING, (WPARAM)-1, (LPARAM)entry.c_str());
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

BOOL OnInitDialog(HWND dialog) {
  SetDialogFont(dialog);

  FillSellerList(dialog);

  SendDlgItemMessageA(dialog, IDC_BOX566_FOLDER, EM_LIMITTEXT, kPalmFolderMax, 0);
  SetDlgItemTextA(dialog, IDC_BOX566_FOLDER, kPalmDefaultFolder);

  HWND layout = GetDlgItem(dialog, IDC_BOX566_LAYOUT);
  SendMessageA(layout, CB_RESETCONTENT, 0, 0);
  SendMessageA(layout, CB_ADDSTRING, 0, (LPARAM)kPalmLayoutOnSoftText);
  SendMessageA(layout, CB_SETCURSEL, 0, 0);

  HWND owner = GetWindow(dialog, GW_OWNER);
  std::string title = owner ? WindowText(owner).substr(0, kPalmCaptionTitleMax) : "";
  std::string caption;
  SetWindowTextA(dialog, PalmDialogCaption(caption, title, Company().company_code).c_str());
  return TRUE;
}

void OnExport(HWND dialog) {
  PalmDialogState state;
  ReadState(dialog, state);
  PalmExport(dialog, state.folder, state.layout, state.sellers);
}

void OnImport(HWND dialog) {
  PalmDialogState state;
  ReadState(dialog, state);
  DateRec today;
  Today(today, PlatNow());
  DocumentForm form;
  form.owner = dialog;
  form.title = state.caption;
  int quotes = 0;
  PalmImport(form, state.folder, state.layout, today, quotes);
}

void OnChooseFolder(HWND dialog) {
  std::string start;
  GetItemText(dialog, IDC_BOX566_FOLDER, start, kPalmFolderMax);
  ChooserStartFolder(start);

  std::vector<char> path(MAX_PATH * 4, '\0');
  lstrcpynA(path.data(), kPalmChooserFileName, (int)path.size());
  static const char kFilter[] = "Pasta\0*.*\0";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = (DWORD)path.size();
  ofn.lpstrInitialDir = start.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return;

  std::string folder;
  if (AcceptChosenFolder(dialog, std::string(path.data()), folder))
    SetDlgItemTextA(dialog, IDC_BOX566_FOLDER, folder.c_str());
}

void OnClose(HWND dialog) { EndDialog(dialog, 0); }

// Enter moves on to the next field, as Tab does, and starts nothing.
void OnEnter(HWND dialog) { SendMessageA(dialog, WM_NEXTDLGCTL, 0, FALSE); }

constexpr DialogCommand kCommands[] = {
    {IDC_BOX566_CLOSE, OnClose},
    {IDC_BOX566_EXPORT, OnExport},
    {IDC_BOX566_IMPORT, OnImport},
    {IDC_BOX566_CHOOSE_FOLDER, OnChooseFolder},
    {IDC_BOX566_ENTER, OnEnter},
};

}  // namespace

INT_PTR CALLBACK PalmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  static constexpr DialogHandlers kHandlers = MakeDialogHandlers(OnInitDialog, kCommands);
  return DispatchDialogMessage(kHandlers, dialog, message, wparam);
}

void RunPalmDialog(HWND owner) {
  DialogBoxParamA(ProgramInstance(), IDD_BOX566, owner, PalmDialogProc, 0);
}
