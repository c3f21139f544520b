// Helpers of the document tests: a company folder with its masters, records
// built from the layouts, and field reading from record bytes.
#pragma once

#include <string>
#include <vector>

#include "documents/document_form.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

// A product of F15R1.DAT as the document layer reads it.
struct ProductSpec {
  std::string code;
  std::string description;
  std::string price;         // field 34
  std::string max_discount;  // field 38
  std::string pis_rate = "";     // 45
  std::string cofins_rate = "";  // 46
  std::string ipi_cst = "";      // 53
  std::string pis_cst = "";      // 54
  std::string cofins_cst = "";   // 55
};

inline std::string ProductRecord(const ProductSpec& p, char status = ' ') {
  return MakeRecord(kProductWidths,
                    {{kProductCode, p.code},
                     {kProductDescription, p.description},
                     {kProductPrice, p.price},
                     {kProductMaxDiscount, p.max_discount},
                     {kProductPisRate, p.pis_rate},
                     {kProductCofinsRate, p.cofins_rate},
                     {kProductIpiCst, p.ipi_cst},
                     {kProductPisCst, p.pis_cst},
                     {kProductCofinsCst, p.cofins_cst}},
                    status);
}

// Field `field` of a record held in bytes, trailing blanks removed.
inline std::string FieldOf(const std::string& record, WidthTable widths, int field) {
  int offset = FieldOffset(widths, field);
  if (offset < 0 || (std::size_t)offset >= record.size()) return std::string();
  std::string text = record.substr((std::size_t)offset, (std::size_t)widths[(std::size_t)field]);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Record n of a file's bytes.
inline std::string RecordAt(const std::string& bytes, int n, int length = kDocumentRecordLength) {
  if ((std::size_t)(n + 1) * (std::size_t)length > bytes.size()) return std::string();
  return bytes.substr((std::size_t)n * (std::size_t)length, (std::size_t)length);
}

// A product folder with company 00001 in Palm mode; the company context
// comes back as it was when the object ends.
class DocumentWorld {
 public:
  DocumentWorld() : saved_(Company()) {
    root_.EnterProductFolder();
    std::filesystem::create_directories(root_.dir() / "Kmar" / "Vri" / "R00" / "00001");
    Company().job_mode = kModePalm;
    Company().company_code = "00001";
  }
  ~DocumentWorld() { Company() = saved_; }
  DocumentWorld(const DocumentWorld&) = delete;
  DocumentWorld& operator=(const DocumentWorld&) = delete;

  void WriteProducts(const std::vector<ProductSpec>& products) {
    std::string bytes;
    for (const ProductSpec& p : products) bytes += ProductRecord(p);
    WriteFileBytes("R00\\00001\\F15R1.DAT", bytes);
  }
  // The quote's configuration record with field 24 set to `check`.
  void WriteQuoteConfig(const std::string& check) {
    WriteFileBytes(kKindConfigFile,
                   MakeRecord(kKindConfigWidths, {{0, "00002"}, {1, "54101"}, {24, "1"}}) +
                       MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54101"}, {24, check}}));
  }
  // F25R0.DAT with (CFOP number, taxed field) pairs.
  void WriteCfops(const std::vector<std::pair<std::string, std::string>>& cfops) {
    std::string bytes;
    for (const auto& [cfop, taxed] : cfops)
      bytes += MakeRecord(kCfopWidths, {{kCfopCode, cfop}, {kCfopNumber, cfop}, {kCfopTaxed, taxed}});
    WriteFileBytes(kCfopFile, bytes);
  }
  const TempRoot& root() const { return root_; }

 private:
  TempRoot root_;
  CompanyContext saved_;
};
