// The main window of vri.exe: its class, its two forms and the window
// procedure's dispatch of the job command.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "records/company.h"
#include "fiscal/fiscal_dialog_win32.h"
#include "palm/palm_dialog_win32.h"
#include "resources/vri_res.h"
#include "shell/dialogs_win32.h"
#include "shell/main_window_win32.h"
#include "tests/support/seam_doubles.h"

namespace {

class ShellWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramInstance(GetModuleHandleA(nullptr));
    ASSERT_EQ(RegisterMainWindowClass(ProgramInstance()), 1);
    DrainQuit();
  }
  void TearDown() override {
    for (HWND w : windows_)
      if (IsWindow(w)) DestroyWindow(w);
    DrainQuit();
  }
  HWND Create(int mode) {
    HWND w = CreateMainWindow(ProgramInstance(), mode);
    windows_.push_back(w);
    return w;
  }
  // Takes a pending quit request off the queue: 1 and its exit code, or 0.
  static int TakeQuit(WPARAM& code) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        code = msg.wParam;
        return 1;
      }
      DispatchMessageA(&msg);
    }
    return 0;
  }
  static void DrainQuit() {
    WPARAM ignored;
    while (TakeQuit(ignored)) {
    }
  }
  std::vector<HWND> windows_;
};

std::string Title(HWND window) {
  char text[64] = {0};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST_F(ShellWindow, ClassIsRegisteredWithTheProgramsResources) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(ProgramInstance(), kMainWindowClass, &wc));
  EXPECT_EQ(wc.style, 0u);
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_NE(wc.hIcon, nullptr);
  EXPECT_NE(wc.hIconSm, nullptr);
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, GetStockObject(WHITE_BRUSH));
  // Registering again (a second start-up in one process) is no failure.
  EXPECT_EQ(RegisterMainWindowClass(ProgramInstance()), 1);
}

TEST_F(ShellWindow, EachJobModeGetsItsWindowForm) {
  RECT desktop = {};
  GetWindowRect(GetDesktopWindow(), &desktop);
  const struct {
    const char* comment;
    int mode;
    const char* title;
    DWORD style;
    DWORD absent;
    RECT rect;
  } cases[] = {
      {"fiscal printer job: desktop wide, taskbar left free", kModeFiscal, "Vri 4.77",
       WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_THICKFRAME | WS_POPUP,
       {0, 0, desktop.right, desktop.bottom - 28}},
      {"Palm job: 0x0 pop-up", kModePalm, "Vri 4.72b",
       WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU,
       WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, {0, 0, 0, 0}},
      {"no job: the same pop-up", kModeNone, "Vri 4.72b",
       WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU,
       WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    HWND w = Create(c.mode);
    ASSERT_NE(w, nullptr) << c.comment;
    EXPECT_EQ(Title(w), c.title) << c.comment;
    DWORD style = (DWORD)GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & c.style, c.style) << c.comment;
    EXPECT_EQ(style & c.absent, 0u) << c.comment;
    // The system adds the raised edge of captioned windows itself.
    EXPECT_EQ((DWORD)GetWindowLongA(w, GWL_EXSTYLE) & ~(DWORD)WS_EX_WINDOWEDGE, 0u) << c.comment;
    EXPECT_FALSE(IsWindowVisible(w)) << c.comment << ": shown by the entry point";
    RECT got = {};
    GetWindowRect(w, &got);
    EXPECT_TRUE(EqualRect(&got, &c.rect)) << c.comment << ": " << got.left << "," << got.top
                                          << "-" << got.right << "," << got.bottom;
    EXPECT_EQ(GetParent(w), nullptr) << c.comment;

    // the class menu (its texts are checked with the resources)
    HMENU menu = GetMenu(w);
    ASSERT_NE(menu, nullptr) << c.comment;
    ASSERT_EQ(GetMenuItemCount(menu), 3) << c.comment;
    const UINT ids[] = {IDM_MAIN_ECF, IDM_MAIN_PALM, IDM_MAIN_EXIT};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(GetMenuItemID(menu, i), ids[i]) << c.comment;
  }
}

TEST_F(ShellWindow, AnyOtherCommandEndsTheProgramAtOnce) {
  const struct {
    const char* comment;
    WPARAM wparam;
  } cases[] = {
      {"Sair", IDM_MAIN_EXIT},
      {"no job (mode 0)", 0},
      {"unknown command", 12345},
      {"only the low 16 bits count: 999 with a notification", MAKEWPARAM(IDM_MAIN_EXIT, 1)},
  };
  for (const auto& c : cases) {
    HWND w = Create(kModeNone);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(SendMessageA(w, WM_COMMAND, c.wparam, 0), 0) << c.comment;
    EXPECT_FALSE(IsWindow(w)) << c.comment;
    WPARAM code = 99;
    EXPECT_EQ(TakeQuit(code), 1) << c.comment;
    EXPECT_EQ(code, 0u) << c.comment;
  }
}

// Records every dialog created on this thread: caption and owner.
struct CreatedDialog {
  std::string caption;
  HWND owner;
};
std::vector<CreatedDialog>* g_created = nullptr;

LRESULT CALLBACK RecordDialogs(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND && g_created) {
    HWND w = reinterpret_cast<HWND>(wparam);
    char name[32] = {0};
    GetClassNameA(w, name, sizeof name);
    const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(lparam)->lpcs;
    if (std::string(name) == "#32770" && cs->hwndParent != nullptr &&
        !(cs->style & WS_CHILD)) {
      // the message boxes of a job are dialogs too: keep only the first
      if (g_created->empty())
        g_created->push_back({cs->lpszName && !IS_INTRESOURCE(cs->lpszName) ? cs->lpszName : "",
                              cs->hwndParent});
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(ShellWindow, JobCommandOpensItsDialogOwnedByTheWindowThenEnds) {
  const struct {
    const char* comment;
    int mode;
    const char* caption;  // the caption of the dialog resource
  } cases[] = {
      {"fiscal printer job", kModeFiscal, "Vri ECF Bematech"},
      {"Palm job", kModePalm, "Palm"},
  };
  MessageRecorder messages;  // a job's messages go to the recorder, not the screen
  for (const auto& c : cases) {
    std::vector<CreatedDialog> created;
    g_created = &created;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RecordDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    HWND w = Create(kModeNone);
    ASSERT_NE(w, nullptr);
    // A pending quit request ends the modal dialog as soon as it runs, as
    // when the product folder could not be entered.
    PostQuitMessage(0);
    SendMessageA(w, WM_COMMAND, (WPARAM)c.mode, 0);
    UnhookWindowsHookEx(hook);
    g_created = nullptr;

    ASSERT_EQ(created.size(), 1u) << c.comment;
    EXPECT_EQ(created[0].caption, c.caption) << c.comment;
    EXPECT_EQ(created[0].owner, w) << c.comment;
    EXPECT_FALSE(IsWindow(w)) << c.comment;
    WPARAM code = 99;
    EXPECT_EQ(TakeQuit(code), 1) << c.comment;
    EXPECT_EQ(code, 0u) << c.comment;
  }
}

// How the timer below closes the open dialog of g_owner.
HWND g_owner = nullptr;
bool g_by_escape = false;

BOOL CALLBACK FindOwnedDialog(HWND w, LPARAM found) {
  char name[16] = {0};
  GetClassNameA(w, name, sizeof name);
  if (std::string(name) == "#32770" && GetWindow(w, GW_OWNER) == g_owner && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK CloseOpenDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, (LPARAM)&dialog);
  if (!dialog) return;
  if (g_by_escape) {
    // The dialog manager turns Esc into the IDCANCEL command.
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  } else {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, IDCANCEL));
  }
}

TEST_F(ShellWindow, DialogsCloseOnFecharAndEsc) {
  const struct {
    const char* comment;
    const char* name;
    DLGPROC proc;
    bool by_escape;
  } cases[] = {
      {"fiscal, Fechar", IDD_BOXECF, FiscalDialogProc, false},
      {"fiscal, Esc", IDD_BOXECF, FiscalDialogProc, true},
      {"Palm, Fechar", IDD_BOX566, PalmDialogProc, false},
      {"Palm, Esc", IDD_BOX566, PalmDialogProc, true},
  };
  MessageRecorder messages;
  for (const auto& c : cases) {
    g_owner = Create(kModeNone);
    g_by_escape = c.by_escape;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, CloseOpenDialog);
    INT_PTR result = DialogBoxParamA(ProgramInstance(), c.name, g_owner, c.proc, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, 0) << c.comment;
    EXPECT_TRUE(IsWindow(g_owner)) << c.comment << ": the window procedure ends the program";
    WPARAM ignored;
    EXPECT_EQ(TakeQuit(ignored), 0) << c.comment << ": no quit request of its own";
  }
}

}  // namespace
