// The fiscal printer dialog BOXECF.
#include "fiscal/fiscal_dialog_win32.h"

#include <string>

#include "documents/dialog_fields_win32.h"
#include "fiscal/ecf_binding.h"
#include "fiscal/fiscal_job.h"
#include "resources/boxecf_res.h"
#include "resources/vri_res.h"
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

// The state of the dialog, read from its controls in one place: the fields
// of the generation and the version the library gave at the opening.
struct FiscalDialogState {
  SintegraRequest request;
};

void ReadState(HWND dialog, FiscalDialogState& state) {
  for (const FieldControl& c : kFieldControls) {
    std::string* text = SintegraFieldText(state.request, c.field);
    if (text) GetItemText(dialog, c.id, *text, -1);
  }
  GetItemText(dialog, IDC_BOXECF_VERSION, state.request.library_version, -1);
}

// Rewrites the CEP edit control as '12345-678', or empties it when it holds
// no digit.
void NormCepItem(HWND dialog, int id) {
  std::string text;
  GetItemText(dialog, id, text, -1);
  SetItemText(dialog, id, NormCep(text));
}

// Makes the control with the keyboard focus run its leave-field handling now
// (a loss and a gain of focus), so its field is normalised before a command
// reads it. Nothing happens when the focus is outside the dialog.
void CommitFocusedItem(HWND dialog) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(dialog, focus)) return;
  SendMessageA(focus, WM_KILLFOCUS, 0, 0);
  SendMessageA(focus, WM_SETFOCUS, 0, 0);
}

BOOL OnInitDialog(HWND dialog) {
  SetDialogFont(dialog);
  for (const FieldControl& c : kFieldControls)
    SendDlgItemMessageA(dialog, c.id, EM_LIMITTEXT, (WPARAM)SintegraLimitOf(c.field), 0);
  std::string version;
  int started = StartFiscalJob(dialog, kEcfLibraryName, version);
  if (!EcfLibrary()) {
    // "Erro ao carregar Bemafi32.dll" has been shown; nothing else is done.
    EndDialog(dialog, 0);
    return TRUE;
  }
  if (started) SetItemText(dialog, IDC_BOXECF_VERSION, version);
  return TRUE;  // the focus goes to the first tab stop, the month/year
}

void OnGenerate(HWND dialog) {
  CommitFocusedItem(dialog);
  FiscalDialogState state;
  ReadState(dialog, state);
  DateRec today;
  SintegraVerdict verdict;
  if (GenerateSintegraStep(dialog, state.request, Today(today, PlatNow()), verdict))
    ShowSintegraVerdict(dialog, verdict);
}

// A field that was left is normalised at once, so that what it shows is what
// the generation will read.
void OnFieldLeft(HWND dialog, int id) {
  if (id == IDC_BOXECF_MONTH_YEAR) NormMonthYear(dialog, id);
  else if (id == IDC_BOXECF_CEP) NormCepItem(dialog, id);
}

void OnClose(HWND dialog) {
  EndDialog(dialog, 0);
  EndFiscalJob(dialog);
}

// Enter moves on to the next field, as Tab does; it never generates.
void OnEnter(HWND dialog) { PostMessageA(dialog, WM_NEXTDLGCTL, 0, 0); }

constexpr DialogCommand kCommands[] = {
    {IDC_BOXECF_GENERATE, OnGenerate},
    {IDC_BOXECF_ENTER, OnEnter},
    {IDC_BOXECF_CLOSE, OnClose},
};

}  // namespace

INT_PTR CALLBACK FiscalDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  static constexpr DialogHandlers kHandlers =
      MakeDialogHandlers(OnInitDialog, kCommands, OnFieldLeft);
  return DispatchDialogMessage(kHandlers, dialog, message, wparam);
}

void RunFiscalDialog(HWND owner) {
  DialogBoxParamA(ProgramInstance(), IDD_BOXECF, owner, FiscalDialogProc, 0);
}
