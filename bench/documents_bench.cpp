// Times SaveDoc on a large company against the floor of the same work: one
// plain read of the document file. Each quote costs about one pass over the
// file (the parent's free-record search starts at record 0), so it should
// stay within twice that read.
//
//   documents_bench [--quotes N] [--items N] [--records N] [--products N] [--free-every N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/sales_company.h"
#include "codecs/date.h"
#include "documents/doc_store.h"
#include "documents/document_form.h"
#include "documents/item_check.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/support/seam_doubles.h"

namespace {

using bench::Arg;
using bench::Clock;
using bench::PlainRead;
using bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
  const int quotes = Arg(argc, argv, "--quotes", 1000);
  const int items = Arg(argc, argv, "--items", 5);
  const int records = Arg(argc, argv, "--records", 200000);
  const int products = Arg(argc, argv, "--products", 100000);
  const int free_every = Arg(argc, argv, "--free-every", 10000);

  const bench::SalesCompany company =
      bench::MakeSalesCompany("vri-documents-bench", products, records, free_every);
  const std::string& document_path = company.document_path;

  // The quotes as the Palm import hands them over: items through the item check.
  std::vector<DocumentForm> forms((std::size_t)quotes);
  for (int q = 0; q < quotes; ++q) {
    DocumentForm& form = forms[(std::size_t)q];
    for (int i = 0; i < items; ++i) {
      int record = (q * 7919 + i * 104729) % products;
      SetSlot(form, kSlotCode, "P" + std::to_string(1000000 + record));
      SetSlot(form, kSlotDescription, "Produto de exemplo");
      SetSlot(form, kSlotQuantity, std::to_string(1 + i));
      SetSlot(form, kSlotUnitPrice, "150,00");
      SetSlot(form, kSlotProductRecord, std::to_string(record));
      if (!CheckItem(form)) return 1;
    }
    ClearSlots(form, kSlotFirst, kSlotLast);
    form.title = q % 2 ? "1 - À Prazo" : "0 - À Vista";
    SetSlot(form, kSlotDocTotal, "1.234,56");
  }

  long long bytes_before = 0;
  const double read_before = PlainRead(document_path, bytes_before);

  MessageRecorder messages;
  const DateRec issue{2026, 8, 12};
  int saved = 0;
  auto start = Clock::now();
  // One run, as one import: the document file is read for its numbers once.
  DocNumbering numbering;
  SaveDocRequest request;
  request.issue_date = issue;
  request.seller_code = "V01";
  request.numbering = &numbering;
  for (DocumentForm& form : forms) {
    long number = 0;
    request.customer_code = "C" + std::to_string(saved);
    if (SaveDoc(form, request, number) >= 0) ++saved;
  }
  const double save_seconds = Seconds(start);

  long long bytes_after = 0;
  const double read_after = PlainRead(document_path, bytes_after);
  const double per_document = save_seconds / (quotes > 0 ? quotes : 1);
  const double read = read_after > read_before ? read_after : read_before;

  std::printf("documents_bench: %d quotes of %d items, document file %d records (%.1f MB, one free in %d), %d products\n",
              quotes, items, records, bytes_before / 1e6, free_every, products);
  std::printf("  saved %d quotes, %zu messages, document file now %.1f MB\n", saved,
              messages.messages().size(), bytes_after / 1e6);
  std::printf("  SaveDoc: %.2f ms per document (%.2f s in all)\n", per_document * 1e3, save_seconds);
  std::printf("  plain read of the document file: %.2f ms before, %.2f ms after\n",
              read_before * 1e3, read_after * 1e3);
  std::printf("  ratio per document / plain read: %.2f (target 2.00)\n", per_document / read);

  bench::RemoveSalesCompany(company);
  return saved == quotes && messages.messages().empty() ? 0 : 1;
}
