#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

// ---------------------------------------------------------------------------
// The offsets the larger product's files are known by: a width out of place
// moves every later field.
struct OffsetCase {
  const char* layout;
  WidthTable widths;
  int field;
  int offset;
  int width;
};

TEST(RecordsLayouts, FieldsSitAtTheirKnownOffsets) {
  const OffsetCase cases[] = {
      {"person", kPersonWidths, 10, 230, 2},       {"person", kPersonWidths, 14, 239, 1},
      {"person", kPersonWidths, 16, 250, 18},      {"person", kPersonWidths, 22, 372, 60},
      {"person", kPersonWidths, 26, 512, 40},      {"company", kCompanyWidths, 28, 562, 51},
      {"company", kCompanyWidths, 32, 640, 1},     {"company", kCompanyWidths, 37, 645, 354},
      {"company", kCompanyWidths, 38, 999, 1},     {"supplier", kSupplierWidths, 31, 615, 98},
      {"supplier", kSupplierWidths, 33, 813, 1},   {"customer", kCustomerWidths, 30, 616, 5},
      {"customer", kCustomerWidths, 31, 621, 18},  {"customer", kCustomerWidths, 37, 999, 1},
      {"seller", kSellerWidths, 8, 180, 119},      {"payment", kPaymentWidths, 19, 168, 2},
      {"payment", kPaymentWidths, 22, 175, 2},     {"payment", kPaymentWidths, 34, 203, 2},
      {"payment", kPaymentWidths, 37, 210, 2},     {"payment", kPaymentWidths, 44, 219, 1},
      {"payment", kPaymentWidths, 45, 220, 90},    {"product", kProductWidths, 8, 107, 80},
      {"product", kProductWidths, 22, 272, 8},     {"product", kProductWidths, 30, 410, 18},
      {"product", kProductWidths, 34, 482, 18},    {"product", kProductWidths, 38, 559, 5},
      {"product", kProductWidths, 45, 597, 16},    {"product", kProductWidths, 50, 647, 1},
      {"product", kProductWidths, 53, 654, 2},     {"product", kProductWidths, 61, 672, 27},
      {"config", kKindConfigWidths, 13, 98, 200},  {"config", kKindConfigWidths, 18, 302, 77},
      {"config", kKindConfigWidths, 24, 385, 1},   {"config", kKindConfigWidths, 35, 417, 5},
      {"config", kKindConfigWidths, 41, 429, 100}, {"config", kKindConfigWidths, 47, 550, 449},
      {"cfop", kCfopWidths, 4, 236, 1},            {"cfop", kCfopWidths, 11, 356, 200},
      {"parent", kParentWidths, 9, 42, 10},        {"parent", kParentWidths, 18, 89, 18},
      {"parent", kParentWidths, 22, 116, 5},       {"parent", kParentWidths, 24, 126, 3},
      {"parent", kParentWidths, 30, 142, 18},      {"parent", kParentWidths, 38, 218, 11},
      {"parent", kParentWidths, 40, 240, 16},      {"parent", kParentWidths, 45, 305, 10},
      {"parent", kParentWidths, 51, 335, 64},      {"parent", kParentWidths, 52, 399, 1},
  };
  for (const OffsetCase& c : cases) {
    SCOPED_TRACE(std::string(c.layout) + " field " + std::to_string(c.field));
    EXPECT_EQ(FieldOffset(c.widths, c.field), c.offset);
    EXPECT_EQ(c.widths[(std::size_t)c.field], c.width);
  }
  EXPECT_EQ(FieldOffset(kCfopWidths, 13), -1);
  EXPECT_EQ(FieldOffset(kCfopWidths, -1), -1);
}

// ---------------------------------------------------------------------------
// Readers: each finds its own file, with its own length and widths.
TEST(RecordsMasters, EachReaderReadsItsOwnFile) {
  CompanyFolder folder;
  struct Case {
    const char* name;
    const char* file;
    WidthTable widths;
    int (*reader)(PlatStream*, int, std::string&, int);
    int field;
  };
  const Case cases[] = {
      {"company", "F00R0.DAT", kCompanyWidths, ReadCompanyField, 10},
      {"supplier", "F01R0.DAT", kSupplierWidths, ReadSupplierField, 31},
      {"customer", "F02R1.DAT", kCustomerWidths, ReadCustomerField, 31},
      {"seller", "R00\\00001\\F08R0.DAT", kSellerWidths, ReadSellerField, 1},
      {"payment", "F14R0.DAT", kPaymentWidths, ReadPaymentField, 2},
      {"product", "R00\\00001\\F15R1.DAT", kProductWidths, ReadProductField, 34},
      {"cfop", "F25R0.DAT", kCfopWidths, ReadCfopField, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // record 1 holds the value: the record length must be the file's own
    WriteFileBytes(c.file, MakeRecord(c.widths, {{c.field, "RJ"}}) +
                               MakeRecord(c.widths, {{c.field, "SP"}, {0, "code"}}));
    std::string text;
    EXPECT_EQ(c.reader(nullptr, 1, text, c.field), 1);
    EXPECT_EQ(text, "SP");
    EXPECT_EQ(c.reader(nullptr, 1, text, 0), 1);
    EXPECT_EQ(text, "code");
    // through an open stream of the file
    PlatStream* s = PlatOpen(c.file, PlatOpenMode::kRead);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(c.reader(s, 0, text, c.field), 1);
    EXPECT_EQ(text, "RJ");
    PlatClose(s);
    // beyond the end, negative, field outside the layout
    EXPECT_EQ(c.reader(nullptr, 2, text, 0), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(c.reader(nullptr, -1, text, 0), 0);
    EXPECT_EQ(c.reader(nullptr, 0, text, (int)c.widths.size()), 0);
  }
}

TEST(RecordsMasters, CompanyFolderReadersNeedACompanyCode) {
  CompanyFolder folder;
  WriteFileBytes("R00\\00001\\F15R1.DAT", MakeRecord(kProductWidths, {{0, "P1"}}));
  WriteFileBytes("R00\\00001\\F08R0.DAT", MakeRecord(kSellerWidths, {{0, "S1"}}));
  Company().company_code = "";
  std::string text = "stale";
  EXPECT_EQ(ReadProductField(nullptr, 0, text, 0), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ReadSellerField(nullptr, 0, text, 0), 0);
  Company().company_code = "00001";
  EXPECT_EQ(ReadProductField(nullptr, 0, text, 0), 1);
  EXPECT_EQ(text, "P1");
  // another company reads its own folder
  Company().company_code = "00002";
  EXPECT_EQ(ReadProductField(nullptr, 0, text, 0), 0);
}

TEST(RecordsMasters, ReadPartyFieldChoosesSupplierOrCustomer) {
  TempRoot root;
  root.EnterProductFolder();
  WriteFileBytes("F01R0.DAT", MakeRecord(kSupplierWidths, {{1, "Fornecedor São Jorge"}}));
  WriteFileBytes("F02R1.DAT", MakeRecord(kCustomerWidths, {{1, "Padaria Pão de Mel"}}));
  struct Case {
    int party;
    int ok;
    std::string text;
  };
  const Case cases[] = {
      {kPartySupplier, 1, "Fornecedor São Jorge"},
      {kPartyCustomer, 1, "Padaria Pão de Mel"},
      {2, 0, ""},  // no third party
      {-1, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.party);
    std::string text = "stale";
    EXPECT_EQ(ReadPartyField(nullptr, 0, text, kPersonName, c.party), c.ok);
    EXPECT_EQ(text, c.text);
  }
}

// ---------------------------------------------------------------------------
struct ActiveCase {
  const char* name;
  int type;
  std::string situation;
  std::string wanted;
  int result;
};

TEST(RecordsMasters, IsActiveRecordNormalisesTheSituation) {
  CompanyFolder folder;
  const ActiveCase cases[] = {
      {"customer_2_is_not_active", kFileTypeCustomer, "2", "0", 0},
      {"customer_9_kept", kFileTypeCustomer, "9", "9", 1},
      {"customer_1", kFileTypeCustomer, "1", "0", 0},
      {"customer_0", kFileTypeCustomer, "0", "0", 1},
      // suppliers know only "1": "2" counts as "0"
      {"supplier_2_active", kFileTypeSupplier, "2", "0", 1},
      {"supplier_9_not_kept", kFileTypeSupplier, "9", "9", 0},
      {"supplier_1", kFileTypeSupplier, "1", "0", 0},
      {"seller_1", kFileTypeSeller, "1", "0", 0},
      {"seller_blank", kFileTypeSeller, "", "0", 1},
      {"product_1", kFileTypeProduct, "1", "0", 0},
      {"product_x", kFileTypeProduct, "x", "0", 1},
      {"product_wants_1", kFileTypeProduct, "1", "1", 1},
      // an empty wanted situation tests nothing
      {"no_test", kFileTypeCustomer, "2", "", 1},
      // an unknown file type reads nothing: situation "0"
      {"unknown_type", 3, "1", "0", 1},
  };
  for (const ActiveCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes("F01R0.DAT", MakeRecord(kSupplierWidths, {{kPersonSituation, c.situation}}));
    WriteFileBytes("F02R1.DAT", MakeRecord(kCustomerWidths, {{kPersonSituation, c.situation}}));
    WriteFileBytes("R00\\00001\\F08R0.DAT",
                   MakeRecord(kSellerWidths, {{kSellerSituation, c.situation}}));
    WriteFileBytes("R00\\00001\\F15R1.DAT",
                   MakeRecord(kProductWidths, {{kProductSituation, c.situation}}));
    EXPECT_EQ(IsActiveRecord(nullptr, 0, c.type, c.wanted), c.result);
  }
  // beyond the end: the read fails, "0", active for "0"
  EXPECT_EQ(IsActiveRecord(nullptr, 5, kFileTypeCustomer, "0"), 1);
  EXPECT_EQ(IsActiveRecord(nullptr, 5, kFileTypeCustomer, "1"), 0);
}

TEST(RecordsMasters, IsActiveRecordUsesTheCallersStream) {
  TempRoot root;
  root.EnterProductFolder();
  WriteFileBytes("F02R1.DAT", MakeRecord(kCustomerWidths, {{kPersonSituation, "0"}}) +
                                  MakeRecord(kCustomerWidths, {{kPersonSituation, "2"}}));
  PlatStream* s = PlatOpen("F02R1.DAT", PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(IsActiveRecord(s, 0, kFileTypeCustomer, "0"), 1);
  EXPECT_EQ(IsActiveRecord(s, 1, kFileTypeCustomer, "0"), 0);
  PlatClose(s);
}

// ---------------------------------------------------------------------------
TEST(RecordsMasters, ReadParentFieldReadsTheParentLayout) {
  TempRoot root;
  root.EnterProductFolder();
  std::string doc = root.Path("Kmar\\Vri\\L50A2024.DAT");
  WriteFileBytes(doc, MakeRecord(kParentWidths, {{0, "0"}, {1, "0"}, {9, "123456789"},
                                                 {kParentLastItem, "2"}, {kParentRemark, "3"}}));
  std::string text;
  EXPECT_EQ(ReadParentField(nullptr, 0, text, kParentDocNumber, doc), 1);
  EXPECT_EQ(text, "123456789");
  EXPECT_EQ(ReadParentField(nullptr, 0, text, kParentLastItem, doc), 1);
  EXPECT_EQ(text, "2");
  EXPECT_EQ(ReadParentField(nullptr, 0, text, kParentRemark, doc), 1);
  EXPECT_EQ(text, "3");
  EXPECT_EQ(ReadParentField(nullptr, 1, text, kParentRemark, doc), 0);
}

// ---------------------------------------------------------------------------
TEST(RecordsCatalogue, CompanyAndDocumentFilePaths) {
  CompanyFolder folder;  // for its company context
  struct Case {
    const char* name;
    std::string code;
    int kind_code;
    int number;
    std::string company_file;
    std::string document_file;
  };
  const Case cases[] = {
      {"company_1", "00001", '0', 2024, "R00\\00001\\F15R1.DAT", "R00\\00001\\L50A2024.DAT"},
      {"kind_B", "00001", 'B', 2024, "R00\\00001\\F15R1.DAT", "R00\\00001\\L54A2024.DAT"},
      {"kind_A", "00012", 'A', 2025, "R00\\00012\\F15R1.DAT", "R00\\00012\\L54A2025.DAT"},
      {"kind_1", "00001", '1', 2024, "R00\\00001\\F15R1.DAT", "R00\\00001\\L50A2024.DAT"},
      // 64 is the last code of L50A
      {"kind_at", "00001", '@', 2024, "R00\\00001\\F15R1.DAT", "R00\\00001\\L50A2024.DAT"},
      // four digits always
      {"year_short", "00001", 'C', 7, "R00\\00001\\F15R1.DAT", "R00\\00001\\L54A0007.DAT"},
      {"no_company", "", 'A', 2024, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Company().company_code = c.code;
    std::string out = "stale";
    EXPECT_EQ(CompanyFilePath(out, kProductFile), c.company_file);
    EXPECT_EQ(&DocumentFilePath(out, c.kind_code, c.number), &out);
    EXPECT_EQ(out, c.document_file);
  }
}

}  // namespace
