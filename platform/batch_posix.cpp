// The batch program's edges on POSIX systems: argv as it stands, UTF-8 on
// the terminal, typed paths from the current folder.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "platform/platform.h"

void PlatCommandLine(int argc, char** argv, std::vector<PlatArgument>& out) {
  out.clear();
  for (int k = 1; k < argc; ++k) {
    PlatArgument a;
    a.text = argv[k];
    a.raw = 1;
    a.utf8 = argv[k];
    out.push_back(a);
  }
}

void PlatWriteText(int to_error, const std::string& utf8) {
  std::FILE* f = to_error ? stderr : stdout;
  std::fwrite(utf8.data(), 1, utf8.size(), f);
  std::fflush(f);
}

std::string PlatTypedPath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  if (path.size() >= 2 && path[1] == ':') return path;  // a drive name: the layer maps it
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return path;
  std::string out = buf;
  if (out.back() != '/') out.push_back('/');
  return out + path;
}

// The dynamic loader searches its own paths for a bare name; nothing to
// find beforehand.
int PlatSearchLibrary(const std::string& name, std::string& found) {
  found = name;
  return 0;
}

std::string PlatLastError() {
  const char* e = dlerror();
  return e ? e : "";
}
