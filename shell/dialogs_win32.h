// The two job dialogs the main window opens, and the program instance their
// resources are loaded from. Win32 front end only.
#pragma once

#include <windows.h>

// Fiscal printer job, dialog resource BOXECF (command 565). Ends the dialog
// with 0 on "&Fechar" or Esc.
INT_PTR CALLBACK FiscalDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Palm job, dialog resource BOX566 (command 566). Ends the dialog with 0 on
// "&Fechar" or Esc.
INT_PTR CALLBACK PalmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The instance given to WinMain, kept for loading dialogs, bitmaps and the
// icon. nullptr until SetProgramInstance (tests pass their own module).
HINSTANCE ProgramInstance();
void SetProgramInstance(HINSTANCE instance);
