#include "shell/dialogs_win32.h"

namespace {

HINSTANCE g_instance = nullptr;

constexpr int kCloseButton = 2;

}  // namespace

void SetDialogFont(HWND dialog) {
  HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
  for (int id = 100; id <= 399; ++id) {
    if (HWND control = GetDlgItem(dialog, id))
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (HWND close = GetDlgItem(dialog, kCloseButton))
    SendMessageA(close, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

INT_PTR DispatchDialogMessage(const DialogHandlers& handlers, HWND dialog, UINT message,
                              WPARAM wparam) {
  switch (message) {
    case WM_INITDIALOG:
      return handlers.on_init(dialog);
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (HIWORD(wparam) == EN_KILLFOCUS && handlers.on_field_left) {
        handlers.on_field_left(dialog, id);
        return TRUE;
      }
      for (int i = 0; i < handlers.command_count; ++i) {
        if (handlers.commands[i].id != id) continue;
        handlers.commands[i].run(dialog);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

HINSTANCE ProgramInstance() { return g_instance; }
void SetProgramInstance(HINSTANCE instance) { g_instance = instance; }
