// Record layer benchmark: a 100,000-record product file (record length 900)
// in a temporary root; times a full key scan (FindCode of a missing key) and
// the reading of 30 fields of every record through one open stream (each
// record read whole and its fields taken from it, as the master scans read;
// for comparison also with every field copied, and with one field reader
// call per field), against a plain sequential read of the same
// file in the same run.
//
//   record_bench [records [fields-only]]   (default 100000)
// With a second argument only the field reads run (for a profiler).
//
// Targets: the scan within 2x of the plain read, all field reads within 3x.
// Each figure is the best of several runs (the file is in the page cache
// after the first), so the ratios compare the record layer's own work.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

using bench::Clock;

constexpr int kFieldsRead = 30;
constexpr int kRuns = 5;

// Every record from one template: a code, a number in a few fields, and
// mostly blank fill, as in the larger product's files.
std::string ProductRecord(int n) {
  static const std::string base = [] {
    std::string rec;
    for (std::size_t i = 0; i < kProductWidths.size(); ++i) {
      std::string v = "F" + std::to_string(i) + "-";
      v.resize((std::size_t)kProductWidths[i], ' ');
      rec += v;
    }
    return rec;
  }();
  std::string rec = base;
  char code[24];
  int len = std::snprintf(code, sizeof code, "P%d", n);
  rec.replace(0, (std::size_t)len, code, (std::size_t)len);
  for (int field : {1, 7, 30, 34}) {
    len = std::snprintf(code, sizeof code, "%d", n % 9973);
    rec.replace((std::size_t)FieldOffset(kProductWidths, field) + 4, (std::size_t)len, code,
                (std::size_t)len);
  }
  rec.back() = (n % 50 == 49) ? kFreeRecordMark : ' ';
  return rec;
}

// The best of kRuns runs of work(stream) on the file `name`, opened for each
// run and closed after it; what each run returns is added to `checksum`.
template <typename F>
double Best(const std::string& name, F&& work, long long& checksum) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    auto start = Clock::now();
    PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
    checksum += work(s);
    PlatClose(s);
    double seconds = bench::Seconds(start);
    if (seconds < best) best = seconds;
  }
  return best;
}

// The first kFieldsRead fields of each of `records` records, each record read
// once and its fields taken from it: the sum of field(record, f) over them.
template <typename F>
long long SumFields(PlatStream* s, int records, F&& field) {
  RecordBuffer record{kProductLayout, {}, {}};
  long long total = 0;
  for (int n = 0; n < records; ++n) {
    if (!ReadRecord(s, n, record)) break;
    for (int f = 0; f < kFieldsRead; ++f) total += field(record, f);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  if (records <= 0) records = 100000;

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("vri-record-bench-" + std::to_string((long)Clock::now().time_since_epoch().count() % 1000000));
  fs::create_directories(dir);
  PlatSetDriveRoot(dir.string());
  const std::string name = "C:\\F15R1.DAT";

  {
    PlatStream* out = PlatOpen(name, PlatOpenMode::kCreate);
    if (!out) {
      std::fprintf(stderr, "record_bench: cannot create the file\n");
      return 1;
    }
    for (int n = 0; n < records; ++n) {
      std::string rec = ProductRecord(n);
      PlatWrite(out, rec.data(), rec.size());
    }
    if (!PlatClose(out)) {
      std::fprintf(stderr, "record_bench: cannot write the file\n");
      return 1;
    }
  }
  const double megabytes = (double)records * kProductRecordLength / (1024.0 * 1024.0);

  long long checksum = 0;
  const bool fields_only = argc > 2;
  // Plain sequential read: 64 KiB chunks through the same stream layer.
  double plain = fields_only ? 1 : Best(name,
      [&](PlatStream* s) -> long long {
        std::vector<char> buffer(64 * 1024);
        long long total = 0;
        std::size_t n;
        while ((n = PlatRead(s, buffer.data(), buffer.size())) > 0) total += (long long)n + buffer[0];
        return total;
      },
      checksum);

  // Full scan: a key that is not there.
  double scan = fields_only ? 1 : Best(name,
      [&](PlatStream* s) -> long long {
        int record = 0;
        int found = FindCode(s, "NO SUCH PRODUCT", kProductRecordLength, record, 0, 20);
        return found + record;
      },
      checksum);

  // 30 fields of every record through one open stream: each record read
  // once, its fields taken from it (as the scans of the masters read).
  double fields = Best(name,
      [&](PlatStream* s) {
        return SumFields(s, records, [](const RecordBuffer& record, int f) {
          return (long long)RecordFieldText(record, f).size();
        });
      },
      checksum);

  // The same, each field copied into a text of its own.
  double field_copies = fields_only ? 1 : Best(name,
      [&](PlatStream* s) {
        std::string text;
        return SumFields(s, records, [&text](const RecordBuffer& record, int f) {
          return RecordField(record, f, text) ? (long long)text.size() : 0LL;
        });
      },
      checksum);

  // The same fields with one field reader call each (a seek and a read in
  // the stream buffer per field).
  double field_calls = fields_only ? 1 : Best(name,
      [&](PlatStream* s) -> long long {
        std::string text;
        long long total = 0;
        for (int n = 0; n < records; ++n) {
          for (int f = 0; f < kFieldsRead; ++f) {
            if (ReadProductField(s, n, text, f)) total += (long long)text.size();
          }
        }
        return total;
      },
      checksum);

  std::error_code ec;
  fs::remove_all(dir, ec);

  std::printf("records: %d of %d bytes (%.1f MiB), best of %d runs\n", records,
              kProductRecordLength, megabytes, kRuns);
  std::printf("plain sequential read      %9.2f ms  %8.1f MiB/s\n", plain * 1e3, megabytes / plain);
  std::printf("FindCode full scan         %9.2f ms  ratio %.2f (target <= 2)\n", scan * 1e3,
              scan / plain);
  std::printf("%d fields of every record  %9.2f ms  ratio %.2f (target <= 3)\n", kFieldsRead,
              fields * 1e3, fields / plain);
  std::printf("  each field copied to a text %6.2f ms  ratio %.2f\n", field_copies * 1e3,
              field_copies / plain);
  std::printf("  a field reader call per field %4.2f ms  ratio %.2f\n", field_calls * 1e3,
              field_calls / plain);
  std::printf("(checksum %lld)\n", checksum);
  return (scan / plain <= 2.0 && fields / plain <= 3.0) ? 0 : 3;
}
