// Times the ordering of a large Sintegra file (read, sort, synced rewrite and
// rename) against the floor of the same work: a plain read of the file and a
// plain, synced write of the same bytes. The ordering should stay within three
// times that floor.
//
//   sintegra_bench [--lines N]     (default 200000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "fiscal/sintegra.h"
#include "platform/platform.h"
#include "tests/support/seam_doubles.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::Digits;
using bench::Pad;
using bench::Seconds;


// A month of a busy shop: mostly type 60 records of 30 days and several
// printers, in the scrambled order a library may write them.
std::string MakeFile(int lines) {
  std::vector<std::string> records;
  records.reserve((std::size_t)lines);
  const char subtypes[] = {'M', 'A', 'A', 'D', 'D', 'I', 'I', 'I', 'I', 'I'};
  records.push_back(Pad("10" + Digits(12345678000195LL, 14) + "Mercado Exemplo", 126));
  records.push_back(Pad("11Rua das Flores", 126));
  for (int i = 0; (int)records.size() < lines - 2; ++i) {
    if (i % 50 == 49) {
      records.push_back(Pad("75" + Digits(20260301, 8) + Digits(20260331, 8) + Digits(i, 14) +
                                "PRODUTO " + std::to_string(i),
                            126));
      continue;
    }
    int day = 1 + (i / 10) % 30;
    int printer = (i / 300) % 8;
    records.push_back(Pad(std::string("60") + subtypes[i % 10] + "202603" + Digits(day, 2) +
                              "BE09101010001122" + Digits(printer, 4) + Digits(i * 7919LL % 1000003, 12),
                          126));
  }
  records.push_back(Pad("61" + std::string(28, ' ') + "20260301", 126));
  records.push_back(Pad("90" + Digits(12345678000195LL, 14), 125) + "1");
  // A fixed shuffle, so every run sorts the same input.
  unsigned long long state = 88172645463325252ULL;
  for (std::size_t i = records.size() - 1; i > 0; --i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    std::swap(records[i], records[(std::size_t)(state % (i + 1))]);
  }
  std::string bytes;
  bytes.reserve(records.size() * 128);
  for (const std::string& r : records) bytes += r + "\r\n";
  return bytes;
}

bool WriteAll(const std::string& path, const std::string& bytes, bool sync) {
  PlatStream* out = PlatOpen(path, PlatOpenMode::kCreate);
  if (!out) return false;
  bool ok = PlatWrite(out, bytes.data(), bytes.size()) == 1;
  if (sync && !PlatSync(out)) ok = false;
  return PlatClose(out) == 1 && ok;
}

bool ReadAll(const std::string& path, std::string& bytes) {
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  if (!in) return false;
  long long size = PlatSize(in);
  bytes.resize(size > 0 ? (std::size_t)size : 0);
  std::size_t got = PlatRead(in, bytes.data(), bytes.size());
  PlatClose(in);
  return got == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  int lines = 200000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--lines") == 0) lines = std::max(10, std::atoi(argv[i + 1]));
  }
  fs::path root = fs::temp_directory_path() / ("vri-sintegra-bench-" + std::to_string(std::rand()));
  fs::create_directories(root / "Kmar" / "Arquivos");
  PlatSetDriveRoot(root.string());
  const std::string path = kSintegraPath;
  const std::string copy = "C:\\Kmar\\Arquivos\\Copia.txt";
  const std::string bytes = MakeFile(lines);

  int failures = 0;
  MessageSink sink([&failures](const RecordedMessage& m) {
    ++failures;
    std::fprintf(stderr, "message: %s\n", m.text.c_str());
  });

  double plain = 1e9, sort = 1e9;
  for (int run = 0; run < 3; ++run) {
    if (!WriteAll(path, bytes, false)) return 1;
    Clock::time_point t0 = Clock::now();
    std::string read;
    if (!ReadAll(path, read) || !WriteAll(copy, read, true)) return 1;
    plain = std::min(plain, Seconds(t0));

    Clock::time_point t1 = Clock::now();
    if (!SortSintegraFile(nullptr, path)) return 1;
    sort = std::min(sort, Seconds(t1));
  }
  std::string sorted;
  ReadAll(path, sorted);
  double ratio = sort / plain;
  std::printf("sintegra sort: %d lines, %.1f MB\n", lines, bytes.size() / 1e6);
  std::printf("  plain read + synced write: %8.3f s\n", plain);
  std::printf("  read, sort, synced rewrite: %8.3f s  (%.2fx, target within 3x: %s)\n", sort,
              ratio, ratio <= 3.0 ? "yes" : "no");
  std::error_code ec;
  fs::remove_all(root, ec);
  return failures == 0 && sorted.size() == bytes.size() ? 0 : 1;
}
