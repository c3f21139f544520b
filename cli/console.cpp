// The edges of vri-batch: its arguments, its output lines and the paths typed
// on its command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#include <shellapi.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
std::string WideToUtf8(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out((std::size_t)n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), n, nullptr, nullptr);
  out.resize((std::size_t)n - 1);
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
  used = FALSE;
  WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, w, -1, out.data(), n, nullptr, &used);
  out.resize((std::size_t)n - 1);
  return used ? 0 : 1;
}
#endif

void Write(bool to_err, const std::string& utf8) {
  std::FILE* f = to_err ? stderr : stdout;
  std::string line = utf8 + "\n";
#if defined(_WIN32)
  HANDLE h = GetStdHandle(to_err ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    std::fflush(f);
    int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), (int)line.size(), nullptr, 0);
    std::wstring wide((std::size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), (int)line.size(), wide.data(), n);
    std::size_t at = 0;
    while (at < wide.size()) {
      DWORD written = 0;
      if (!WriteConsoleW(h, wide.data() + at, (DWORD)(wide.size() - at), &written, nullptr) ||
          written == 0)
        break;
      at += written;
    }
    return;
  }
#endif
  std::fwrite(line.data(), 1, line.size(), f);
  std::fflush(f);
}

}  // namespace

int ReadArguments(int argc, char** argv, std::vector<std::string>& args, int& bad_index,
                  std::string& bad_utf8) {
  args.clear();
  bad_index = 0;
  bad_utf8.clear();
#if defined(_WIN32)
  (void)argc;
  (void)argv;
  int n = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wargv) return 1;
  for (int k = 1; k < n; ++k) {
    std::string text;
    if (!WideToCp1252(wargv[k], text) && !bad_index) {
      bad_index = k;
      bad_utf8 = WideToUtf8(wargv[k]);
    }
    args.push_back(text);
  }
  LocalFree(wargv);
#else
  for (int k = 1; k < argc; ++k) {
    std::string text;
    if (!ArgumentToCp1252(argv[k], text) && !bad_index) {
      bad_index = k;
      bad_utf8 = argv[k];
    }
    args.push_back(text);
  }
#endif
  return bad_index ? 0 : 1;
}

void PrintOut(const std::string& cp1252) { Write(false, Cp1252ToUtf8(cp1252)); }
void PrintErr(const std::string& cp1252) { Write(true, Cp1252ToUtf8(cp1252)); }
void PrintErrUtf8(const std::string& utf8) { Write(true, utf8); }

std::string TypedPath(const std::string& path) {
  if (path.empty()) return path;
#if defined(_WIN32)
  char buf[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, nullptr);
  std::string full = n > 0 && n < sizeof buf ? std::string(buf, n) : path;
  // With a drive root only "C:" is mapped below it; a path typed on drive C:
  // is marked as the system's own so it stays where it was typed.
  if (!PlatDriveRoot().empty() && full.size() >= 3 && (full[0] == 'C' || full[0] == 'c') &&
      full[1] == ':' && full[2] == '\\') {
    return "\\\\?\\" + full;
  }
  return full;
#else
  if (path[0] == '/') return path;
  if (path.size() >= 2 && path[1] == ':') return path;  // a drive path: the layer maps it
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return path;
  std::string out = buf;
  if (out.back() != '/') out.push_back('/');
  return out + path;
#endif
}

std::string ShownPath(const std::string& path) {
  std::string out = path;
  for (std::size_t at; (at = out.find("\\\\?\\")) != std::string::npos;) out.erase(at, 4);
  return out;
}
