// The large company of the quote benchmarks: company 00001 in a fresh
// temporary root, with `products` products "P1000000", "P1000001", ...
// (price 10 to 99, 10% discount, PIS/COFINS), the quotes' price floor on,
// and a document file of the year 2026 with `records` records (a parent
// and five items each; one record in `free_every` free, 0 for none).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"

namespace bench {

struct SalesCompany {
  std::filesystem::path root;
  std::string product_path;
  std::string document_path;
};

// Lays the company and makes it current (Palm mode); ends the program when
// the product folder cannot be entered. `name` names the temporary root.
inline SalesCompany MakeSalesCompany(const char* name, int products, int records, int free_every) {
  namespace fs = std::filesystem;
  SalesCompany c;
  c.root = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(std::rand()));
  fs::create_directories(c.root / "Kmar" / "Vri" / "R00" / "00001");
  fs::create_directories(c.root / "Palm");
  PlatSetDriveRoot(c.root.string());
  if (!PlatSetCurrentFolder("C:\\Kmar\\Vri")) {
    std::fprintf(stderr, "cannot enter the product folder\n");
    std::exit(1);
  }
  Company().job_mode = kModePalm;
  Company().company_code = "00001";

  CompanyFilePath(c.product_path, kProductFile);
  WriteRecords(c.product_path, products, kProductRecordLength, [](std::string& r, int n) {
    WidthTable w = kProductWidths;
    PutField(r, w, kProductCode, "P" + std::to_string(1000000 + n));
    PutField(r, w, kProductDescription, "Produto de exemplo número " + std::to_string(n));
    PutField(r, w, kProductPrice, std::to_string(10 + n % 90) + ",00");
    PutField(r, w, kProductMaxDiscount, "10");
    PutField(r, w, kProductPisRate, "1,65");
    PutField(r, w, kProductCofinsRate, "7,6");
    PutField(r, w, kProductIpiCst, "2");
    PutField(r, w, kProductPisCst, "1");
    PutField(r, w, kProductCofinsCst, "1");
  });
  WriteRecords(kKindConfigFile, 1, kKindConfigRecordLength, [](std::string& r, int) {
    PutField(r, kKindConfigWidths, kKindConfigCompany, "00001");
    PutField(r, kKindConfigWidths, kKindConfigKindKey, "54101");
    PutField(r, kKindConfigWidths, kKindConfigMinPriceCheck, "1");
  });
  DocumentFilePath(c.document_path, '0', 2026);
  WriteRecords(c.document_path, records, kDocumentRecordLength, [free_every](std::string& r, int n) {
    char head[32];
    std::snprintf(head, sizeof head, "%c%-10d", n % 6 == 0 ? '0' : '1', n - n % 6);
    r.replace(0, 11, head);
    if (free_every > 0 && n % free_every == free_every / 2) r.back() = '+';
  });
  return c;
}

// Leaves the temporary root and removes it.
inline void RemoveSalesCompany(const SalesCompany& c) {
  PlatSetCurrentFolder("C:\\");
  std::error_code ec;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  std::filesystem::remove_all(c.root, ec);
}

}  // namespace bench
