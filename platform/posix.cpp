// The POSIX layer: the native build, the unit tests and vri-batch.
//
// Paths arrive Windows-style. A leading drive ("C:\", "c:") is mapped to the
// drive root folder, and backslashes become '/', so the core builds the same
// names on every system.
//
// Another writer is detected with advisory locks: a stream opened for update
// or append takes a write lock (without waiting, and goes on without it), and
// the busy probe asks for a read lock. A test holds a file busy from a second
// process by taking a write lock on it.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/message_sink.h"
#include "platform/platform.h"

namespace {

std::string& DriveRoot() {
  static std::string root = [] {
    const char* env = std::getenv("VRI_ROOT");
    return std::string(env ? env : "");
  }();
  return root;
}

std::string MapPath(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    out = DriveRoot();
    if (out.empty()) out = "/";
    if (out.back() != '/') out.push_back('/');
    i = 2;
    while (i < path.size() && (path[i] == '\\' || path[i] == '/')) ++i;
  }
  for (; i < path.size(); ++i) out.push_back(path[i] == '\\' ? '/' : path[i]);
  return out;
}

void OsShowMessage(PlatWindow, const std::string& text, const std::string& caption,
                   PlatIcon icon, const std::string&) {
  // Without a sink the native build prints the raw Windows-1252 bytes;
  // vri-batch installs a sink that converts them.
  std::cerr << "[" << IconName(icon) << "] " << caption << ": " << text << "\n";
}

void* OsBeginWait() { return nullptr; }
void OsEndWait(void*) {}

void OsSleep(int ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, (long)(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int OsFileExists(const std::string& path) {
  struct stat st;
  return stat(MapPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}

int OsFolderExists(const std::string& path) {
  struct stat st;
  return stat(MapPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

int OsProbeReadable(const std::string& path) {
  int fd = open(MapPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct flock fl {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  int ok = fcntl(fd, F_SETLK, &fl) == 0 ? 1 : 0;
  close(fd);  // releases the probe's lock
  return ok;
}

int OsMakeFolder(const std::string& path) {
  return mkdir(MapPath(path).c_str(), 0777) == 0 ? 1 : 0;
}

int OsRemove(const std::string& path) { return unlink(MapPath(path).c_str()) == 0 ? 1 : 0; }

int OsRename(const std::string& from, const std::string& to) {
  return rename(MapPath(from).c_str(), MapPath(to).c_str()) == 0 ? 1 : 0;
}

int OsGetCurrentFolder(std::string& out) {
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return 0;
  std::string cwd = buf;
  std::string root = DriveRoot();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (!root.empty() && cwd.compare(0, root.size(), root) == 0 &&
      (cwd.size() == root.size() || cwd[root.size()] == '/')) {
    std::string rest = cwd.substr(root.size());
    out = "C:";
    if (rest.empty()) rest = "/";
    for (char c : rest) out.push_back(c == '/' ? '\\' : c);
  } else {
    out = cwd;
  }
  return 1;
}

int OsSetCurrentFolder(const std::string& path) {
  return chdir(MapPath(path).c_str()) == 0 ? 1 : 0;
}

void OsLocalTime(PlatLocalTime& out) {
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  out = {.year = tm.tm_year + 1900, .month = tm.tm_mon + 1, .day = tm.tm_mday,
         .hour = tm.tm_hour, .minute = tm.tm_min, .second = tm.tm_sec, .weekday = tm.tm_wday};
}

PlatHandle OsOpen(const std::string& path, PlatOpenMode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case PlatOpenMode::kRead: flags |= O_RDONLY; break;
    case PlatOpenMode::kUpdate: flags |= O_RDWR; break;
    case PlatOpenMode::kAppend: flags |= O_RDWR | O_CREAT | O_APPEND; break;
    case PlatOpenMode::kCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd = open(MapPath(path).c_str(), flags, 0666);
  if (fd < 0) return kNoHandle;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return kNoHandle;
  }
  if (mode != PlatOpenMode::kRead) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    (void)fcntl(fd, F_SETLK, &fl);  // announce a writer; never wait for one
  }
  return fd;
}

long long OsRead(PlatHandle h, void* buffer, long long count) {
  for (;;) {
    ssize_t n = read((int)h, buffer, (size_t)count);
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

long long OsWrite(PlatHandle h, const void* data, long long count) {
  const char* p = static_cast<const char*>(data);
  long long done = 0;
  while (done < count) {
    ssize_t n = write((int)h, p + done, (size_t)(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += n;
  }
  return done;
}

long long OsSeek(PlatHandle h, long long offset, int whence) {
  off_t r = lseek((int)h, (off_t)offset, whence == 2 ? SEEK_END : SEEK_SET);
  return r < 0 ? -1 : (long long)r;
}

int OsSync(PlatHandle h) { return fsync((int)h) == 0 ? 1 : 0; }

int OsClose(PlatHandle h) { return close((int)h) == 0 ? 1 : 0; }

void* OsLoadLibrary(const std::string& path) {
  return dlopen(MapPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* OsFindFunction(void* library, const char* name) { return dlsym(library, name); }

int OsFreeLibrary(void* library) { return dlclose(library) == 0 ? 1 : 0; }

std::string OsNativePath(const std::string& path) { return MapPath(path); }

int OsTruncate(PlatHandle h, long long length) {
  return ftruncate((int)h, (off_t)length) == 0 ? 1 : 0;
}

// FALLOC_FL_KEEP_SIZE: the length stays what is written, so a reader (or a
// kill) never sees the reserved room as zeros. Linux only; elsewhere no hint.
int OsReserveSpace(PlatHandle h, long long bytes) {
#ifdef __linux__
  return fallocate((int)h, FALLOC_FL_KEEP_SIZE, 0, (off_t)bytes) == 0 ? 1 : 0;
#else
  (void)h;
  (void)bytes;
  return 0;
#endif
}

// flock, not fcntl: fcntl locks belong to the process, so a second import in
// the same process (and the busy probe's own locks) would not see this one.
PlatHandle OsLockFile(const std::string& path) {
  int fd = open(MapPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return kNoHandle;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return kNoHandle;
  }
  return fd;
}

void OsUnlockFile(PlatHandle h) { close((int)h); }

int OsListFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = opendir(MapPath(path).c_str());
  if (!dir) return 0;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return 1;
}

#include "platform/os_ops.inc"

}  // namespace

const PlatformOps& DefaultPlatform() { return kOsOps; }

long PlatProcessId() { return (long)getpid(); }

void PlatSetDriveRoot(const std::string& folder) { DriveRoot() = folder; }
const std::string& PlatDriveRoot() { return DriveRoot(); }
