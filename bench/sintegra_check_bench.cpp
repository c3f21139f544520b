// Times the Sintegra checker on a large sound file against a plain read of
// the same file, and reports the checker's peak memory, which should depend
// on the keys it remembers (days and printers, product codes), not on the
// size of the file.
//
//   sintegra_check_bench [--mb N] [--printers P] [--codes C]
//       (defaults: about 1024 MB, 140 printers, 5000 product codes)
// The file is made in the system's temporary folder and removed afterwards.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "fiscal/sintegra_check.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using bench::Digits;
using bench::Pad;

// A whole record: blank-filled to the record length.
std::string Pad(std::string text) { return bench::Pad(std::move(text), kSintegraRecordLength); }


// Resident memory of this process in kB, its peak ("VmHWM") or now
// ("VmRSS"), or -1 where the system does not say.
long MemoryKb(const char* field) {
  std::string value;
  return bench::ProcessStatus(field, value) ? std::atol(value.c_str()) : -1;
}

// A sound month of a large shop: every day, `printers` printers, each day
// and printer with its 60M, four 60A that sum to its venda bruta, a 60D per
// product sold and one 60I per item, over `codes` product codes, all of
// them described by a record 75. Lines are written as they are made.
long long MakeFile(const std::string& path, long long target_bytes, int printers, int codes) {
  PlatStream* out = PlatOpen(path, PlatOpenMode::kCreate);
  if (!out) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    std::exit(1);
  }
  const long long line_bytes = kSintegraRecordLength + 2;
  const long long lines_wanted = target_bytes / line_bytes;
  const int days = 31;
  const int fixed = 1 + 4 + 20;  // 60M, 60A, 60D per day and printer
  long long per_day_printer = lines_wanted / ((long long)days * printers);
  int items = (int)std::max<long long>(1, per_day_printer - fixed);

  std::string chunk;
  long long lines = 0, sixty = 0;
  auto put = [&](const std::string& record) {
    chunk += record;
    chunk += "\r\n";
    ++lines;
    if (chunk.size() >= (1u << 20)) {
      PlatWrite(out, chunk.data(), chunk.size());
      chunk.clear();
    }
  };
  put(Pad("10" + Digits(12345678000195LL, 14) + Pad("110042490114", 14) +
          Pad("MERCADO EXEMPLO", 35) + Pad("CAMPINAS", 30) + "SP" + Digits(0, 10) + "20260301" +
          "20260331" + "331"));
  put(Pad("11" + Pad("RUA DAS FLORES", 34) + "00012" + Pad("", 22) + Pad("CENTRO", 15) +
          "12345678" + Pad("ANA", 28) + Digits(1932323232, 12)));
  const char* situations[] = {"0700", "1800", "F   ", "I   "};
  for (int day = 1; day <= days; ++day) {
    std::string date = "202603" + Digits(day, 2);
    for (int p = 0; p < printers; ++p) {
      std::string head = date + "BE0910101000" + Digits(p, 8);
      long long gross = 0;
      long long parts[4];
      for (int s = 0; s < 4; ++s) {
        parts[s] = 1000 + (day * 37 + p * 11 + s * 5) % 9000;
        gross += parts[s];
      }
      put(Pad("60M" + head + Digits(p % 1000, 3) + "2D" + Digits(100, 6) + Digits(100 + items, 6) +
              Digits(day, 6) + "000" + Digits(gross, 16) + Digits(gross * day, 16)));
      for (int s = 0; s < 4; ++s) put(Pad("60A" + head + situations[s] + Digits(parts[s], 12)));
      for (int d = 0; d < 20; ++d)
        put(Pad("60D" + head + Pad(Digits((p * 20 + d) % codes, 13), 14) + Digits(1000, 13) +
                Digits(500, 16) + Digits(500, 16) + "1800" + Digits(90, 13)));
      for (int i = 0; i < items; ++i)
        put(Pad("60I" + head + "2D" + Digits(100 + i, 6) + Digits(1 + i % 999, 3) +
                Pad(Digits((long long)(day * 7919 + p * 104729 + i) % codes, 13), 14) +
                Digits(1000, 13) + Digits(500, 13) + Digits(500, 12) + "1800" + Digits(90, 12)));
      sixty += fixed + items;
    }
  }
  for (int c = 0; c < codes; ++c)
    put(Pad("75" + std::string("20260301") + "20260331" + Pad(Digits(c, 13), 14) + "04012010" +
            Pad("PRODUTO " + std::to_string(c), 53) + Pad("UN", 6) + Digits(0, 5) + "1800" +
            Digits(0, 5) + Digits(0, 13)));
  std::string totals = "60" + Digits(sixty, 8) + "75" + Digits(codes, 8) + "99" +
                       Digits(lines + 1, 8);
  put(Pad("90" + Digits(12345678000195LL, 14) + Pad("110042490114", 14) + totals, 125) + "1");
  PlatWrite(out, chunk.data(), chunk.size());
  if (!PlatClose(out)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return lines;
}

// A plain read that also finds every line end (memchr): the floor of any
// line-by-line reader. Returns its seconds and the lines in `lines`.
double ReadLines(const std::string& path, long long& lines) {
  auto start = bench::Clock::now();
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  std::vector<char> buffer(1u << 20);
  lines = 0;
  std::size_t n;
  while (in && (n = PlatRead(in, buffer.data(), buffer.size())) > 0) {
    const char* p = buffer.data();
    const char* end = p + n;
    while ((p = (const char*)std::memchr(p, '\n', (std::size_t)(end - p))) != nullptr) {
      ++lines;
      ++p;
    }
  }
  PlatClose(in);
  return bench::Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const long long mb = bench::Arg(argc, argv, "--mb", 1024);
  const int printers = bench::Arg(argc, argv, "--printers", 140);
  const int codes = bench::Arg(argc, argv, "--codes", 5000);
  fs::path folder = fs::temp_directory_path() / "vri-sintegra-check-bench";
  fs::create_directories(folder);
  const std::string path = (folder / "Sintegra.txt").string();

  auto made = bench::Clock::now();
  long long lines = MakeFile(path, mb << 20, printers, codes);
  std::printf("file: %lld lines, %.0f MB, made in %.1f s\n", lines,
              (double)fs::file_size(path) / (1 << 20), bench::Seconds(made));

  long long bytes = 0;
  bench::PlainRead(path, bytes);  // into the page cache, as the check finds it
  double plain = bench::PlainRead(path, bytes);
  long long counted = 0;
  double split = ReadLines(path, counted);

  bench::ResetPeakMemory();
  long before_kb = MemoryKb("VmRSS");
  std::vector<SintegraFault> faults;
  auto start = bench::Clock::now();
  int read = CheckSintegraFile(path, faults);
  double check = bench::Seconds(start);
  long peak_kb = MemoryKb("VmHWM");

  std::printf("plain read:      %6.2f s  (%.0f MB/s)\n", plain, (double)bytes / (1 << 20) / plain);
  std::printf("read + line ends: %5.2f s  (%.0f MB/s), %lld lines\n", split,
              (double)bytes / (1 << 20) / split, counted);
  std::printf("sintegra-check:  %6.2f s  (%.0f MB/s), %.1f x the plain read, %.1f x the read "
              "with line ends\n",
              check, (double)bytes / (1 << 20) / check, check / plain, check / split);
  std::printf("faults found:    %zu (read %s)\n", faults.size(), read ? "whole" : "FAILED");
  for (std::size_t i = 0; i < faults.size() && i < 5; ++i)
    std::printf("  %s %s\n", faults[i].code, faults[i].text.c_str());
  if (peak_kb >= 0)
    std::printf("peak memory:     %.1f MB during the check (%.1f MB before it)\n",
                peak_kb / 1024.0, before_kb / 1024.0);
  else
    std::printf("peak memory:     not available on this system\n");
  std::error_code ec;
  fs::remove_all(folder, ec);
  return read && faults.empty() ? 0 : 1;
}
