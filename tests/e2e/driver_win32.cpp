// vri-e2e-driver: drives a Win32 program from a second process, the way a
// user would, and checks what it shows. Runs under Wine (and on Windows).
//
//   vri-e2e-driver.exe [--log FILE] [--set NAME=VALUE]... [--deadline SECONDS] SCRIPT
//
// The script is read as bytes (Windows-1252), one command a line; after a line
// `encoding utf-8` the lines that follow are UTF-8 and are turned into
// Windows-1252 first. Blank lines and lines starting with '#' are skipped.
// Arguments are separated by blanks; "double quotes" keep blanks inside one
// argument. In every argument \xNN is
// the byte NN, \n \r \t \" \\ the usual characters, and ${NAME} the value
// given with --set NAME=VALUE or else the environment variable NAME.
// Time-outs are in milliseconds; without one a command waits `timeout`.
//
//   start EXE [ARG...]         start EXE; its arguments are ARGs joined by one
//                              blank, exactly as given (the "command tail")
//   cwd DIR                    working folder of the next `start` (default:
//                              the driver's own)
//   wait-window CLASS TITLE [T]  wait for a visible top-level window of the
//                              process whose class is CLASS ("*" = any,
//                              "#32770" = dialog) and whose title contains
//                              TITLE; it becomes the current window. Before
//                              any `start` it looks at every process and
//                              takes on the process of the window it finds.
//   expect-title TEXT          the current window's title is exactly TEXT
//   expect-title-prefix TEXT   the current window's title starts with TEXT
//   expect-text ID TEXT        control ID of the current window reads TEXT
//                              (WM_GETTEXT); waits up to `timeout` for it
//   set-text ID TEXT           WM_SETTEXT to control ID
//   type TEXT                  one WM_CHAR per byte to the focused control
//   click ID                   press button ID (BM_CLICK: focus moves to it)
//   command ID                 WM_COMMAND ID/BN_CLICKED to the current window
//   key SPEC                   a key through the system's input queue:
//                              TAB, RETURN, ESCAPE, SPACE, BACK, DELETE, UP,
//                              DOWN, LEFT, RIGHT, HOME, END, F1..F12, a letter
//                              or digit, or 0xNN; prefixes shift+ ctrl+ alt+
//   expect-rect X Y W H        the current window's screen rectangle; each
//                              value a sum of numbers and DESKTOP_WIDTH or
//                              DESKTOP_HEIGHT (the desktop window's size),
//                              e.g. DESKTOP_HEIGHT-28
//   expect-count ID N          list box or combo box ID holds N items
//   expect-item ID INDEX TEXT  its item INDEX (from 0) reads TEXT
//   select ID TEXT             select the item of combo or list box ID that
//                              starts with TEXT, as the user would (the dialog
//                              is told of the change)
//   focus ID                   move the focus to control ID (WM_NEXTDLGCTL)
//   expect-focus ID            control ID has the keyboard focus
//   expect-box ICON CAPTION TEXT [BUTTON] [T]
//                              wait for a message box of the process, check
//                              icon (error, warning, information, question,
//                              none), caption and text, and answer it with
//                              BUTTON (ok, cancel, yes, no, abort, retry,
//                              ignore; default ok)
//   expect-no-box [T]          no message box appears within T (default 500)
//   expect-exit CODE [T]       the process ends with exit code CODE
//   expect-exists PATH         the file or folder PATH exists
//   expect-missing PATH        the file or folder PATH does not exist
//   kill                       end the process (TerminateProcess)
//   timeout T                  the default time-out from now on (5000)
//   settle T                   pause after every action (default 150)
//   sleep T                    pause
//   echo TEXT                  print TEXT
//
// Every message box seen, expected or not, is appended to the log as one line
// `ICON "CAPTION" "TEXT"` (bytes outside printable ASCII as \xNN), in order.
// A message box nobody expected is a failure: its texts are reported and it
// is answered. The first mismatch prints `e2e: FAIL script:line: ...`, ends
// the started process and exits with 1; a script error exits with 2. A process
// still running when the script ends is a failure too, and --deadline (120 s)
// bounds the whole run.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Box {
  HWND hwnd = nullptr;
  std::string icon;
  std::string caption;
  std::string text;
};

struct Driver {
  std::string script_name;
  int line_number = 0;
  std::vector<std::pair<std::string, std::string>> vars;
  FILE* log = nullptr;
  PROCESS_INFORMATION process{};
  bool started = false;
  std::string cwd;
  HWND current = nullptr;
  std::vector<HWND> answered;  // boxes already dealt with, closing
  DWORD timeout = 5000;
  DWORD settle = 150;
};

Driver g;

const DWORD kPollMs = 25;

std::string& EscapeBytes(std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out.push_back('\\');
      out.push_back((char)c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back((char)c);
    }
  }
  text.swap(out);
  return text;
}

std::string Quoted(std::string text) { return "\"" + EscapeBytes(text) + "\""; }

void EndProcess() {
  if (g.started) {
    DWORD code = 0;
    if (GetExitCodeProcess(g.process.hProcess, &code) && code == STILL_ACTIVE) {
      TerminateProcess(g.process.hProcess, 99);
      WaitForSingleObject(g.process.hProcess, 5000);
    }
  }
}

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stdout, "e2e: FAIL %s:%d: %s\n", g.script_name.c_str(), g.line_number,
               message.c_str());
  std::fflush(stdout);
  EndProcess();
  if (g.log) std::fclose(g.log);
  ExitProcess(1);
}

[[noreturn]] void ScriptError(const std::string& message) {
  std::fprintf(stdout, "e2e: script error %s:%d: %s\n", g.script_name.c_str(), g.line_number,
               message.c_str());
  std::fflush(stdout);
  EndProcess();
  ExitProcess(2);
}

DWORD WINAPI Watchdog(LPVOID seconds) {
  Sleep((DWORD)(UINT_PTR)seconds * 1000);
  Fail("overall deadline of " + std::to_string((UINT_PTR)seconds) + " s passed");
}

// ---- script reading -------------------------------------------------------

std::string LookUp(const std::string& name) {
  for (const auto& v : g.vars)
    if (v.first == name) return v.second;
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) ScriptError("${" + name + "} is not set");
  return std::string(buffer, n);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits one script line into arguments, applying quotes, escapes and ${NAME}.
std::vector<std::string> SplitLine(const std::string& line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size()) {
      char c = line[i];
      if (c == '"') {
        quoted = !quoted;
        ++i;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else if (c == '\\' && i + 1 < line.size()) {
        char e = line[i + 1];
        i += 2;
        switch (e) {
          case 'n': arg.push_back('\n'); break;
          case 'r': arg.push_back('\r'); break;
          case 't': arg.push_back('\t'); break;
          case '"': arg.push_back('"'); break;
          case '\\': arg.push_back('\\'); break;
          case '$': arg.push_back('$'); break;
          case 'x': {
            int hi = i < line.size() ? HexDigit(line[i]) : -1;
            int lo = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
            if (hi < 0 || lo < 0) ScriptError("\\x needs two hex digits");
            arg.push_back((char)(hi * 16 + lo));
            i += 2;
            break;
          }
          default:  // a lone backslash, as in Windows paths
            arg.push_back('\\');
            i -= 1;
        }
      } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '{') {
        std::size_t end = line.find('}', i);
        if (end == std::string::npos) ScriptError("unclosed ${");
        arg += LookUp(line.substr(i + 2, end - i - 2));
        i = end + 1;
      } else {
        arg.push_back(c);
        ++i;
      }
    }
    if (quoted) ScriptError("unclosed quote");
    args.push_back(arg);
  }
  return args;
}

long ParseNumber(const std::string& text, const char* what) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') ScriptError(std::string(what) + " is not a number: " + text);
  return value;
}

// A sum such as DESKTOP_HEIGHT-28: numbers and the desktop's width and height.
long ParseSize(const std::string& text) {
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  long total = 0;
  std::size_t i = 0;
  int sign = 1;
  while (i < text.size()) {
    std::size_t end = text.find_first_of("+-", i + (i == 0 && text[0] == '-' ? 1 : 0));
    if (end == std::string::npos) end = text.size();
    std::string term = text.substr(i, end - i);
    long value;
    if (term == "DESKTOP_WIDTH") value = desktop.right - desktop.left;
    else if (term == "DESKTOP_HEIGHT") value = desktop.bottom - desktop.top;
    else value = ParseNumber(term, "size");
    total += sign * value;
    if (end < text.size()) sign = text[end] == '-' ? -1 : 1;
    i = end + 1;
  }
  return total;
}

// ---- windows of the process ----------------------------------------------

bool OfProcess(HWND hwnd) {
  if (!g.started) return true;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == g.process.dwProcessId;
}

std::string ClassOf(HWND hwnd) {
  char buffer[256] = "";
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string TitleOf(HWND hwnd) {
  char buffer[1024] = "";
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

// The control's own text, asked of its window procedure: an edit control keeps
// its text to itself, so reading the window's title from outside is not enough.
bool ControlText(HWND control, std::string& text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
    return false;
  std::vector<char> buffer(length + 2, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXT, (WPARAM)buffer.size(), (LPARAM)buffer.data(),
                           SMTO_ABORTIFHUNG, 2000, &got))
    return false;
  text.assign(buffer.data(), got < buffer.size() ? got : buffer.size() - 1);
  return true;
}

struct ChildScan {
  bool only_static_and_buttons = true;
  bool has_text = false;
  HWND icon = nullptr;
  HWND text = nullptr;
  std::vector<HWND> buttons;
};

BOOL CALLBACK ScanChild(HWND child, LPARAM param) {
  auto* scan = reinterpret_cast<ChildScan*>(param);
  std::string cls = ClassOf(child);
  int id = GetDlgCtrlID(child) & 0xFFFF;
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if (lstrcmpiA(cls.c_str(), "Static") == 0) {
    if (id == 0xFFFF && (style & SS_TYPEMASK) != SS_ICON) {
      scan->has_text = true;
      scan->text = child;
    } else if ((style & SS_TYPEMASK) == SS_ICON && (id == 0x14 || id == 0x440)) {
      scan->icon = child;
    } else {
      scan->only_static_and_buttons = false;
    }
  } else if (lstrcmpiA(cls.c_str(), "Button") == 0 && id >= IDOK && id <= 11) {
    scan->buttons.push_back(child);
  } else {
    scan->only_static_and_buttons = false;
  }
  return TRUE;
}

// A message box is a dialog holding only its text (static 0xFFFF), an icon
// (0x14 on Windows, 0x440 under Wine) and its standard buttons.
bool IsMessageBox(HWND hwnd, ChildScan* out) {
  if (ClassOf(hwnd) != "#32770") return false;
  ChildScan scan;
  EnumChildWindows(hwnd, ScanChild, (LPARAM)&scan);
  if (!scan.has_text || !scan.only_static_and_buttons || scan.buttons.empty()) return false;
  if (out) *out = scan;
  return true;
}

// A bitmap of w x h pixels like `like`'s, selected into a memory DC to draw on.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  int w, h;
};

Canvas OpenCanvas(HDC like, int w, int h) {
  Canvas c{CreateCompatibleDC(like), CreateCompatibleBitmap(like, w, h), nullptr, w, h};
  c.old = SelectObject(c.dc, c.bitmap);
  return c;
}

// The canvas's pixels, row by row; the canvas is freed.
std::vector<COLORREF> CloseCanvas(Canvas& c) {
  std::vector<COLORREF> pixels;
  pixels.reserve((std::size_t)c.w * c.h);
  for (int j = 0; j < c.h; ++j)
    for (int i = 0; i < c.w; ++i) pixels.push_back(GetPixel(c.dc, i, j));
  SelectObject(c.dc, c.old);
  DeleteObject(c.bitmap);
  DeleteDC(c.dc);
  return pixels;
}

std::vector<COLORREF> GrabPixels(HDC source, int x, int y, int w, int h) {
  Canvas canvas = OpenCanvas(source, w, h);
  BitBlt(canvas.dc, 0, 0, w, h, source, x, y, SRCCOPY);
  return CloseCanvas(canvas);
}

std::vector<COLORREF> RenderIcon(LPCSTR which, COLORREF background, int w, int h) {
  HDC screen = GetDC(nullptr);
  Canvas canvas = OpenCanvas(screen, w, h);
  HBRUSH brush = CreateSolidBrush(background);
  RECT all{0, 0, w, h};
  FillRect(canvas.dc, &all, brush);
  DeleteObject(brush);
  DrawIconEx(canvas.dc, 0, 0, LoadIcon(nullptr, which), 0, 0, 0, nullptr, DI_NORMAL);
  std::vector<COLORREF> pixels = CloseCanvas(canvas);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// Which standard icon the box shows. An icon handle belongs to the process
// that loaded it (under Wine another process cannot even ask about it), so the
// icon is read off the screen and compared with our own drawing of each
// standard icon on the same background.
std::string IconOf(HWND box, HWND icon) {
  if (!icon || !IsWindowVisible(icon)) return "none";
  DWORD_PTR handle = 0;
  if (SendMessageTimeoutA(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &handle) &&
      handle == 0)
    return "none";
  static const struct {
    LPCSTR id;
    const char* name;
  } kIcons[] = {{IDI_ERROR, "error"},
                {IDI_WARNING, "warning"},
                {IDI_INFORMATION, "information"},
                {IDI_QUESTION, "question"}};
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (attempt == 10) SetForegroundWindow(box);
    RECT r;
    GetWindowRect(icon, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w > 0 && h > 0) {
      HDC screen = GetDC(nullptr);
      std::vector<COLORREF> shown = GrabPixels(screen, r.left, r.top, w, h);
      ReleaseDC(nullptr, screen);
      bool blank = true;
      for (COLORREF c : shown) blank = blank && c == shown[0];
      if (!blank) {
        for (const auto& candidate : kIcons) {
          std::vector<COLORREF> drawn = RenderIcon(candidate.id, shown[0], w, h);
          std::size_t differ = 0;
          for (std::size_t k = 0; k < drawn.size(); ++k) differ += drawn[k] != shown[k];
          if (differ * 50 <= drawn.size()) return candidate.name;
        }
      }
    }
    Sleep(kPollMs);  // not painted yet, or covered
  }
  return "unknown";
}

bool Answered(HWND hwnd) {
  for (std::size_t i = 0; i < g.answered.size(); ++i) {
    if (!IsWindow(g.answered[i])) {
      g.answered.erase(g.answered.begin() + (long)i);
      --i;
    } else if (g.answered[i] == hwnd) {
      return true;
    }
  }
  return false;
}

struct BoxSearch {
  HWND found = nullptr;
  ChildScan scan;
};

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (!IsWindowVisible(hwnd) || !OfProcess(hwnd) || Answered(hwnd)) return TRUE;
  if (!IsMessageBox(hwnd, &search->scan)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

void LogBox(const Box& box) {
  if (!g.log) return;
  std::fprintf(g.log, "%s %s %s\n", box.icon.c_str(), Quoted(box.caption).c_str(),
               Quoted(box.text).c_str());
  std::fflush(g.log);
}

// Returns a message box of the process that has not been answered yet.
bool FindBox(Box& box, ChildScan& scan) {
  BoxSearch search;
  EnumWindows(FindBoxProc, (LPARAM)&search);
  if (!search.found) return false;
  box.hwnd = search.found;
  scan = search.scan;
  box.caption = TitleOf(box.hwnd);
  if (!ControlText(scan.text, box.text)) {
    char buffer[4096] = "";
    GetWindowTextA(scan.text, buffer, sizeof buffer);
    box.text = buffer;
  }
  box.icon = IconOf(box.hwnd, scan.icon);
  LogBox(box);
  return true;
}

// Presses the box's button and waits until the box has gone.
bool AnswerBox(const Box& box, const ChildScan& scan, int button_id) {
  HWND button = nullptr;
  for (HWND b : scan.buttons)
    if ((GetDlgCtrlID(b) & 0xFFFF) == button_id) button = b;
  if (!button) return false;
  PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), (LPARAM)button);
  g.answered.push_back(box.hwnd);
  for (DWORD waited = 0; waited < g.timeout && IsWindow(box.hwnd) && IsWindowVisible(box.hwnd);
       waited += kPollMs)
    Sleep(kPollMs);
  return true;
}

std::string Describe(const Box& box) {
  return box.icon + " " + Quoted(box.caption) + " " + Quoted(box.text);
}

// A box nobody expected: answer it so the program can go on, then fail.
void CheckNoBox() {
  Box box;
  ChildScan scan;
  if (!FindBox(box, scan)) return;
  if (!AnswerBox(box, scan, IDOK)) AnswerBox(box, scan, IDCANCEL);
  Fail("unexpected message box: " + Describe(box));
}

struct WindowSearch {
  std::string cls;
  std::string title;
  HWND found = nullptr;
};

BOOL CALLBACK FindWindowProc(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!IsWindowVisible(hwnd) || !OfProcess(hwnd)) return TRUE;
  if (search->cls != "*" && ClassOf(hwnd) != search->cls) return TRUE;
  if (IsMessageBox(hwnd, nullptr)) return TRUE;
  if (TitleOf(hwnd).find(search->title) == std::string::npos) return TRUE;
  search->found = hwnd;
  return FALSE;
}

bool ProcessEnded(DWORD* code) {
  if (!g.started) return false;
  if (WaitForSingleObject(g.process.hProcess, 0) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(g.process.hProcess, code);
  return true;
}

void NeedProcessRunning() {
  DWORD code = 0;
  if (ProcessEnded(&code)) Fail("the program has ended (exit code " + std::to_string(code) + ")");
}

HWND Current() {
  if (!g.current) ScriptError("no current window: use wait-window first");
  if (!IsWindow(g.current)) Fail("the current window has gone");
  return g.current;
}

HWND Control(const std::string& id_text) {
  int id = (int)ParseNumber(id_text, "control id");
  HWND control = GetDlgItem(Current(), id);
  if (!control) Fail("control " + id_text + " not found in " + Quoted(TitleOf(g.current)));
  return control;
}

int FocusId(HWND* focus_out) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = g.started ? g.process.dwThreadId : GetWindowThreadProcessId(Current(), nullptr);
  if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return -1;
  if (focus_out) *focus_out = info.hwndFocus;
  HWND focus = info.hwndFocus;
  // the edit inside a combo box stands for the combo box
  if (g.current && GetParent(focus) != g.current && IsChild(g.current, focus))
    focus = GetParent(focus);
  return GetDlgCtrlID(focus) & 0xFFFF;
}

void Settle() {
  Sleep(g.settle);
  if (g.current && IsWindow(g.current)) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(g.current, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  }
}

// ---- keys -----------------------------------------------------------------

struct KeyName {
  const char* name;
  WORD vk;
};

const KeyName kKeys[] = {
    {"TAB", VK_TAB},       {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE},
    {"ESC", VK_ESCAPE},    {"SPACE", VK_SPACE},   {"BACK", VK_BACK},    {"DELETE", VK_DELETE},
    {"UP", VK_UP},         {"DOWN", VK_DOWN},     {"LEFT", VK_LEFT},    {"RIGHT", VK_RIGHT},
    {"HOME", VK_HOME},     {"END", VK_END},       {"F1", VK_F1},        {"F2", VK_F2},
    {"F3", VK_F3},         {"F4", VK_F4},         {"F5", VK_F5},        {"F6", VK_F6},
    {"F7", VK_F7},         {"F8", VK_F8},         {"F9", VK_F9},        {"F10", VK_F10},
    {"F11", VK_F11},       {"F12", VK_F12},
};

void AddKey(std::vector<INPUT>& inputs, WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  inputs.push_back(in);
}

void SendKey(const std::string& chord) {
  std::vector<WORD> modifiers;
  std::string rest = chord;
  for (;;) {
    std::size_t plus = rest.find('+');
    if (plus == std::string::npos || plus == 0 || plus + 1 == rest.size()) break;
    std::string mod = rest.substr(0, plus);
    if (lstrcmpiA(mod.c_str(), "shift") == 0) modifiers.push_back(VK_SHIFT);
    else if (lstrcmpiA(mod.c_str(), "ctrl") == 0) modifiers.push_back(VK_CONTROL);
    else if (lstrcmpiA(mod.c_str(), "alt") == 0) modifiers.push_back(VK_MENU);
    else ScriptError("unknown modifier " + mod);
    rest = rest.substr(plus + 1);
  }
  WORD vk = 0;
  for (const auto& k : kKeys)
    if (lstrcmpiA(rest.c_str(), k.name) == 0) vk = k.vk;
  if (!vk && rest.size() == 1 && std::isalnum((unsigned char)rest[0]))
    vk = (WORD)std::toupper((unsigned char)rest[0]);
  if (!vk && rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
    vk = (WORD)ParseNumber(rest, "key");
  if (!vk) ScriptError("unknown key " + rest);

  // Keys go to the active window, as typed keys do: bring ours forward first.
  HWND top = Current();
  for (DWORD waited = 0; GetForegroundWindow() != top; waited += kPollMs) {
    if (waited >= g.timeout) Fail("could not make " + Quoted(TitleOf(top)) + " the active window");
    SetForegroundWindow(top);
    Sleep(kPollMs);
  }
  std::vector<INPUT> inputs;
  for (WORD m : modifiers) AddKey(inputs, m, false);
  AddKey(inputs, vk, false);
  AddKey(inputs, vk, true);
  for (std::size_t i = modifiers.size(); i-- > 0;) AddKey(inputs, modifiers[i], true);
  if (SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT)) != inputs.size())
    Fail("SendInput failed for key " + chord);
}

// ---- commands -------------------------------------------------------------

// Asks `holds()` every kPollMs until it answers true, for up to the time-out:
// whether it did.
template <typename Check>
bool Eventually(Check holds) {
  for (DWORD waited = 0;; waited += kPollMs) {
    if (holds()) return true;
    if (waited >= g.timeout) return false;
    Sleep(kPollMs);
  }
}

DWORD TimeoutArg(const std::vector<std::string>& a, std::size_t index, DWORD fallback) {
  return a.size() > index ? (DWORD)ParseNumber(a[index], "time-out") : fallback;
}

void Need(const std::vector<std::string>& a, std::size_t min, std::size_t max) {
  if (a.size() - 1 < min || a.size() - 1 > max)
    ScriptError(a[0] + " takes " + std::to_string(min) +
                (max > min ? " to " + std::to_string(max) : std::string()) + " arguments");
}

int ButtonId(const std::string& name) {
  static const struct {
    const char* name;
    int id;
  } kButtons[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                  {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                  {"no", IDNO}};
  for (const auto& b : kButtons)
    if (lstrcmpiA(name.c_str(), b.name) == 0) return b.id;
  ScriptError("unknown button " + name);
}

void CmdStart(const std::vector<std::string>& a) {
  if (g.started && !ProcessEnded(nullptr)) ScriptError("a program is still running");
  std::string command_line = "\"" + a[1] + "\"";
  for (std::size_t i = 2; i < a.size(); ++i) command_line += " " + a[i];
  std::vector<char> buffer(command_line.begin(), command_line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  g.process = PROCESS_INFORMATION{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      g.cwd.empty() ? nullptr : g.cwd.c_str(), &startup, &g.process))
    Fail("cannot start " + command_line + " (error " + std::to_string(GetLastError()) + ")");
  g.started = true;
  g.current = nullptr;
  g.answered.clear();
  WaitForInputIdle(g.process.hProcess, 2000);
}

// Takes on the process that owns a window found without `start`, so that its
// message boxes, focus and exit are followed as if we had started it.
void Adopt(HWND window) {
  DWORD pid = 0;
  DWORD thread = GetWindowThreadProcessId(window, &pid);
  HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
  if (!handle) Fail("cannot open the process of " + Quoted(TitleOf(window)));
  g.process = PROCESS_INFORMATION{};
  g.process.hProcess = handle;
  g.process.dwProcessId = pid;
  g.process.dwThreadId = thread;
  g.started = true;
}

void CmdWaitWindow(const std::vector<std::string>& a) {
  WindowSearch search;
  search.cls = a[1];
  search.title = a[2];
  DWORD limit = TimeoutArg(a, 3, g.timeout);
  for (DWORD waited = 0;; waited += kPollMs) {
    CheckNoBox();
    search.found = nullptr;
    EnumWindows(FindWindowProc, (LPARAM)&search);
    if (search.found) break;
    DWORD code = 0;
    if (ProcessEnded(&code))
      Fail("the program ended (exit code " + std::to_string(code) + ") before a window " +
           a[1] + " " + Quoted(a[2]) + " appeared");
    if (waited >= limit) Fail("no window " + a[1] + " " + Quoted(a[2]) + " within " +
                              std::to_string(limit) + " ms");
    Sleep(kPollMs);
  }
  g.current = search.found;
  if (!g.started) Adopt(search.found);
  Settle();
}

void CmdExpectTitle(const std::vector<std::string>& a, bool prefix) {
  HWND w = Current();
  std::string title;
  if (!Eventually([&] {
         title = TitleOf(w);
         return prefix ? title.compare(0, a[1].size(), a[1]) == 0 : title == a[1];
       }))
    Fail(std::string("title is ") + Quoted(title) + ", expected " +
         (prefix ? "to start with " : "") + Quoted(a[1]));
}

void CmdExpectRect(const std::vector<std::string>& a) {
  long want[4] = {ParseSize(a[1]), ParseSize(a[2]), ParseSize(a[3]), ParseSize(a[4])};
  RECT r;
  GetWindowRect(Current(), &r);
  long got[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  if (std::equal(got, got + 4, want)) return;
  auto text = [](const long* v) {
    return std::to_string(v[0]) + " " + std::to_string(v[1]) + " " + std::to_string(v[2]) + "x" +
           std::to_string(v[3]);
  };
  Fail("window rectangle " + text(got) + ", expected " + text(want));
}

void CmdExpectText(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  std::string text;
  if (!Eventually([&] {
         CheckNoBox();
         if (!ControlText(control, text)) Fail("control " + a[1] + " does not answer WM_GETTEXT");
         return text == a[2];
       }))
    Fail("control " + a[1] + " reads " + Quoted(text) + ", expected " + Quoted(a[2]));
}

// List boxes and combo boxes answer the same questions under different names.
struct ListMessages {
  UINT count, length, text, select;
  WORD notify;
};

ListMessages ListOf(HWND control, const std::string& id) {
  std::string cls = ClassOf(control);
  if (lstrcmpiA(cls.c_str(), "ListBox") == 0)
    return {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_SELECTSTRING, LBN_SELCHANGE};
  if (lstrcmpiA(cls.c_str(), "ComboBox") == 0)
    return {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_SELECTSTRING, CBN_SELCHANGE};
  Fail("control " + id + " is a " + cls + ", not a list box or combo box");
}

long ListCount(HWND control, const ListMessages& m) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutA(control, m.count, 0, 0, SMTO_ABORTIFHUNG, 2000, &count))
    Fail("the list does not answer");
  return (long)(LONG_PTR)count;
}

// Asked in UTF-16 and turned into Windows-1252 here: Wine hands an item of
// another process's list to the ANSI call without converting it.
std::string ListItem(HWND control, const ListMessages& m, long index) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, m.length, (WPARAM)index, 0, SMTO_ABORTIFHUNG, 2000, &length) ||
      (LONG_PTR)length < 0)
    return std::string();
  std::vector<wchar_t> buffer(length + 2, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(control, m.text, (WPARAM)index, (LPARAM)buffer.data(), SMTO_ABORTIFHUNG, 2000,
                      &got);
  int size = WideCharToMultiByte(1252, 0, buffer.data(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? (std::size_t)size : 1, '\0');
  WideCharToMultiByte(1252, 0, buffer.data(), -1, text.data(), size, nullptr, nullptr);
  text.resize(std::strlen(text.c_str()));
  return text;
}

void CmdExpectCount(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  ListMessages m = ListOf(control, a[1]);
  long want = ParseNumber(a[2], "count");
  long count = 0;
  if (!Eventually([&] {
         CheckNoBox();
         count = ListCount(control, m);
         return count == want;
       }))
    Fail("list " + a[1] + " holds " + std::to_string(count) + " items, expected " + a[2]);
}

void CmdExpectItem(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  ListMessages m = ListOf(control, a[1]);
  long index = ParseNumber(a[2], "index");
  long count = ListCount(control, m);
  if (index < 0 || index >= count)
    Fail("list " + a[1] + " holds " + std::to_string(count) + " items, no item " + a[2]);
  std::string text = ListItem(control, m, index);
  if (text != a[3])
    Fail("list " + a[1] + " item " + a[2] + " reads " + Quoted(text) + ", expected " + Quoted(a[3]));
}

void CmdSelect(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  ListMessages m = ListOf(control, a[1]);
  DWORD_PTR index = 0;
  if (!SendMessageTimeoutA(control, m.select, (WPARAM)-1, (LPARAM)a[2].c_str(), SMTO_ABORTIFHUNG,
                           2000, &index) ||
      (LONG_PTR)index < 0)
    Fail("list " + a[1] + " has no item starting with " + Quoted(a[2]));
  PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), m.notify),
               (LPARAM)control);
}

void CmdSetText(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  DWORD_PTR ignored;
  if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)a[2].c_str(), SMTO_ABORTIFHUNG, 2000,
                           &ignored))
    Fail("control " + a[1] + " does not answer WM_SETTEXT");
}

void CmdType(const std::vector<std::string>& a) {
  HWND focus = nullptr;
  if (FocusId(&focus) < 0 || !focus) Fail("no control has the focus");
  for (unsigned char c : a[1]) PostMessageA(focus, WM_CHAR, c, 1);
}

void CmdClick(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  if (!IsWindowEnabled(control)) Fail("button " + a[1] + " is disabled");
  RECT r;
  GetClientRect(control, &r);
  // A button without size never sees the mouse inside it, so BM_CLICK would
  // not fire: such hidden buttons are pressed through WM_COMMAND.
  if (r.right <= 0 || r.bottom <= 0)
    PostMessageA(Current(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 (LPARAM)control);
  else
    PostMessageA(control, BM_CLICK, 0, 0);
}

void CmdCommand(const std::vector<std::string>& a) {
  int id = (int)ParseNumber(a[1], "command id");
  HWND control = GetDlgItem(Current(), id);
  PostMessageA(Current(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control);
}

void CmdFocus(const std::vector<std::string>& a) {
  HWND control = Control(a[1]);
  PostMessageA(Current(), WM_NEXTDLGCTL, (WPARAM)control, TRUE);
}

void CmdExpectFocus(const std::vector<std::string>& a) {
  int want = (int)ParseNumber(a[1], "control id");
  int id = -1;
  if (!Eventually([&] {
         CheckNoBox();
         id = FocusId(nullptr);
         return id == want;
       }))
    Fail("focus is on control " + std::to_string(id) + ", expected " + a[1]);
}

void CmdExpectBox(const std::vector<std::string>& a) {
  int button = a.size() > 4 ? ButtonId(a[4]) : IDOK;
  DWORD limit = TimeoutArg(a, 5, g.timeout);
  Box box;
  ChildScan scan;
  for (DWORD waited = 0; !FindBox(box, scan); waited += kPollMs) {
    DWORD code = 0;
    if (ProcessEnded(&code))
      Fail("the program ended (exit code " + std::to_string(code) +
           ") without showing the message box " + Quoted(a[3]));
    if (waited >= limit)
      Fail("no message box within " + std::to_string(limit) + " ms, expected " + a[1] + " " +
           Quoted(a[2]) + " " + Quoted(a[3]));
    Sleep(kPollMs);
  }
  std::string want = a[1] + " " + Quoted(a[2]) + " " + Quoted(a[3]);
  bool same = box.icon == a[1] && box.caption == a[2] && box.text == a[3];
  if (!AnswerBox(box, scan, button)) {
    if (!AnswerBox(box, scan, IDOK)) AnswerBox(box, scan, IDCANCEL);
    if (same) Fail("the message box " + Quoted(a[3]) + " has no button " + a[4]);
  }
  if (!same) Fail("message box " + Describe(box) + ", expected " + want);
  Settle();
}

void CmdExpectNoBox(const std::vector<std::string>& a) {
  DWORD limit = TimeoutArg(a, 1, 500);
  for (DWORD waited = 0; waited < limit; waited += kPollMs) {
    CheckNoBox();
    if (ProcessEnded(nullptr)) return;
    Sleep(kPollMs);
  }
  CheckNoBox();
}

void CmdExpectExit(const std::vector<std::string>& a) {
  if (!g.started) ScriptError("no program was started");
  long want = ParseNumber(a[1], "exit code");
  DWORD limit = TimeoutArg(a, 2, g.timeout);
  for (DWORD waited = 0;; waited += kPollMs) {
    CheckNoBox();
    if (WaitForSingleObject(g.process.hProcess, kPollMs) == WAIT_OBJECT_0) break;
    if (waited >= limit) Fail("the program is still running after " + std::to_string(limit) + " ms");
  }
  DWORD code = 0;
  GetExitCodeProcess(g.process.hProcess, &code);
  if ((long)code != want)
    Fail("exit code " + std::to_string(code) + ", expected " + std::to_string(want));
  g.current = nullptr;
}

void CmdExpectExists(const std::vector<std::string>& a, bool exists) {
  bool there = GetFileAttributesA(a[1].c_str()) != INVALID_FILE_ATTRIBUTES;
  if (there != exists) Fail(a[1] + (exists ? " does not exist" : " exists"));
}

void CmdEcho(const std::vector<std::string>& a) {
  std::string text;
  for (std::size_t i = 1; i < a.size(); ++i) text += (i > 1 ? " " : "") + a[i];
  std::printf("%s\n", EscapeBytes(text).c_str());
  std::fflush(stdout);
}

// What the driver does around a command of the script.
enum class Around {
  kBoxCheck,  // first fail on a message box nobody expected
  kAction,    // that, then the program must be running; `settle` ms follow the command
  kNothing,   // the command answers boxes itself, or does not touch the program
};

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  std::size_t least, most;  // how many arguments it takes
  Around around;
  void (*run)(const Args& a);
};

const std::size_t kAnyNumber = (std::size_t)-1;

const Command kCommands[] = {
    {"start", 1, 64, Around::kBoxCheck, CmdStart},
    {"cwd", 1, 1, Around::kBoxCheck, [](const Args& a) { g.cwd = a[1]; }},
    {"wait-window", 2, 3, Around::kBoxCheck, CmdWaitWindow},
    {"expect-title", 1, 1, Around::kBoxCheck, [](const Args& a) { CmdExpectTitle(a, false); }},
    {"expect-title-prefix", 1, 1, Around::kBoxCheck,
     [](const Args& a) { CmdExpectTitle(a, true); }},
    {"expect-rect", 4, 4, Around::kBoxCheck, CmdExpectRect},
    {"expect-text", 2, 2, Around::kBoxCheck, CmdExpectText},
    {"set-text", 2, 2, Around::kAction, CmdSetText},
    {"type", 1, 1, Around::kAction, CmdType},
    {"click", 1, 1, Around::kAction, CmdClick},
    {"command", 1, 1, Around::kAction, CmdCommand},
    {"key", 1, 1, Around::kAction, [](const Args& a) { SendKey(a[1]); }},
    {"focus", 1, 1, Around::kAction, CmdFocus},
    {"expect-focus", 1, 1, Around::kBoxCheck, CmdExpectFocus},
    {"expect-box", 3, 5, Around::kNothing, CmdExpectBox},
    {"expect-no-box", 0, 1, Around::kNothing, CmdExpectNoBox},
    {"expect-exit", 1, 2, Around::kBoxCheck, CmdExpectExit},
    {"expect-count", 2, 2, Around::kBoxCheck, CmdExpectCount},
    {"expect-item", 3, 3, Around::kBoxCheck, CmdExpectItem},
    {"select", 2, 2, Around::kAction, CmdSelect},
    {"expect-exists", 1, 1, Around::kBoxCheck, [](const Args& a) { CmdExpectExists(a, true); }},
    {"expect-missing", 1, 1, Around::kBoxCheck, [](const Args& a) { CmdExpectExists(a, false); }},
    {"kill", 0, 0, Around::kNothing,
     [](const Args&) {
       EndProcess();
       g.current = nullptr;
     }},
    {"timeout", 1, 1, Around::kNothing,
     [](const Args& a) { g.timeout = (DWORD)ParseNumber(a[1], "time-out"); }},
    {"settle", 1, 1, Around::kNothing,
     [](const Args& a) { g.settle = (DWORD)ParseNumber(a[1], "time-out"); }},
    {"sleep", 1, 1, Around::kNothing,
     [](const Args& a) { Sleep((DWORD)ParseNumber(a[1], "time-out")); }},
    {"echo", 0, kAnyNumber, Around::kNothing, CmdEcho},
};

void Execute(const Args& a) {
  const Command* command = nullptr;
  for (const Command& row : kCommands)
    if (a[0] == row.name) command = &row;
  // An unknown command still fails first on a box nobody expected.
  bool checks_boxes = !command || command->around != Around::kNothing;
  if (checks_boxes && g.started) CheckNoBox();
  if (!command) ScriptError("unknown command " + a[0]);
  Need(a, command->least, command->most);
  if (command->around == Around::kAction) NeedProcessRunning();
  command->run(a);
  if (command->around == Around::kAction) Settle();
}

// UTF-8 -> Windows-1252; a character that code page lacks is a script error.
std::string& Utf8ToCp1252(std::string& line) {
  if (line.empty()) return line;
  int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(),
                                        (int)line.size(), nullptr, 0);
  if (wide_length <= 0) ScriptError("the line is not UTF-8");
  std::wstring wide((std::size_t)wide_length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, line.data(), (int)line.size(), wide.data(), wide_length);
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr,
                                   0, nullptr, &lossy);
  std::string out((std::size_t)length, '\0');
  WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, out.data(), length,
                      nullptr, &lossy);
  if (lossy) ScriptError("the line holds a character outside Windows-1252");
  line.swap(out);
  return line;
}

bool ReadScript(const char* name, std::vector<std::string>& lines) {
  FILE* in = std::fopen(name, "rb");
  if (!in) return false;
  std::string line;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back((char)c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::fclose(in);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* script = nullptr;
  const char* log_name = nullptr;
  long deadline = 120;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--log" && i + 1 < argc) {
      log_name = argv[++i];
    } else if (arg == "--set" && i + 1 < argc) {
      std::string pair = argv[++i];
      std::size_t eq = pair.find('=');
      if (eq == std::string::npos) {
        std::fprintf(stdout, "e2e: --set needs NAME=VALUE\n");
        return 2;
      }
      g.vars.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    } else if (arg == "--deadline" && i + 1 < argc) {
      deadline = std::strtol(argv[++i], nullptr, 10);
    } else if (!script && arg[0] != '-') {
      script = argv[i];
    } else {
      script = nullptr;
      break;
    }
  }
  if (!script) {
    std::fprintf(stdout,
                 "usage: vri-e2e-driver [--log FILE] [--set NAME=VALUE]... [--deadline S] SCRIPT\n");
    return 2;
  }
  g.script_name = script;
  std::vector<std::string> lines;
  if (!ReadScript(script, lines)) {
    std::fprintf(stdout, "e2e: cannot read %s\n", script);
    return 2;
  }
  if (log_name) {
    g.log = std::fopen(log_name, "wb");
    if (!g.log) {
      std::fprintf(stdout, "e2e: cannot write %s\n", log_name);
      return 2;
    }
  }
  if (GetACP() != 1252)
    std::fprintf(stdout, "e2e: warning: the ANSI code page is %u, not 1252\n", GetACP());
  if (deadline > 0) CreateThread(nullptr, 0, Watchdog, (LPVOID)(UINT_PTR)deadline, 0, nullptr);

  bool utf8 = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    g.line_number = (int)i + 1;
    std::size_t first = lines[i].find_first_not_of(" \t");
    if (first == std::string::npos || lines[i][first] == '#') continue;
    if (utf8) Utf8ToCp1252(lines[i]);
    std::vector<std::string> args = SplitLine(lines[i]);
    if (args.size() == 2 && args[0] == "encoding") {
      if (lstrcmpiA(args[1].c_str(), "utf-8") == 0) utf8 = true;
      else if (lstrcmpiA(args[1].c_str(), "windows-1252") == 0) utf8 = false;
      else ScriptError("unknown encoding " + args[1]);
    } else if (!args.empty()) {
      Execute(args);
    }
  }
  g.line_number = (int)lines.size();
  if (g.started) {
    CheckNoBox();
    if (!ProcessEnded(nullptr)) Fail("the program is still running at the end of the script");
  }
  if (g.log) std::fclose(g.log);
  std::printf("e2e: PASS %s\n", script);
  return 0;
}
