// Helpers of the Palm tests: master records built from their width tables,
// a company folder to put them in, and line and column access to exchange
// files.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "palm/palm_layout.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/unit/test_support.h"

// One record of a master: every field blank except the ones given (cut to
// their width), the status byte `status` ('+' marks a deleted record).
inline std::string MasterRecordBytes(WidthTable widths,
                                     std::initializer_list<std::pair<int, std::string>> fields,
                                     char status = ' ') {
  std::string record((std::size_t)SumWidths(widths), ' ');
  for (const auto& [field, value] : fields) {
    int offset = FieldOffset(widths, field);
    std::string v = value.substr(0, (std::size_t)widths[(std::size_t)field]);
    record.replace((std::size_t)offset, v.size(), v);
  }
  record.back() = status;
  return record;
}

// Text left-aligned in width characters (what a "%-Ns" column holds).
inline std::string Left(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

inline std::string Right(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  return std::string(width - out.size(), ' ') + out;
}

// The text of the column named `name` in a line laid out by `columns`, at
// the place the layout gives it; "<no column NAME>" when the layout has no
// such column (or the line is too short for it), so the test sees it.
inline std::string ColumnText(const std::string& line, PalmColumns columns, const char* name) {
  int index = PalmColumnIndex(columns, name);
  std::size_t offset = (std::size_t)PalmColumnOffset(columns, index);
  if (index < 0 || offset > line.size()) return std::string("<no column ") + name + ">";
  return line.substr(offset, (std::size_t)columns[(std::size_t)index].width);
}

// The lines of a CR LF file, without their line ends; a line that does not
// end in CR LF is returned with "<no CR LF>" appended so tests see it.
inline std::vector<std::string> FileLines(const std::string& name) {
  std::string bytes = ReadFileBytes(name);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A product folder with company 00001, its company folder and the exchange
// folder C:\Palm; restores the company context afterwards.
class PalmFolders {
 public:
  PalmFolders() : saved_(Company()) {
    root_.EnterProductFolder();
    std::filesystem::create_directories(root_.dir() / "Kmar" / "Vri" / "R00" / "00001");
    std::filesystem::create_directories(root_.dir() / "Palm");
    Company().company_code = "00001";
    Company().company_record = 0;
  }
  ~PalmFolders() { Company() = saved_; }

  const TempRoot& root() const { return root_; }
  std::string Exchange() const { return root_.Path("Palm"); }
  std::string ExchangeFile(const std::string& name) const { return root_.Path("Palm\\" + name); }
  // Product-folder and company-folder files, by the names the core uses.
  std::string ProductFile(const std::string& name) const { return root_.Path("Kmar\\Vri\\" + name); }
  std::string CompanyFile(const std::string& name) const {
    return root_.Path("Kmar\\Vri\\R00\\00001\\" + name);
  }

  void WriteMaster(const std::string& path, const std::vector<std::string>& records) const {
    std::string bytes;
    for (const std::string& r : records) bytes += r;
    WriteFileBytes(path, bytes);
  }

 private:
  TempRoot root_;
  CompanyContext saved_;
};

// Names in the exchange folder other than the tables and the folder's
// export lock: what a run left behind.
inline std::vector<std::string> StrayFiles(const PalmFolders& folders) {
  std::vector<std::string> stray;
  for (const auto& entry : std::filesystem::directory_iterator(folders.root().dir() / "Palm"))
    if (entry.path().extension() != ".txt" && entry.path().filename() != "VriExport.lck")
      stray.push_back(entry.path().filename().string());
  return stray;
}

// Every file under `root`, with its size, time and bytes.
inline std::map<std::string, std::string> FileTree(const std::filesystem::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    std::string& v = tree[e.path().string()];
    if (e.is_regular_file())
      v = std::to_string(e.file_size()) + "@" +
          std::to_string(e.last_write_time().time_since_epoch().count()) + ":" +
          ReadFileBytes(e.path().string());
  }
  return tree;
}
