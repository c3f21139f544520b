// The Palm dialog BOX566: the Win32 front end of the Palm job (palm/). Its
// procedure only reads the controls into its state, calls the export or the
// import and writes the controls back.
#pragma once

#include <windows.h>

// The dialog procedure, opened by RunPalmDialog (shell/dialogs_win32.h), and
// by tests without a modal loop. TRUE for the messages it handles, FALSE for
// the others.
INT_PTR CALLBACK PalmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
