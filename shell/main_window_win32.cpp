#include "shell/main_window_win32.h"

#include "resources/vri_res.h"
#include "shell/dialogs_win32.h"
#include "records/company.h"
#include "shell/paint_win32.h"

namespace {

LRESULT OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc) PaintMainWindow(window, dc, ProgramInstance(), kBannerText);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnCommand(HWND window, WPARAM wparam) {
  switch (LOWORD(wparam)) {
    case IDM_MAIN_ECF:
      RunFiscalDialog(window);
      break;
    case IDM_MAIN_PALM:
      RunPalmDialog(window);
      break;
    default:
      break;
  }
  // One job per start: whatever the command, the program ends with it.
  DestroyWindow(window);
  return 0;
}

}  // namespace

int RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = 0;
  wc.lpfnWndProc = MainWindowProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, IDI_MAIN_ICON);
  wc.hIconSm = LoadIconA(instance, IDI_MAIN_ICON);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = IDR_MAIN_MENU;
  wc.lpszClassName = kMainWindowClass;
  if (RegisterClassExA(&wc)) return 1;
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

HWND CreateMainWindow(HINSTANCE instance, int job_mode) {
  if (job_mode == kModeFiscal) {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return CreateWindowExA(0, kMainWindowClass, kFiscalWindowTitle, kFiscalWindowStyle, 0, 0,
                           desktop.right, desktop.bottom - kTaskbarHeight, nullptr, nullptr,
                           instance, nullptr);
  }
  return CreateWindowExA(0, kMainWindowClass, kHiddenWindowTitle, kHiddenWindowStyle, 0, 0, 0, 0,
                         nullptr, nullptr, instance, nullptr);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      return OnPaint(window);
    case WM_COMMAND:
      return OnCommand(window, wparam);
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}
