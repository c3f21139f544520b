// Times the Palm order import on a large company against the floor of the
// same work: one plain read of the product file (indexed once per import)
// plus, per quote, one plain read of the document file (the free-record
// search each quote's parent needs) and one disk sync of a small write (the
// journal's announcement of the parent). Target: within twice that floor.
//
//   palm_import_bench [--orders N] [--items N] [--records N] [--products N] [--no-sync 1]
//
// --no-sync 1 runs the same import with every disk sync answered at once,
// so that a pair of runs tells what the syncs cost per quote.
// Exits 3 when the target is missed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/sales_company.h"
#include "codecs/date.h"
#include "documents/document_form.h"
#include "palm/palm_import.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/support/seam_doubles.h"

namespace {

using bench::Arg;
using bench::Digits;
using bench::Clock;
using bench::PlainRead;
using bench::Seconds;

void Put(std::string& line, std::size_t at, std::size_t width, const std::string& value) {
  std::string v = value.substr(0, width);
  v.resize(width, ' ');
  line.replace(at, width, v);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  PlatStream* out = PlatOpen(path, PlatOpenMode::kCreate);
  if (!out || !PlatWrite(out, bytes.data(), bytes.size()) || !PlatClose(out)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// The best of a few plain reads: the floor is what the machine can do.
double BestRead(const std::string& path, long long& bytes) {
  double best = PlainRead(path, bytes);
  for (int i = 0; i < 4; ++i) {
    double s = PlainRead(path, bytes);
    if (s < best) best = s;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int orders = Arg(argc, argv, "--orders", 2000);
  const int items = Arg(argc, argv, "--items", 5);
  const int records = Arg(argc, argv, "--records", 200000);
  const int products = Arg(argc, argv, "--products", 100000);
  const int no_sync = Arg(argc, argv, "--no-sync", 0);

  const bench::SalesCompany company =
      bench::MakeSalesCompany("vri-palm-import-bench", products, records, 0);
  const std::string& product_path = company.product_path;
  const std::string& document_path = company.document_path;

  // The handheld's orders: each order's items spread over the item file, as
  // a day's orders come from several sellers at once.
  std::string headers_text, items_text;
  for (int o = 0; o < orders; ++o) {
    std::string key = Digits(1 + o % 10, 5) + "PEDIDO" + Digits(o, 8);
    std::string line(180, ' ');
    Put(line, 0, 24, key);
    Put(line, 24, 6, std::to_string(o % 2));
    Put(line, 45, 10, "C" + std::to_string(o % 5000));
    Put(line, 79, 3, std::to_string(1 + o % 9));
    line[163] = o % 3 == 0 ? 'A' : ' ';
    Put(line, 164, 9, Digits(o % 3 == 0 ? 5000 : 2000, 9));
    headers_text += line + "\r\n";
  }
  for (int i = 0; i < items; ++i) {
    for (int o = 0; o < orders; ++o) {
      std::string key = Digits(1 + o % 10, 5) + "PEDIDO" + Digits(o, 8);
      int product = (o * 7919 + i * 104729) % products;
      std::string line(90, ' ');
      Put(line, 0, 24, key);
      Put(line, 24, 10, "P" + std::to_string(1000000 + product));
      Put(line, 38, 8, Digits(1000LL * (1 + i), 8));
      Put(line, 78, 8, Digits(150000, 8));
      items_text += line + "\r\n";
    }
  }
  const std::string folder = "C:\\Palm";
  WriteBytes(folder + "\\Cabecalho.txt", headers_text);
  WriteBytes(folder + "\\Itens.txt", items_text);

  long long product_bytes = 0, document_bytes = 0;
  const double product_read = BestRead(product_path, product_bytes);
  const double document_read = BestRead(document_path, document_bytes);

  // One small write and disk sync, as the journal does once per quote.
  double sync_seconds = 0;
  {
    const std::string scratch = "C:\\Palm\\sync.tmp";
    PlatStream* out = PlatOpen(scratch, PlatOpenMode::kCreate);
    const std::string line(420, 'W');
    const int rounds = 100;
    auto begin = Clock::now();
    for (int i = 0; out && i < rounds; ++i) {
      PlatWrite(out, line.data(), line.size());
      PlatSync(out);
    }
    sync_seconds = no_sync ? 0 : Seconds(begin) / rounds;
    PlatClose(out);
    PlatRemove(scratch);
  }
  if (no_sync) {
    PlatformOps ops = Platform();
    ops.sync_file = [](PlatHandle) { return 1; };
    SetPlatform(ops);
  }

  MessageRecorder messages;
  DocumentForm form;
  form.title = "Vri 4.72b - 00001";
  int quotes = 0;
  auto start = Clock::now();
  const int ok = PalmImport(form, folder, 1, DateRec{2026, 8, 12}, quotes);
  const double import_seconds = Seconds(start);

  long long document_after = 0;
  const double document_read_after = BestRead(document_path, document_after);
  const double per_quote_read = document_read_after > document_read ? document_read_after : document_read;
  const double floor = product_read + quotes * (per_quote_read + sync_seconds);
  const double ratio = floor > 0 ? import_seconds / floor : 0;

  std::printf("palm_import_bench: %d orders of %d items, %d products (%.1f MB), document file %d records (%.1f MB)\n",
              orders, items, products, product_bytes / 1e6, records, document_bytes / 1e6);
  std::printf("  imported %d quotes, %zu messages, document file now %.1f MB\n", quotes,
              messages.messages().size(), document_after / 1e6);
  std::printf("  import: %.2f s (%.2f ms per quote)\n", import_seconds,
              import_seconds * 1e3 / (quotes > 0 ? quotes : 1));
  std::printf("  floor: product file read %.2f ms + %d x (document file read %.2f ms + disk sync %.2f ms) = %.2f s%s\n",
              product_read * 1e3, quotes, per_quote_read * 1e3, sync_seconds * 1e3, floor,
              no_sync ? " (syncs answered at once)" : "");
  std::printf("  ratio import / floor: %.2f (target 2.00)\n", ratio);

  bench::RemoveSalesCompany(company);
  // The only message is the count.
  if (!ok || quotes != orders || messages.messages().size() != 1) {
    std::fprintf(stderr, "palm_import_bench: the import did not write every order as a quote\n");
    for (const RecordedMessage& m : messages.messages()) std::fprintf(stderr, "  %s\n", m.text.c_str());
    return 1;
  }
  return ratio <= 2.0 ? 0 : 3;
}
