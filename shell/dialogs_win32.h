// The two job dialogs the main window opens, what they share, and the
// program instance their resources are loaded from. Win32 front end only.
// Each dialog is one state struct read from its controls, one procedure with
// one handler per message, and one entry here.
#pragma once

#include <windows.h>

// Fiscal printer job, dialog resource BOXECF (command 565), modal over
// owner; returns on "&Fechar" or Esc.
void RunFiscalDialog(HWND owner);

// Palm job, dialog resource BOX566 (command 566), modal over owner; returns
// on "&Fechar" or Esc.
void RunPalmDialog(HWND owner);

// Gives the dialog's close button (control 2) and every control 100-399 the
// stock variable-pitch font, as both job dialogs show their controls.
void SetDialogFont(HWND dialog);

// A button of a job dialog and what pressing it does.
struct DialogCommand {
  int id;
  void (*run)(HWND dialog);
};

// A job dialog's messages: WM_INITDIALOG to on_init; WM_COMMAND with
// EN_KILLFOCUS to on_field_left (when the dialog has one), with any other
// code to the command of the control's id; FALSE for every other message and
// every other control (the system's default handling).
struct DialogHandlers {
  BOOL (*on_init)(HWND dialog);
  const DialogCommand* commands;
  int command_count;
  void (*on_field_left)(HWND dialog, int id);
};
template <int N>
constexpr DialogHandlers MakeDialogHandlers(BOOL (*on_init)(HWND),
                                            const DialogCommand (&commands)[N],
                                            void (*on_field_left)(HWND, int) = nullptr) {
  return DialogHandlers{on_init, commands, N, on_field_left};
}
INT_PTR DispatchDialogMessage(const DialogHandlers& handlers, HWND dialog, UINT message,
                              WPARAM wparam);

// The instance given to WinMain, kept for loading dialogs, bitmaps and the
// icon. nullptr until SetProgramInstance (tests pass their own module).
HINSTANCE ProgramInstance();
void SetProgramInstance(HINSTANCE instance);
