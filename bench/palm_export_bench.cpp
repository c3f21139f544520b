// Times the Palm export of a large company against the floor of the same
// work: a plain read of the master files and a plain write of as many bytes
// as the export wrote. The export should stay within 1.5 times that floor,
// measured as whole processes (each run as this program with --export-only
// or --floor-only, in turn, as the export runs for real). The in-process
// best of three rounds is printed beside it: there each round finds the
// files of the round before still on their way to the disk, and its ratio
// moves by half from one run of the benchmark to the next. The export's
// peak memory should not grow with the number of records: the company is
// timed at its size and at a quarter of it, and the peak resident memory of
// the export is printed for both. A profile of one more export
// shows where the time beyond the floor goes (the seam's reads, writes and
// file operations are timed; the rest is the forming of lines).
//
//   palm_export_bench [--products N] [--customers N] [--suppliers N] [--sellers N]
//   palm_export_bench --prepare DIR [sizes]   lays the company's masters under DIR
//   palm_export_bench --export-only DIR       one export of the company in DIR into DIR/Palm
//   palm_export_bench --floor-only DIR        the floor of that export (run it after one)
// The last two time whole processes from outside (e.g. with `time`).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "palm/palm_export.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/support/seam_doubles.h"

namespace {

namespace fs = std::filesystem;

using bench::Clock;
using bench::PutField;
using bench::Seconds;

struct Sizes {
  int products = 100000, customers = 100000, suppliers = 50000, sellers = 10;
};

void MakePerson(std::string& r, int n, WidthTable widths, bool customer) {
  std::string code = std::to_string(100000 + n);
  PutField(r, widths, 0, code);
  PutField(r, widths, 1, "Cliente Exemplo Comércio Ltda " + code);
  PutField(r, widths, 2, "Fantasia " + code);
  PutField(r, widths, 3, "Rua São João, " + std::to_string(n % 2000));
  PutField(r, widths, 7, "Centro");
  PutField(r, widths, 8, "80010-000");
  PutField(r, widths, 9, "Curitiba");
  PutField(r, widths, 10, "PR");
  PutField(r, widths, 14, n % 17 == 0 ? "1" : "0");
  PutField(r, widths, 16, n % 3 ? "12.345.678/0001-90" : "123.456.789-01");
  PutField(r, widths, 17, "ISENTO");
  PutField(r, widths, 18, "041");
  PutField(r, widths, 19, "3333-" + std::to_string(1000 + n % 9000));
  PutField(r, widths, 22, "contato@example.com");
  if (customer) {
    PutField(r, widths, 30, "R01");
    PutField(r, widths, 31, std::to_string(n % 5000) + ",50");
  }
  if (n % 50 == 49) r.back() = '+';
}

void MakeProduct(std::string& r, int n) {
  WidthTable w = kProductWidths;
  PutField(r, w, 0, "P" + std::to_string(1000000 + n));
  PutField(r, w, 1, "Produto de exemplo número " + std::to_string(n));
  PutField(r, w, 2, n % 23 == 0 ? "1" : "0");
  PutField(r, w, 3, n % 29 == 0 ? "1" : "0");
  PutField(r, w, 4, "789" + std::to_string(1000000000 + n));
  PutField(r, w, 7, "UN");
  PutField(r, w, 8, "Observação do produto");
  PutField(r, w, 22, "09012100");
  PutField(r, w, 30, std::to_string(n % 700) + ",250");
  PutField(r, w, 33, "1.234,56");
  PutField(r, w, 34, std::to_string(n % 900) + ",90");
  PutField(r, w, 39, "18,00");
  PutField(r, w, 53, "50");
  if (n % 40 == 39) r.back() = '+';
}

void MakeSeller(std::string& r, int n) {
  WidthTable w = kSellerWidths;
  PutField(r, w, 0, std::to_string(n + 1));
  PutField(r, w, 1, (n % 2 ? "vendedor " : "Vendedora ") + std::to_string(n));
  PutField(r, w, 2, "0");
}

// Makes `root` the drive of a product folder with company 00001 and its
// exchange folder C:\Palm.
void EnterCompany(const fs::path& root) {
  fs::create_directories(root / "Kmar" / "Vri" / "R00" / "00001");
  fs::create_directories(root / "Palm");
  PlatSetDriveRoot(root.string());
  PlatSetCurrentFolder("C:\\Kmar\\Vri");
  Company().company_code = "00001";
}

std::vector<std::string> MasterFiles() {
  std::string product_file, seller_file;
  CompanyFilePath(product_file, kProductFile);
  CompanyFilePath(seller_file, kSellerFile);
  return {kSupplierFile, kCustomerFile, product_file, seller_file, kPaymentFile};
}

void LayMasters(const Sizes& s) {
  std::vector<std::string> m = MasterFiles();
  bench::WriteRecords(m[0], s.suppliers, kSupplierRecordLength,
                      [](std::string& r, int n) { MakePerson(r, n, kSupplierWidths, false); });
  bench::WriteRecords(m[1], s.customers, kCustomerRecordLength,
                      [](std::string& r, int n) { MakePerson(r, n, kCustomerWidths, true); });
  bench::WriteRecords(m[2], s.products, kProductRecordLength, MakeProduct);
  bench::WriteRecords(m[3], s.sellers, kSellerRecordLength, MakeSeller);
  bench::WriteRecords(m[4], 20, kPaymentRecordLength, [](std::string& r, int n) {
    PutField(r, kPaymentWidths, 0, std::to_string(n + 1));
    PutField(r, kPaymentWidths, 1, "Condição " + std::to_string(n + 1));
    PutField(r, kPaymentWidths, 2, n % 2 ? "10" : "20");
  });
}

long long FolderBytes(const fs::path& folder) {
  long long total = 0;
  for (const auto& entry : fs::directory_iterator(folder)) total += (long long)entry.file_size();
  return total;
}

// The floor: every master read in large blocks, and `bytes` written in the
// export's chunk size to one file.
long long PlainReadAndWrite(long long bytes, const std::string& out_path) {
  std::vector<char> buffer(1u << 20);
  long long read = 0;
  for (const std::string& m : MasterFiles()) {
    PlatStream* in = PlatOpen(m, PlatOpenMode::kRead);
    if (!in) continue;
    std::size_t n;
    while ((n = PlatRead(in, buffer.data(), buffer.size())) > 0) read += (long long)n;
    PlatClose(in);
  }
  std::string chunk(256 * 1024, 'x');
  PlatStream* out = PlatOpen(out_path, PlatOpenMode::kCreate);
  for (long long left = bytes; left > 0; left -= (long long)chunk.size())
    PlatWrite(out, chunk.data(), (std::size_t)std::min<long long>(left, (long long)chunk.size()));
  PlatClose(out);
  return read;
}

// Peak resident memory of this process as the system reports it (Linux),
// or empty.
std::string PeakMemory() {
  std::string value;
  bench::ProcessStatus("VmHWM", value);
  return value;
}

// ---------------------------------------------------------------------------
// The profile: the seam's operations timed by kind while one export runs.

struct Profile {
  double read = 0;   // reads of the masters
  double write = 0;  // writes of the tables
  double files = 0;   // opens, closes and look-ups
  double commit = 0;  // renames and removes: putting the tables in place
  long long reads = 0, writes = 0, operations = 0, commits = 0;
};

Profile g_profile;
PlatformOps g_inner;

template <typename F>
auto Timed(double& into, long long& count, F call) {
  auto start = Clock::now();
  auto result = call();
  into += Seconds(start);
  ++count;
  return result;
}

PlatformOps ProfilingOps() {
  g_inner = Platform();
  PlatformOps ops = g_inner;
  ops.read_file = [](PlatHandle h, void* buffer, long long count) {
    return Timed(g_profile.read, g_profile.reads, [&] { return g_inner.read_file(h, buffer, count); });
  };
  ops.write_file = [](PlatHandle h, const void* data, long long count) {
    return Timed(g_profile.write, g_profile.writes, [&] { return g_inner.write_file(h, data, count); });
  };
  ops.open_file = [](const std::string& path, PlatOpenMode mode) {
    return Timed(g_profile.files, g_profile.operations, [&] { return g_inner.open_file(path, mode); });
  };
  ops.close_file = [](PlatHandle h) {
    return Timed(g_profile.files, g_profile.operations, [&] { return g_inner.close_file(h); });
  };
  ops.rename_file = [](const std::string& from, const std::string& to) {
    return Timed(g_profile.commit, g_profile.commits, [&] { return g_inner.rename_file(from, to); });
  };
  ops.remove_file = [](const std::string& path) {
    return Timed(g_profile.commit, g_profile.commits, [&] { return g_inner.remove_file(path); });
  };
  ops.file_exists = [](const std::string& path) {
    return Timed(g_profile.files, g_profile.operations, [&] { return g_inner.file_exists(path); });
  };
  return ops;
}

constexpr int kRounds = 3;
constexpr int kProcessPairs = 5;

struct Figures {
  double export_seconds = 1e30, plain_seconds = 1e30, seller_seconds = 0;
  long long written = 0, read = 0;
  std::string peak;
  int ok = 1;
};

// Times the export of the company laid under `root` and its floor, each the
// best of its rounds (one after the other, so neither pays for the other's
// dirty pages); with `profile`, one more export runs with its seam timed.
Figures Measure(const fs::path& root, bool profile, std::string& report) {
  Figures f;
  auto start = Clock::now();
  std::vector<std::string> seller_list;
  BuildSellerList(seller_list);
  f.seller_seconds = Seconds(start);
  bench::ResetPeakMemory();
  for (int round = 0; round < kRounds; ++round) {
    start = Clock::now();
    f.ok = PalmExport(nullptr, "C:\\Palm", kPalmLayoutOnSoft, seller_list) && f.ok;
    f.export_seconds = std::min(f.export_seconds, Seconds(start));
    f.written = FolderBytes(root / "Palm");

    start = Clock::now();
    f.read = PlainReadAndWrite(f.written, "C:\\plain-write.tmp");
    f.plain_seconds = std::min(f.plain_seconds, Seconds(start));
  }
  f.peak = PeakMemory();
  if (profile) {
    g_profile = Profile{};
    SetPlatform(ProfilingOps());
    start = Clock::now();
    f.ok = PalmExport(nullptr, "C:\\Palm", kPalmLayoutOnSoft, seller_list) && f.ok;
    double total = Seconds(start);
    SetPlatform(g_inner);
    const Profile& p = g_profile;
    char text[640];
    std::snprintf(text, sizeof text,
                  "  profile of one more export, %.3f s:\n"
                  "    seller list       %.3f s (before the export)\n"
                  "    reading masters   %.3f s (%lld reads)\n"
                  "    writing tables    %.3f s (%lld writes)\n"
                  "    opens and closes  %.3f s (%lld operations)\n"
                  "    commit: renames   %.3f s (%lld renames and removes)\n"
                  "    forming lines     %.3f s (the rest)\n",
                  total, f.seller_seconds, p.read, p.reads, p.write, p.writes, p.files,
                  p.operations, p.commit, p.commits, total - p.read - p.write - p.files - p.commit);
    report = text;
  }
  return f;
}

// The export and its floor each run as a process of its own (this program
// with --export-only / --floor-only on the folder just measured), in turn,
// `pairs` times: the whole-process figures, start-up and exit included, with
// no round finding the pages of the round before still unwritten. The
// medians of the times and of each pair's ratio.
struct ProcessFigures {
  double export_seconds = 0;
  double floor_seconds = 0;
  double ratio = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Wall seconds of one run of this program in `mode` on `root`, or -1 when it failed.
double TimeProcess(const std::string& self, const char* mode, const fs::path& root) {
  std::string command = "\"" + self + "\" " + mode + " \"" + root.string() + "\"";
  auto start = Clock::now();
  int status = std::system(command.c_str());
  return status == 0 ? Seconds(start) : -1;
}

ProcessFigures MeasureProcesses(const std::string& self, const fs::path& root, int pairs) {
  std::vector<double> exports, floors, ratios;
  for (int i = 0; i < pairs; ++i) {
    double e = TimeProcess(self, "--export-only", root);
    double f = TimeProcess(self, "--floor-only", root);
    if (e < 0 || f <= 0) return {};
    exports.push_back(e);
    floors.push_back(f);
    ratios.push_back(e / f);
  }
  return {Median(exports), Median(floors), Median(ratios)};
}

Sizes ReadSizes(int argc, char** argv, Sizes s) {
  s.products = bench::Arg(argc, argv, "--products", s.products);
  s.customers = bench::Arg(argc, argv, "--customers", s.customers);
  s.suppliers = bench::Arg(argc, argv, "--suppliers", s.suppliers);
  s.sellers = bench::Arg(argc, argv, "--sellers", s.sellers);
  return s;
}

// The folder after option `name`, or empty.
std::string FolderArg(int argc, char** argv, const char* name) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == name) return argv[i + 1];
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  MessageRecorder quiet;
  Sizes sizes = ReadSizes(argc, argv, Sizes{});
  if (std::string dir = FolderArg(argc, argv, "--prepare"); !dir.empty()) {
    EnterCompany(fs::absolute(dir));
    LayMasters(sizes);
    return 0;
  }
  if (std::string dir = FolderArg(argc, argv, "--export-only"); !dir.empty()) {
    EnterCompany(fs::absolute(dir));
    std::vector<std::string> seller_list;
    return PalmExport(nullptr, "C:\\Palm", kPalmLayoutOnSoft, BuildSellerList(seller_list)) ? 0 : 1;
  }
  if (std::string dir = FolderArg(argc, argv, "--floor-only"); !dir.empty()) {
    EnterCompany(fs::absolute(dir));
    PlainReadAndWrite(FolderBytes(fs::absolute(dir) / "Palm"), "C:\\plain-write.tmp");
    return 0;
  }

  const std::string self = fs::absolute(argv[0]).string();
  Sizes quarter{sizes.products / 4, sizes.customers / 4, sizes.suppliers / 4, sizes.sellers};
  int status = 0;
  for (const Sizes& s : {sizes, quarter}) {
    bool whole = s.products == sizes.products && s.customers == sizes.customers;
    fs::path root =
        fs::temp_directory_path() / ("vri-palm-bench-" + std::to_string(std::rand()));
    EnterCompany(root);
    LayMasters(s);
    std::string profile;
    Figures f = Measure(root, whole, profile);
    double ratio = f.plain_seconds > 0 ? f.export_seconds / f.plain_seconds : 0.0;
    std::printf("masters: %d products, %d customers, %d suppliers, %d sellers (%.1f MB read)\n",
                s.products, s.customers, s.suppliers, s.sellers, (double)f.read / 1e6);
    std::printf("  export:           %.3f s (%s, %.1f MB written), best of %d\n", f.export_seconds,
                f.ok ? "Arquivo Palm gerado." : "failed", (double)f.written / 1e6, kRounds);
    std::printf("  plain read+write: %.3f s, best of %d\n", f.plain_seconds, kRounds);
    std::printf("  ratio:            %.2f\n", ratio);
    if (!f.peak.empty()) std::printf("  peak memory:      %s (export rounds)\n", f.peak.c_str());
    std::fputs(profile.c_str(), stdout);
    ProcessFigures p = MeasureProcesses(self, root, kProcessPairs);
    std::printf("  whole processes:  export %.3f s, floor %.3f s, ratio %.2f (target: within 1.5),"
                " medians of %d pairs\n",
                p.export_seconds, p.floor_seconds, p.ratio, kProcessPairs);
    if (!f.ok || p.ratio == 0) status = 1;
    else if (whole && p.ratio > 1.5) status = 3;
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  return status;
}
