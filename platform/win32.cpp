// The Win32 layer: vri.exe, vri-batch.exe and the tests run under Wine.
#include <windows.h>

#include "platform/platform.h"

namespace {

std::string g_root;

// With a drive root set (vri-batch --root), "C:\..." names a file below it.
// Only drive C: stands for the root; other drives, UNC names and "\\?\"
// names (paths typed on vri-batch's command line) are taken as they stand.
std::string Map(const std::string& path) {
  if (g_root.empty() || path.size() < 2 || path[1] != ':' || (path[0] != 'C' && path[0] != 'c'))
    return path;
  std::string out = g_root;
  std::size_t i = 2;
  while (i < path.size() && (path[i] == '\\' || path[i] == '/')) ++i;
  if (!out.empty() && out.back() != '\\' && out.back() != '/') out.push_back('\\');
  out.append(path, i, std::string::npos);
  return out;
}

UINT IconFlag(PlatIcon icon) {
  switch (icon) {
    case PlatIcon::kError: return MB_ICONERROR;
    case PlatIcon::kWarning: return MB_ICONWARNING;
    case PlatIcon::kInformation: return MB_ICONINFORMATION;
  }
  return MB_ICONERROR;
}

// The box shows caption and text; the detail is for vri-batch only.
void OsShowMessage(PlatWindow owner, const std::string& text, const std::string& caption,
                   PlatIcon icon, const std::string&) {
  HWND hwnd = owner ? static_cast<HWND>(owner) : GetActiveWindow();
  MessageBoxA(hwnd, text.c_str(), caption.c_str(), MB_OK | IconFlag(icon));
}

void* OsBeginWait() { return SetCursor(LoadCursor(nullptr, IDC_WAIT)); }
void OsEndWait(void* previous) { SetCursor(static_cast<HCURSOR>(previous)); }

void OsSleep(int ms) { Sleep(ms > 0 ? (DWORD)ms : 0); }

int OsFileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(Map(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int OsFolderExists(const std::string& path) {
  DWORD a = GetFileAttributesA(Map(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

// Opening for reading while allowing others only to read fails with a
// sharing violation as long as another program holds the file for writing.
int OsProbeReadable(const std::string& path) {
  HANDLE h = CreateFileA(Map(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(h);
  return 1;
}

int OsMakeFolder(const std::string& path) { return CreateDirectoryA(Map(path).c_str(), nullptr) ? 1 : 0; }

bool IsSharingError(DWORD e) {
  return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION || e == ERROR_ACCESS_DENIED;
}

// A virus scanner or the larger product may hold a file for a moment; the
// sharing violation it causes is retried briefly here, nowhere else.
int OsRemove(const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(Map(path).c_str())) return 1;
    if (attempt >= 10 || !IsSharingError(GetLastError())) return 0;
    Sleep(50);
  }
}

// std::rename onto an existing file fails here; MoveFileEx replaces it.
int OsRename(const std::string& from, const std::string& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(Map(from).c_str(), Map(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return 1;
    if (attempt >= 10 || !IsSharingError(GetLastError())) return 0;
    Sleep(50);
  }
}

int OsGetCurrentFolder(std::string& out) {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return 0;
  out.assign(buf, n);
  return 1;
}

int OsSetCurrentFolder(const std::string& path) {
  return SetCurrentDirectoryA(Map(path).c_str()) ? 1 : 0;
}

void OsLocalTime(PlatLocalTime& out) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  out = {.year = st.wYear, .month = st.wMonth, .day = st.wDay, .hour = st.wHour,
         .minute = st.wMinute, .second = st.wSecond, .weekday = st.wDayOfWeek};
}

PlatHandle OsOpen(const std::string& path, PlatOpenMode mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case PlatOpenMode::kRead: break;
    case PlatOpenMode::kUpdate: access |= GENERIC_WRITE; break;
    case PlatOpenMode::kAppend:
      access |= GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      break;
    case PlatOpenMode::kCreate:
      access |= GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  // Shared as the larger product's own opens are: others may read and write.
  for (int attempt = 0;; ++attempt) {
    HANDLE h = CreateFileA(Map(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return reinterpret_cast<PlatHandle>(h);
    if (attempt >= 5 || GetLastError() != ERROR_SHARING_VIOLATION) return kNoHandle;
    Sleep(20);
  }
}

long long OsRead(PlatHandle h, void* buffer, long long count) {
  DWORD n = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(h), buffer, (DWORD)count, &n, nullptr)) return -1;
  return n;
}

long long OsWrite(PlatHandle h, const void* data, long long count) {
  const char* p = static_cast<const char*>(data);
  long long done = 0;
  while (done < count) {
    DWORD n = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(h), p + done, (DWORD)(count - done), &n, nullptr) ||
        n == 0)
      return -1;
    done += n;
  }
  return done;
}

long long OsSeek(PlatHandle h, long long offset, int whence) {
  LARGE_INTEGER to, now;
  to.QuadPart = offset;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(h), to, &now,
                        whence == 2 ? FILE_END : FILE_BEGIN))
    return -1;
  return now.QuadPart;
}

int OsSync(PlatHandle h) { return FlushFileBuffers(reinterpret_cast<HANDLE>(h)) ? 1 : 0; }

int OsClose(PlatHandle h) { return CloseHandle(reinterpret_cast<HANDLE>(h)) ? 1 : 0; }

void* OsLoadLibrary(const std::string& path) {
  return reinterpret_cast<void*>(LoadLibraryA(Map(path).c_str()));
}

void* OsFindFunction(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

int OsFreeLibrary(void* library) { return FreeLibrary(static_cast<HMODULE>(library)) ? 1 : 0; }

std::string OsNativePath(const std::string& path) { return Map(path); }

int OsTruncate(PlatHandle h, long long length) {
  LARGE_INTEGER to;
  to.QuadPart = length;
  HANDLE file = reinterpret_cast<HANDLE>(h);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file) ? 1 : 0;
}

// Opened without any sharing: a second holder gets a sharing violation until
// the handle is closed, which the system does for a process that ended.
PlatHandle OsLockFile(const std::string& path) {
  HANDLE h = CreateFileA(Map(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<PlatHandle>(h);
}

void OsUnlockFile(PlatHandle h) { CloseHandle(reinterpret_cast<HANDLE>(h)); }

// Not done on Windows: NTFS allocates as it writes, so a rename over the old
// file finds nothing left to allocate.
int OsReserveSpace(PlatHandle, long long) { return 0; }

int OsListFolder(const std::string& path, std::vector<std::string>& names) {
  std::string pattern = Map(path);
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return 1;
}

#include "platform/os_ops.inc"

}  // namespace

const PlatformOps& DefaultPlatform() { return kOsOps; }

long PlatProcessId() { return (long)GetCurrentProcessId(); }

void PlatSetDriveRoot(const std::string& folder) { g_root = folder; }
const std::string& PlatDriveRoot() { return g_root; }
