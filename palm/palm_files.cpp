#include "palm/palm_files.h"

#include "platform/platform.h"

namespace {

constexpr char kTemporaryExtension[] = "tmp";
constexpr char kAsideExtension[] = "old";
constexpr char kJournalName[] = "VriExport";
constexpr char kJournalExtension[] = "jnl";
constexpr char kLockExtension[] = "lck";

// "~<base>.<tag>.<extension>" beside the tables.
std::string& RunFilePath(std::string& out, const std::string& folder, const char* base,
                         const std::string& tag, const char* extension) {
  std::string name = std::string("~") + base + "." + tag;
  return PalmFilePath(out, folder, name.c_str(), extension);
}

}  // namespace

std::string& PalmFilePath(std::string& out, const std::string& folder, const char* table,
                          const char* extension) {
  out.assign(folder);
  out.push_back('\\');
  out.append(table);
  out.push_back('.');
  out.append(extension);
  return out;
}

std::string& PalmKeptFolderPath(std::string& out, const std::string& folder) {
  out.assign(folder);
  out.push_back('\\');
  out.append(kPalmKeptFolder);
  return out;
}

std::string& PalmKeptPath(std::string& out, const std::string& folder, const char* table,
                          const std::string& stamp, int copy) {
  std::string name = std::string(table) + "-" + stamp;
  if (copy > 1) name += "-" + std::to_string(copy);
  std::string kept;
  return PalmFilePath(out, PalmKeptFolderPath(kept, folder), name.c_str(), kPalmTextExtension);
}

int PalmHasOrderFiles(const std::string& folder) {
  std::string name;
  for (int i = 0; i < 2; ++i)
    if (PlatFileExists(PalmFilePath(name, folder, kPalmOrderFiles[i], kPalmTextExtension)))
      return 1;
  return 0;
}

std::string& PalmTemporaryPath(std::string& out, const std::string& folder, const char* table,
                               const std::string& tag) {
  return RunFilePath(out, folder, table, tag, kTemporaryExtension);
}

std::string& PalmAsidePath(std::string& out, const std::string& folder, const char* table,
                           const std::string& tag) {
  return RunFilePath(out, folder, table, tag, kAsideExtension);
}

std::string& PalmJournalPath(std::string& out, const std::string& folder) {
  return PalmFilePath(out, folder, kJournalName, kJournalExtension);
}

std::string& PalmExportLockPath(std::string& out, const std::string& folder) {
  return PalmFilePath(out, folder, kJournalName, kLockExtension);
}

std::string& PalmRunLockPath(std::string& out, const std::string& folder, const std::string& tag) {
  return RunFilePath(out, folder, kJournalName, tag, kLockExtension);
}

int PalmRunTagOf(const std::string& name, std::string& tag) {
  // "~<base>.<digits>.<extension>", base a table or the run lock's
  if (name.size() < 2 || name[0] != '~') return 0;
  std::size_t last = name.rfind('.');
  if (last == std::string::npos) return 0;
  std::size_t middle = name.rfind('.', last - 1);
  if (middle == std::string::npos || middle == 0 || middle + 1 >= last) return 0;
  std::string base = name.substr(1, middle - 1);
  std::string extension = name.substr(last + 1);
  std::string digits = name.substr(middle + 1, last - middle - 1);
  if (digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  bool known = false;
  if (extension == kTemporaryExtension || extension == kAsideExtension) {
    for (const char* table : kPalmTables) known = known || base == table;
  } else if (extension == kLockExtension) {
    known = base == kJournalName;
  }
  if (!known) return 0;
  tag = digits;
  return 1;
}
