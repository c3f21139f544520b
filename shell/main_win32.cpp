// Entry point of vri.exe: one job per start, chosen on the command line.
#include <windows.h>

#include <string>

#include "records/catalogue.h"
#include "records/company.h"
#include "shell/dialogs_win32.h"
#include "shell/main_window_win32.h"
#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show) {
  ApplyCommandLine(arguments ? std::string(arguments) : std::string());
  if (!RegisterMainWindowClass(instance)) return 0;
  HWND window = CreateMainWindow(instance, Company().job_mode);
  if (!window) return 0;
  SetProgramInstance(instance);
  ShowWindow(window, show);
  UpdateWindow(window);

  // A folder that cannot be entered ends the program: the pending quit
  // request closes the job dialog as soon as it opens, then the loop below.
  if (!SetWorkFolder(kProductName)) PostQuitMessage(0);
  LoadCompany(kLoadLookUp);
  InvalidateRect(window, nullptr, TRUE);

  SendMessageA(window, WM_COMMAND, (WPARAM)Company().job_mode, 0);

  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return (int)message.wParam;
}
