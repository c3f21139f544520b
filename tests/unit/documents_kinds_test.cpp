#include <gtest/gtest.h>

#include <string>

#include "documents/doc_kinds.h"
#include "records/company.h"
#include "records/masters.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/documents_test_support.h"

namespace {

class ModeGuard {
 public:
  explicit ModeGuard(int mode) : saved_(Company().job_mode) { Company().job_mode = mode; }
  ~ModeGuard() { Company().job_mode = saved_; }

 private:
  int saved_;
};

struct KindCase {
  int mode;
  const char* slot104;  // nullptr: no main document window
  int kind;
};

TEST(DocumentsKinds, DocKindFollowsTheJobMode) {
  const KindCase cases[] = {
      {550, "1", 1},      // order, quote or invoice by the window's field
      {560, "2", 2},
      {550, "5", 0},      // anything else is an order
      {550, nullptr, 0},
      {551, "90", 11},    // second kind of the note jobs
      {551, "900", 11},   // only 2 characters are read
      {561, "", 10},
      {552, "90", 21},
      {562, "1", 20},
      {553, "90", 31},
      {563, "89", 30},
      {564, nullptr, 40},
      {530, nullptr, 20},
      {540, nullptr, 20},
      {0, "1", 99},       // the modes of Vri
      {565, nullptr, 99},
      {566, "90", 99},
  };
  for (const KindCase& c : cases) {
    ModeGuard mode(c.mode);
    DocumentForm window;
    if (c.slot104) SetSlot(window, kKindSlot, c.slot104);
    EXPECT_EQ(DocKind(c.slot104 ? &window : nullptr), c.kind) << c.mode << " " << (c.slot104 ? c.slot104 : "-");
  }
}

TEST(DocumentsKinds, PaymentTypeIsTheTitlesFirstDigit) {
  const std::pair<const char*, int> cases[] = {
      {"1 - À Prazo", 1},
      {"0 - À Vista", 0},
      {"", 0},
      {"À Vista", 0},  // no digit
      {"7x", 7},
      {"12 parcelas", 1},  // one character only
      {"-3", 0},
  };
  for (const auto& [title, type] : cases) {
    DocumentForm form;
    form.title = title;
    EXPECT_EQ(PaymentType(form), type) << title;
  }
}

struct KeyCase {
  const char* label;
  int mode;
  const char* title;
  int kind;
  int variant;
  int result;
  const char* key;
  const char* name;
};

TEST(DocumentsKinds, DocKeyAppliesTheFirstMatchingRule) {
  const KeyCase cases[] = {
      {"palm_order_keeps_pedido", 566, "", 0, 9, 1, "54100", "Pedido"},
      {"palm_quote_numbering", 566, "", 99, 9, 1, "54101", "Orçamento"},
      {"palm_quote_config", 566, "", 99, 0, 1, "54101", "Orçamento"},
      {"palm_any_kind_is_a_quote", 566, "", 2, 9, 1, "54101", "Orçamento"},
      {"palm_service_title_still_quote", 566, "Ordem de Serviço 1", 99, 9, 1, "54101", "Orçamento"},
      {"service_title_in_capitals", 0, "ORDEM DE SERVIÇO 7", 99, 9, 1, "29", "OS"},
      {"service_title_config", 0, "ordem de serviço", 99, 0, 1, "291", "OS"},
      {"service_title_too_short", 0, "Ordem de Servi", 99, 9, 0, "", ""},
      {"service_mode", 606, "", 99, 9, 1, "29", "OS"},
      {"kind_99_has_no_key", 0, "", 99, 9, 0, "", ""},
      {"quote_sale", 0, "", 1, 9, 1, "54101", "Orçamento"},
      {"quote_purchase", 550, "", 1, 0, 1, "54001", "Orçamento"},
      {"invoice", 0, "", 2, 0, 1, "54102", "Fatura"},
      {"order_purchase", 501, "", 0, 9, 1, "54000", "Pedido"},
      {"service_order_config", 0, "", 601, 0, 1, "291", "OS"},
      {"service_order_numbering", 0, "", 601, 9, 1, "29", "OS"},
      {"note_config_sale", 0, "", 10, 0, 1, "501", "NF"},
      {"note_config_purchase", 551, "", 31, 0, 1, "500", "NF"},
      {"note_10_numbering_has_none", 0, "", 10, 9, 0, "", ""},
      {"note_11_numbering_has_none", 0, "", 11, 9, 0, "", ""},
      {"nfe_numbering", 0, "", 20, 9, 1, "50055", "NF-e"},
      {"nf_30_numbering", 0, "", 30, 9, 1, "50001", "NF"},
      {"nfse_numbering", 551, "", 21, 9, 1, "50155", "NFS-e"},
      {"nfs_numbering", 0, "", 31, 9, 1, "50101", "NFS"},
      {"coupon_has_none", 0, "", 40, 9, 0, "", ""},
      {"coupon_config_has_none", 0, "", 40, 0, 0, "", ""},
  };
  for (const KeyCase& c : cases) {
    ModeGuard mode(c.mode);
    DocumentForm form;
    form.title = c.title;
    std::string key = "old", name = "old";
    EXPECT_EQ(DocKey(form, c.kind, c.variant, key, name), c.result) << c.label;
    EXPECT_EQ(key, c.key) << c.label;
    EXPECT_EQ(name, c.name) << c.label;
  }
}

TEST(DocumentsKinds, FindDocConfigFindsTheCompanysRecordOfTheKey) {
  DocumentWorld world;
  WriteFileBytes(kKindConfigFile,
                 MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54101"}}, '+') +  // deleted
                     MakeRecord(kKindConfigWidths, {{0, "00002"}, {1, "54101"}}) +
                     MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54101"}, {24, "1"}}) +
                     MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "291"}}));
  const std::pair<const char*, std::pair<int, int>> cases[] = {
      {"54101", {2, 2}},  // the live record of this company
      {"291", {2, 3}},
      {"54100", {1, -1}},  // no record
  };
  for (const auto& [key, expected] : cases) {
    int record = 99;
    EXPECT_EQ(FindDocConfig(key, record), expected.first) << key;
    EXPECT_EQ(record, expected.second) << key;
  }
}

TEST(DocumentsKinds, FindDocConfigWithAnEmptyKeyOpensNothing) {
  DocumentWorld world;
  FaultInjector faults;
  int record = 5;
  EXPECT_EQ(FindDocConfig("", record), 0);
  EXPECT_EQ(record, -1);
  EXPECT_EQ(faults.Calls(FaultOp::kOpen), 0);
}

TEST(DocumentsKinds, KindConfigurationIsReadUnderTheDocKeyOfTheKind) {
  DocumentWorld world;
  WriteFileBytes(kKindConfigFile,
                 MakeRecord(kKindConfigWidths, {{0, "00002"}, {1, "54101"}, {24, "2"}}) +
                     MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54101"}, {24, "9"}}, '+') +
                     MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54101"}, {24, "1"}}) +
                     MakeRecord(kKindConfigWidths, {{0, "00001"}, {1, "54102"}, {24, "2"}}));
  struct Case {
    int mode;
    const char* company;
    int kind;
    int result;
    const char* text;
  } cases[] = {
      {kModePalm, "00001", 99, 1, "1"},  // the Palm job's quotes; free and foreign records skipped
      {kModeNone, "00001", 2, 1, "2"},   // invoice: 54102
      {kModeNone, "00001", 99, 0, ""},   // kind 99 has no key outside the Palm job
      {kModePalm, "00003", 99, 0, ""},   // a company without a configuration record
      {kModePalm, "", 99, 0, ""},        // no company code
  };
  for (const Case& c : cases) {
    Company().job_mode = c.mode;
    Company().company_code = c.company;
    std::string text = "stale";
    EXPECT_EQ(ReadKindConfigField(text, kKindConfigMinPriceCheck, c.kind), c.result) << c.kind;
    EXPECT_EQ(text, c.text) << c.kind << " " << c.company;
  }
}

TEST(DocumentsKinds, KindConfigurationOfAMissingFileIsEmpty) {
  DocumentWorld world;
  std::string text = "stale";
  EXPECT_EQ(ReadKindConfigField(text, kKindConfigMinPriceCheck, 99), 0);
  EXPECT_EQ(text, "");
}

}  // namespace
