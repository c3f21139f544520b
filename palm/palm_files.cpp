#include "palm/palm_files.h"

namespace {

constexpr char kTemporaryExtension[] = "tmp";
constexpr char kJournalName[] = "VriExport";
constexpr char kJournalExtension[] = "jnl";

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

std::string& PalmTemporaryPath(std::string& out, const std::string& folder, const char* table,
                               const std::string& tag) {
  std::string temp_name = std::string("~") + table + "." + tag;
  return PalmFilePath(out, folder, temp_name.c_str(), kTemporaryExtension);
}

std::string& PalmJournalPath(std::string& out, const std::string& folder) {
  return PalmFilePath(out, folder, kJournalName, kJournalExtension);
}
