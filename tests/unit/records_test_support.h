// Helpers of the record layer tests: records built from the layouts, and a
// platform whose busy probe, sleep and wait cursor are scripted.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "records/company.h"
#include "records/record_file.h"
#include "tests/unit/test_support.h"

// A record of `widths` with the given (field, value) pairs, every field cut
// and blank-padded to its width; the last byte is `status`.
inline std::string MakeRecord(WidthTable widths,
                              const std::vector<std::pair<int, std::string>>& values,
                              char status = ' ') {
  std::string out;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    std::string v;
    for (const auto& [field, value] : values)
      if ((std::size_t)field == i) v = value;
    v = v.substr(0, (std::size_t)widths[i]);
    v.resize((std::size_t)widths[i], ' ');
    out += v;
  }
  out.back() = status;
  return out;
}

// A record of length L: `text` blank-padded, last byte `status`.
inline std::string Rec(const std::string& text, int length, char status = ' ') {
  std::string out = text.substr(0, (std::size_t)length);
  out.resize((std::size_t)length, ' ');
  out.back() = status;
  return out;
}

// Scripts FileBusy's view of the world: probe n (from 1) fails while
// n <= busy_probes; the file vanishes after `vanish_after` probes (0 =
// never). Sleeps are counted, not slept; wait cursors are counted.
struct BusyScript {
  int busy_probes = 0;
  int vanish_after = 0;
  int probes = 0;
  int sleeps = 0;
  int slept_ms = 0;
  int cursors_shown = 0;
  int cursors_restored = 0;
};

class ScriptedPlatform {
 public:
  explicit ScriptedPlatform(BusyScript& script) : saved_(Platform()) {
    script_ = &script;
    PlatformOps ops = saved_;
    inner_ = saved_;
    ops.probe_readable = [](const std::string& path) {
      ++script_->probes;
      if (script_->probes <= script_->busy_probes) return 0;
      return inner_.probe_readable(path);
    };
    ops.file_exists = [](const std::string& path) {
      if (script_->vanish_after > 0 && script_->probes >= script_->vanish_after) return 0;
      return inner_.file_exists(path);
    };
    ops.sleep_ms = [](int ms) {
      ++script_->sleeps;
      script_->slept_ms += ms;
    };
    ops.begin_wait_cursor = []() -> void* {
      ++script_->cursors_shown;
      return nullptr;
    };
    ops.end_wait_cursor = [](void*) { ++script_->cursors_restored; };
    SetPlatform(ops);
  }
  ~ScriptedPlatform() { SetPlatform(saved_); }
  ScriptedPlatform(const ScriptedPlatform&) = delete;
  ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

 private:
  PlatformOps saved_;
  static inline BusyScript* script_ = nullptr;
  static inline PlatformOps inner_{};
};

// A product folder with the folder of company 00001, the current company;
// the company context comes back as it was when the object ends.
class CompanyFolder {
 public:
  CompanyFolder() : saved_(Company()) {
    root_.EnterProductFolder();
    std::filesystem::create_directories(root_.dir() / "Kmar" / "Vri" / "R00" / "00001");
    Company().company_code = "00001";
  }
  ~CompanyFolder() { Company() = saved_; }
  CompanyFolder(const CompanyFolder&) = delete;
  CompanyFolder& operator=(const CompanyFolder&) = delete;
  const TempRoot& root() const { return root_; }

 private:
  CompanyContext saved_;
  TempRoot root_;
};
