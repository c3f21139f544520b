// The fiscal printer dialog BOXECF: the Win32 front end of the fiscal printer
// job (fiscal/fiscal_job). Its procedure only reads the controls into its
// state, calls the job's steps and writes the controls back.
#pragma once

#include <windows.h>

// The dialog procedure, opened by RunFiscalDialog (shell/dialogs_win32.h),
// and by tests without a modal loop: loads the printer library when it opens
// (and ends at once, after the library's message, when it cannot), generates
// on "&Gerar Sintegra", and releases the library on "&Fechar" or Esc. TRUE
// for the messages it handles, FALSE for the others.
INT_PTR CALLBACK FiscalDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
