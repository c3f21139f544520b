// Shared helpers of the unit tests: a throw-away drive root, and byte-exact
// file reading and writing by Windows-style name.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>
#endif

// A fresh folder that stands for drive C: while the object lives. The
// current folder and the previous root come back when it ends.
class TempRoot {
 public:
  TempRoot() {
    static std::atomic<int> counter{0};
    namespace fs = std::filesystem;
    for (int i = 0;; ++i) {
      dir_ = fs::temp_directory_path() /
             ("vri-test-" + std::to_string(TestPid()) + "-" + std::to_string(counter++));
      if (fs::create_directories(dir_)) break;
    }
    saved_root_ = PlatDriveRoot();
    PlatGetCurrentFolder(saved_cwd_);
    PlatSetDriveRoot(dir_.string());
  }
  ~TempRoot() {
    PlatSetCurrentFolder(saved_cwd_);
    PlatSetDriveRoot(saved_root_);
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  // "C:\<relative>" with backslashes, as the core names files.
  std::string Path(const std::string& relative) const {
    std::string out = "C:\\";
    for (char c : relative) out.push_back(c == '/' ? '\\' : c);
    return out;
  }
  const std::filesystem::path& dir() const { return dir_; }

  // Makes C:\Kmar\Vri (and R00) and makes it the current folder, as start-up does.
  void EnterProductFolder() {
    std::filesystem::create_directories(dir_ / "Kmar" / "Vri" / "R00");
    PlatSetCurrentFolder(Path("Kmar\\Vri"));
  }

 private:
  static long TestPid();
  std::filesystem::path dir_;
  std::string saved_root_;
  std::string saved_cwd_;
};

inline long TempRoot::TestPid() {
  return (long)(reinterpret_cast<std::uintptr_t>(&TestPid) & 0xffff) ^ (long)::time(nullptr);
}

// Whole-file helpers by Windows-style name (relative names are taken from the
// current folder).
inline void WriteFileBytes(const std::string& name, const std::string& bytes) {
  std::ofstream out(PlatNativePath(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
}

inline std::string ReadFileBytes(const std::string& name) {
  std::ifstream in(PlatNativePath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExistsNative(const std::string& name) {
  return std::filesystem::exists(PlatNativePath(name));
}

// Installs a copy of the platform in force whose pauses pass no time and are
// recorded (their lengths, in order) and whose probes of a file are counted
// (each still asks the real platform). at_pause runs at every pause with its
// number, counted from 1: the moment to let a held file go. The previous
// platform comes back when the guard ends.
class CountedWaits {
 public:
  explicit CountedWaits(std::function<void(int pause)> at_pause = {})
      : saved_(Platform()), at_pause_(std::move(at_pause)) {
    Current() = this;
    PlatformOps ops = saved_;
    ops.sleep_ms = [](int ms) {
      CountedWaits* self = Current();
      self->pauses_.push_back(ms);
      if (self->at_pause_) self->at_pause_((int)self->pauses_.size());
    };
    ops.probe_readable = [](const std::string& path) {
      CountedWaits* self = Current();
      ++self->probes_;
      return self->saved_.probe_readable(path);
    };
    SetPlatform(ops);
  }
  ~CountedWaits() {
    SetPlatform(saved_);
    Current() = nullptr;
  }
  CountedWaits(const CountedWaits&) = delete;
  CountedWaits& operator=(const CountedWaits&) = delete;

  int probes() const { return probes_; }
  const std::vector<int>& pauses() const { return pauses_; }

 private:
  static CountedWaits*& Current() {
    static CountedWaits* current = nullptr;
    return current;
  }
  PlatformOps saved_;
  std::function<void(int)> at_pause_;
  std::vector<int> pauses_;
  int probes_ = 0;
};

#if !defined(_WIN32) && defined(VRI_BIN_DIR)
// What one run of the built vri-batch gave: its exit status, standard output
// and error, and the JSON lines of its --messages file.
struct BatchRun {
  int status = -1;
  std::string out;
  std::string err;
  std::string json;  // the message lines, without their "time" and "company" and the end line
  std::string log;   // the --messages file as written
};

// The message lines of a --messages file as the tests compare them: the
// run's end line dropped and each line's "time" and "company" members
// (always its last two) cut off.
inline std::string MessageLines(const std::string& log) {
  std::string out;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(at, end - at);
    at = end + 1;
    if (line.find("\"text\": \"Fim: c") != std::string::npos) continue;
    std::size_t time = line.rfind(", \"time\": ");
    if (time != std::string::npos) line = line.substr(0, time) + "}";
    out += line + "\n";
  }
  return out;
}

// Runs vri-batch from the folder `work` with the given arguments (already
// quoted for the shell), with VRI_ROOT unset so only --root counts; the
// messages go to work/messages.json.
inline BatchRun RunBatch(const std::filesystem::path& work, const std::string& arguments) {
  namespace fs = std::filesystem;
  const fs::path out = work / "stdout.txt", err = work / "stderr.txt", json = work / "messages.json";
  fs::remove(json);
  const std::string cmd = "cd '" + work.string() + "' && env -u VRI_ROOT '" VRI_BIN_DIR
                          "/vri-batch' --messages messages.json " + arguments + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(cmd.c_str());
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string log = slurp(json);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err), MessageLines(log), log};
}
#endif
