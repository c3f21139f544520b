// The batch program's edges on Windows: the wide command line, wide text on
// the console, full names of typed paths, the library search.
#include <windows.h>
#include <shellapi.h>

#include "platform/platform.h"

namespace {

std::string WideToUtf8(const wchar_t* w, int count = -1) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, count, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return "";
  std::string out((std::size_t)n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, count, out.data(), n, nullptr, nullptr);
  if (count < 0) out.resize((std::size_t)n - 1);
  return out;
}

// 1 and the Windows-1252 form of w; 0 when a character has none (no best-fit
// stand-ins: "ã" never becomes "a", nor anything "?").
int WideToCp1252(const wchar_t* w, std::string& out) {
  out.clear();
  BOOL used = FALSE;
  int n = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, w, -1, nullptr, 0, nullptr, &used);
  if (n <= 0 || used) return 0;
  out.assign((std::size_t)n, '\0');
  WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, w, -1, out.data(), n, nullptr, &used);
  out.resize((std::size_t)n - 1);
  return used ? 0 : 1;
}

}  // namespace

void PlatCommandLine(int, char**, std::vector<PlatArgument>& out) {
  out.clear();
  int n = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wargv) return;
  for (int k = 1; k < n; ++k) {
    PlatArgument a;
    a.cp1252 = WideToCp1252(wargv[k], a.text);
    a.utf8 = WideToUtf8(wargv[k]);
    out.push_back(a);
  }
  LocalFree(wargv);
}

namespace {

// Writes every unit of `text` through `write` (WriteConsoleW or WriteFile),
// which may take fewer than it is given; stops at a failed or empty write.
template <typename Text, typename Write>
void WriteAll(const Text& text, Write write) {
  for (std::size_t at = 0; at < text.size();) {
    DWORD written = 0;
    if (!write(text.data() + at, (DWORD)(text.size() - at), &written) || written == 0) return;
    at += written;
  }
}

}  // namespace

void PlatWriteText(int to_error, const std::string& utf8) {
  HANDLE h = GetStdHandle(to_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (!h || h == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    std::wstring wide((std::size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), wide.data(), n);
    WriteAll(wide, [h](const wchar_t* p, DWORD count, DWORD* written) {
      return WriteConsoleW(h, p, count, written, nullptr);
    });
    return;
  }
  // A file or a pipe: UTF-8, lines ended CR LF as Windows text files are.
  std::string text;
  for (char c : utf8) {
    if (c == '\n') text.push_back('\r');
    text.push_back(c);
  }
  WriteAll(text, [h](const char* p, DWORD count, DWORD* written) {
    return WriteFile(h, p, count, written, nullptr);
  });
}

std::string PlatTypedPath(const std::string& path) {
  if (path.empty()) return path;
  std::string full(MAX_PATH * 2, '\0');
  DWORD n = GetFullPathNameA(path.c_str(), (DWORD)full.size(), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  // Only drive C: stands for the root; a name typed on C: keeps its place.
  if (!PlatDriveRoot().empty() && full.size() >= 3 && (full[0] == 'C' || full[0] == 'c') &&
      full[1] == ':' && full[2] == '\\') {
    return "\\\\?\\" + full;
  }
  return full;
}

int PlatSearchLibrary(const std::string& name, std::string& found) {
  found.assign(MAX_PATH * 2, '\0');
  DWORD n = SearchPathA(nullptr, name.c_str(), nullptr, (DWORD)found.size(), found.data(), nullptr);
  if (n == 0 || n >= found.size()) {
    found.clear();
    return 0;
  }
  found.resize(n);
  return 1;
}

std::string PlatLastError() {
  DWORD e = GetLastError();
  if (!e) return "";
  wchar_t buf[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, e,
                           0, buf, 512, nullptr);
  while (n > 0 && (buf[n - 1] == L'\r' || buf[n - 1] == L'\n' || buf[n - 1] == L' ')) --n;
  std::string words;
  for (DWORD k = 0; k < n; ++k) {
    wchar_t c = buf[k] == L'\r' || buf[k] == L'\n' ? L' ' : buf[k];
    char b = '?';
    BOOL used = FALSE;
    if (WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &c, 1, &b, 1, nullptr, &used) != 1 || used)
      b = ' ';
    words.push_back(b);
  }
  return "código " + std::to_string(e) + (words.empty() ? "" : ": " + words);
}
