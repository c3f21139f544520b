// vri-e2e-selftest: the driver's test program. A dialog "Autoteste e2e" with
// a text field (101, upper-cased when left), a result field (102) and buttons
// that show message boxes: 301 the text of 101 (information; no icon with the
// argument "noicon"), 302 a warning then an error, 303 a yes/no question whose
// answer goes to 102. Enter (hidden default button 500) moves to the next
// field, "&Fechar" (2) closes. A drop-down list 110 ("1 - OnSoft",
// "2 - Outro") copies the chosen item to 102; list box 120 holds three lines. Arguments, in any order: "exit=N" (exit code),
// "box" (an error box before the dialog), "hang" (never end after the dialog).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool g_no_icon = false;

std::string ItemText(HWND dialog, int id) {
  char buffer[256] = "";
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}

void OnCommand(HWND dialog, int id, int code) {
  switch (id) {
    case 101:
      if (code == EN_KILLFOCUS) {
        std::string text = ItemText(dialog, 101);
        for (char& c : text)
          if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        SetDlgItemTextA(dialog, 101, text.c_str());
      }
      break;
    case 301:
      MessageBoxA(dialog, ItemText(dialog, 101).c_str(), "Vri",
                  MB_OK | (g_no_icon ? 0 : MB_ICONINFORMATION));
      SetDlgItemTextA(dialog, 102, "mostrado");
      break;
    case 302:
      MessageBoxA(dialog, "Atenção: arquivo em uso.", "FileBusy", MB_OK | MB_ICONWARNING);
      MessageBoxA(dialog, "Erro ao gravar.", "FOpen2", MB_OK | MB_ICONERROR);
      break;
    case 303:
      SetDlgItemTextA(dialog, 102,
                      MessageBoxA(dialog, "Continuar?", "Vri", MB_YESNO | MB_ICONQUESTION) == IDYES
                          ? "sim"
                          : "não");
      break;
    case 110:
      if (code == CBN_SELCHANGE) {
        char item[64] = "";
        LRESULT index = SendDlgItemMessageA(dialog, 110, CB_GETCURSEL, 0, 0);
        SendDlgItemMessageA(dialog, 110, CB_GETLBTEXT, (WPARAM)index, (LPARAM)item);
        SetDlgItemTextA(dialog, 102, item);
      }
      break;
    case 500:
      PostMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
      break;
    case IDCANCEL:
      EndDialog(dialog, 0);
      break;
  }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, 101, "olá");
      for (const char* item : {"1 - OnSoft", "2 - Outro"})
        SendDlgItemMessageA(dialog, 110, CB_ADDSTRING, 0, (LPARAM)item);
      SendDlgItemMessageA(dialog, 110, CB_SETCURSEL, 0, 0);
      for (const char* line : {"primeiro", "segundo", "açaí"})
        SendDlgItemMessageA(dialog, 120, LB_ADDSTRING, 0, (LPARAM)line);
      return TRUE;
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  int exit_code = 0;
  bool hang = false;
  std::string args = command_line;
  std::size_t start = 0;
  while (start < args.size()) {
    std::size_t end = args.find(' ', start);
    if (end == std::string::npos) end = args.size();
    std::string arg = args.substr(start, end - start);
    if (arg.rfind("exit=", 0) == 0) exit_code = std::atoi(arg.c_str() + 5);
    if (arg == "box") MessageBoxA(nullptr, "Caixa inesperada", "Vri", MB_OK | MB_ICONERROR);
    if (arg == "hang") hang = true;
    if (arg == "noicon") g_no_icon = true;
    start = end + 1;
  }
  DialogBoxParamA(instance, "SELFTEST", nullptr, DialogProc, 0);
  while (hang) Sleep(1000);
  return exit_code;
}
