// The main window of vri.exe: its class, its two forms, and the window
// procedure that hands the job command to the job's dialog.
#pragma once

#include <windows.h>

inline constexpr char kMainWindowClass[] = "MyWin";
// Title of the fiscal printer job's visible window.
inline constexpr char kFiscalWindowTitle[] = "Vri 4.77";
// Title of the 0x0 pop-up of the other modes; the Palm dialog shows it.
inline constexpr char kHiddenWindowTitle[] = "Vri 4.72b";
// Room left below the fiscal job's window for the taskbar.
constexpr int kTaskbarHeight = 28;

inline constexpr DWORD kFiscalWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD kHiddenWindowStyle = WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU;

// The maker's line in the banner box.
inline constexpr char kBannerText[] = "Kmar Sistemas - Automação Comercial";

// Registers the class "MyWin" (icon ICON02 large and small, arrow cursor,
// white brush, menu MENU1) of `instance`. Returns 1, or 0 when the system
// refuses it (a class registered already by this process counts as success).
int RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window in the form of the job mode: 565 visible-size
// "Vri 4.77" over the desktop's width and height less 28; any other mode the
// 0x0 pop-up "Vri 4.72b". Not shown yet. Returns the window, or nullptr.
HWND CreateMainWindow(HINSTANCE instance, int job_mode);

// Destroy: quit request (0). Paint: the banner. Command: the job dialog of
// 565 or 566 modal over the window, then (every command) the window is
// destroyed. Everything else: default processing.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
