// Helpers of the benchmarks: large record files made quickly, the plain
// sequential read their figures are measured against, timing, memory and
// options.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "records/record_file.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// `text` cut or blank-filled to `width`.
inline std::string Pad(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

// `value` in `width` digits, zero-filled.
inline std::string Digits(long long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lld", width, value);
  return buf;
}

// Puts `value`, cut to its width, at the start of field `field` of a record.
inline void PutField(std::string& record, WidthTable widths, int field, const std::string& value) {
  std::size_t offset = (std::size_t)FieldOffset(widths, field);
  std::string v = value.substr(0, (std::size_t)widths[(std::size_t)field]);
  record.replace(offset, v.size(), v);
}

// Writes `count` records of `length` blanks, each then filled by
// make(record, n), into `path`, a megabyte at a time. Ends the program when
// the file cannot be written.
template <typename Make>
void WriteRecords(const std::string& path, int count, int length, Make make) {
  PlatStream* out = PlatOpen(path, PlatOpenMode::kCreate);
  if (!out) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(1);
  }
  std::string chunk, record;
  for (int n = 0; n < count; ++n) {
    record.assign((std::size_t)length, ' ');
    make(record, n);
    chunk += record;
    if (chunk.size() >= (1u << 20)) {
      PlatWrite(out, chunk.data(), chunk.size());
      chunk.clear();
    }
  }
  PlatWrite(out, chunk.data(), chunk.size());
  if (!PlatClose(out)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// One plain sequential read of a file, a megabyte at a time: its seconds,
// with the bytes read in `bytes`.
inline double PlainRead(const std::string& path, long long& bytes) {
  auto start = Clock::now();
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  std::vector<char> buffer(1u << 20);
  bytes = 0;
  std::size_t n;
  unsigned sum = 0;
  while (in && (n = PlatRead(in, buffer.data(), buffer.size())) > 0) {
    bytes += (long long)n;
    sum += (unsigned char)buffer[n - 1];
  }
  PlatClose(in);
  double s = Seconds(start);
  if (sum == 1) std::printf(" ");  // keeps the read from being optimised away
  return s;
}

// The value of `field` ("VmHWM", "VmRSS") in this process's status, such as
// "1234 kB", in `value`: false where the system does not report it (it is
// read from /proc, so only on Linux).
inline bool ProcessStatus(const char* field, std::string& value) {
  std::ifstream status("/proc/self/status");
  const std::string name = std::string(field) + ":";
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(name, 0) != 0) continue;
    std::size_t at = line.find_first_not_of(" \t", name.size());
    value = at == std::string::npos ? std::string() : line.substr(at);
    return true;
  }
  return false;
}

// Starts the count of the peak resident memory again from the current size
// (Linux; elsewhere the peak stays that of the whole process).
inline void ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The number after option `name`, or `fallback`.
inline int Arg(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
  return fallback;
}

}  // namespace bench
