// Linux: the mapping that holds this very function names the shared object.
#include <cstdint>
#include <fstream>
#include <sstream>

#include "stand-ins/bemafi32/stand_in.h"

std::string StandInFolder() {
  auto self = reinterpret_cast<std::uintptr_t>(&StandInFolder);
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    std::istringstream fields(line);
    std::string range, perms, offset, device, inode, path;
    fields >> range >> perms >> offset >> device >> inode;
    std::getline(fields >> std::ws, path);
    std::size_t dash = range.find('-');
    if (dash == std::string::npos || path.empty() || path[0] != '/') continue;
    std::uintptr_t from = std::stoull(range.substr(0, dash), nullptr, 16);
    std::uintptr_t to = std::stoull(range.substr(dash + 1), nullptr, 16);
    if (self < from || self >= to) continue;
    std::size_t slash = path.rfind('/');
    return path.substr(0, slash + 1);
  }
  return "";
}
