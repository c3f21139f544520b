#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "documents/document_layout.h"
#include "palm/palm_import.h"
#include "platform/testing.h"
#include "records/company.h"
#include "tests/unit/palm_test_support.h"

namespace {

const DateRec kToday{2026, 8, 12};

RecordedMessage Done(int quotes) {
  return {PlatIcon::kInformation, "Importar",
          "Arquivo Palm importado com " + std::to_string(quotes) + " orçamentos."};
}
const RecordedMessage kOpenError{PlatIcon::kError, "Importar", "Erro ao abrir arquivo Palm."};
const RecordedMessage kNoDescription{PlatIcon::kError, "Vri", "O item deve possuir uma descrição."};

// A header line: key (24), payment type (6), customer at 45, condition at
// 79, discount kind at 163 and discount (thousandths) at 164.
std::string Header(const std::string& key, int payment, const std::string& customer,
                   int condition, char discount_kind, const std::string& discount) {
  std::string line(180, ' ');
  line.replace(0, 24, Left(key, 24));
  line.replace(24, 6, Left(std::to_string(payment), 6));
  line.replace(45, 10, Left(customer, 10));
  line.replace(79, 3, Left(std::to_string(condition), 3));
  line[163] = discount_kind;
  line.replace(164, 9, discount);
  return line;
}

// An item line: key, product code at 24, quantity at 38 and unit price at
// 78 (both in thousandths, 8 digits).
std::string Item(const std::string& key, const std::string& code, const std::string& quantity,
                 const std::string& price) {
  std::string line(90, ' ');
  line.replace(0, 24, Left(key, 24));
  line.replace(24, 10, Left(code, 10));
  line.replace(38, 8, quantity);
  line.replace(78, 8, price);
  return line;
}

std::string Join(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string out;
  for (const std::string& l : lines) out += l + end;
  return out;
}

struct SavedQuote {
  std::string parent;              // the parent record
  std::vector<std::string> codes;  // product codes of its item records, in order
};

class PalmImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_mode_ = Company().job_mode;
    Company().job_mode = kModePalm;
    folders_.WriteMaster(
        folders_.CompanyFile("F15R1.DAT"),
        {MasterRecordBytes(kProductWidths, {{0, "P1"}, {1, "Produto um"}, {34, "10,00"}}),
         MasterRecordBytes(kProductWidths, {{0, "P2"}, {1, "Produto dois"}, {34, "5,00"}}),
         MasterRecordBytes(kProductWidths, {{0, "P3"}, {1, "Apagado"}}, '+'),
         MasterRecordBytes(kProductWidths, {{0, "p3"}, {1, "Produto três"}, {34, "1,00"}}),
         MasterRecordBytes(kProductWidths, {{0, "P4"}, {1, "Só apagado"}}, '+')});
    form_.title = "Vri 4.72b - 00001";
  }
  void TearDown() override { Company().job_mode = saved_mode_; }

  void WriteOrders(const std::vector<std::string>& headers, const std::vector<std::string>& items,
                   const char* end = "\r\n") {
    WriteFileBytes(folders_.ExchangeFile("Cabecalho.txt"), Join(headers, end));
    WriteFileBytes(folders_.ExchangeFile("Itens.txt"), Join(items, end));
  }
  int Import(int layout = 1) {
    return PalmImport(form_, folders_.Exchange(), layout, kToday, quotes_);
  }
  // The quotes of the year's document file, in record order.
  std::vector<SavedQuote> Quotes() {
    std::vector<SavedQuote> quotes;
    for (const auto& entry :
         std::filesystem::directory_iterator(folders_.root().dir() / "Kmar" / "Vri" / "R00" / "00001")) {
      std::string name = entry.path().filename().string();
      if (name.rfind("L5", 0) != 0) continue;
      // The entry's path is the system's own already: read it without mapping.
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (std::size_t at = 0; at + kDocumentRecordLength <= bytes.size(); at += kDocumentRecordLength) {
        std::string record = bytes.substr(at, kDocumentRecordLength);
        if (record[0] == kParentRecordType) quotes.push_back({record, {}});
        if (record[0] == kItemRecordType && !quotes.empty())
          quotes.back().codes.push_back(FieldOf(record, kItemWidths, kItemCode));
      }
    }
    return quotes;
  }
  static std::string FieldOf(const std::string& record, WidthTable widths, int field) {
    std::string text = record.substr((std::size_t)FieldOffset(widths, field),
                                     (std::size_t)widths[(std::size_t)field]);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  static std::string ParentField(const SavedQuote& q, int field) {
    return FieldOf(q.parent, kParentWidths, field);
  }

  PalmFolders folders_;
  MessageRecorder messages_;
  DocumentForm form_;
  int quotes_ = -1;
  int saved_mode_ = 0;
};

// Interleaved items of two orders: each quote gets exactly its own, in
// item-file order; an item key that differs only in letter case belongs too.
TEST_F(PalmImportTest, EachQuoteGetsItsOwnItemsInFileOrder) {
  WriteOrders({Header("00001PEDIDO0001", 0, "C001", 1, ' ', "000000000"),
               Header("00002pedido0002", 1, "C002", 7, ' ', "000000000")},
              {Item("00001PEDIDO0001", "P1", "00001000", "00010000"),
               Item("00002PEDIDO0002", "P2", "00002000", "00005000"),  // key in other case
               Item("00001PEDIDO0001", "p3", "00003000", "00001000"),
               Item("99999NENHUM", "P1", "00001000", "00010000")});    // no such order
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(quotes_, 2);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{Done(2)});
  std::vector<SavedQuote> quotes = Quotes();
  ASSERT_EQ(quotes.size(), 2u);
  EXPECT_EQ(quotes[0].codes, (std::vector<std::string>{"P1", "p3"}));
  EXPECT_EQ(quotes[1].codes, (std::vector<std::string>{"P2"}));
  EXPECT_EQ(ParentField(quotes[0], kParentCustomer), "C001");
  EXPECT_EQ(ParentField(quotes[0], kParentSeller), "00001");
  EXPECT_EQ(ParentField(quotes[1], kParentSeller), "00002");
  EXPECT_EQ(form_.title, "Vri 4.72b - 00001");  // the caption comes back
  EXPECT_TRUE(form_.items.empty());
}

// Net total (slot 104, the parent's total) and payment codes per header.
TEST_F(PalmImportTest, DiscountAndPaymentOfTheHeader) {
  struct Row {
    int payment;
    int condition;
    char kind;
    const char* discount;
    const char* total;       // parent field 18
    const char* payment_field;  // parent field 15
    const char* cash_code;   // parent field 24
    const char* condition_code;  // parent field 25
  } rows[] = {
      {0, 7, 'A', "000010000", "190,00", "0", "007", ""},  // amount 10 of 200: 5 %
      {1, 7, 'P', "000010000", "180,00", "1", "", "007"},  // 10 %
      {0, 12, ' ', "000000000", "200,00", "0", "012", ""}, // no discount
      {5, 3, 'A', "000000000", "200,00", "0", "", ""},     // other type: empty caption
  };
  std::vector<std::string> headers, items;
  int n = 0;
  for (const Row& row : rows) {
    std::string key = "0000" + std::to_string(++n) + "K";
    headers.push_back(Header(key, row.payment, "C", row.condition, row.kind, row.discount));
    items.push_back(Item(key, "P1", "00020000", "00010000"));  // 20 x 10,00
  }
  WriteOrders(headers, items);
  ASSERT_EQ(Import(), 1);
  std::vector<SavedQuote> quotes = Quotes();
  ASSERT_EQ(quotes.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ParentField(quotes[i], kParentTotal), rows[i].total);
    EXPECT_EQ(ParentField(quotes[i], kParentPaymentType), rows[i].payment_field);
    EXPECT_EQ(ParentField(quotes[i], kParentCashCode), rows[i].cash_code);
    EXPECT_EQ(ParentField(quotes[i], kParentConditionCode), rows[i].condition_code);
  }
  EXPECT_EQ(form_.title, "Vri 4.72b - 00001");
}

TEST(PalmImportNumbers, DiscountPercentAndImpliedDecimals) {
  struct Row {
    char kind;
    double discount, total, percent;
  } rows[] = {
      {'A', 10, 200, 5},   // an amount, as a percentage of the total
      {'P', 10, 200, 10},  // a percentage as it is
      {'A', 10, 0, 0},     // no total: no percentage
      {'A', 10, -5, 0},
      {'a', 10, 200, 10},  // only a capital A means an amount
  };
  for (const Row& row : rows)
    EXPECT_DOUBLE_EQ(OrderDiscountPercent(row.kind, row.discount, row.total), row.percent);
  struct Text {
    const char* text;
    double value;
  } texts[] = {{"000010000", 10}, {"  1500", 1.5}, {"12x34", 0.012}, {"", 0},
               {"abc", 0},        {"0x1A", 0},     {"inf", 0},      {"-2000", -2}};
  for (const Text& t : texts) EXPECT_DOUBLE_EQ(ImpliedThousandths(t.text), t.value) << t.text;
  std::string out;
  EXPECT_EQ(OrderField("abc", 1, 5, out), "bc");
  EXPECT_EQ(OrderField("abc", 3, 5, out), "");  // beyond the end reads as empty
}

// Rejected items are left out with one message each; an order without any
// accepted item gives no quote; products are found by their first live
// record, whatever the letter case.
TEST_F(PalmImportTest, RejectedItemsAndOrdersWithoutItems) {
  WriteOrders({Header("A", 0, "C", 1, ' ', "000000000"),   // one good, one unknown item
               Header("B", 0, "C", 1, ' ', "000000000"),   // only a deleted product
               Header("C", 0, "C", 1, ' ', "000000000")},  // no item lines at all
              {Item("A", "P3", "00001000", "00001000"), Item("A", "NAOEXISTE", "00001000", "00001000"),
               Item("B", "P4", "00001000", "00001000")});
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(quotes_, 1);
  EXPECT_EQ(messages_.messages(),
            (std::vector<RecordedMessage>{kNoDescription, kNoDescription, Done(1)}));
  std::vector<SavedQuote> quotes = Quotes();
  ASSERT_EQ(quotes.size(), 1u);
  EXPECT_EQ(quotes[0].codes, std::vector<std::string>{"P3"});
  // Nothing is kept for a retry: the order files are all set aside.
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Cabecalho.txt")));
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Itens.txt")));
}

// Lines of any length, with LF alone as line end, read whole.
TEST_F(PalmImportTest, LongLinesWithLineFeedsOnly) {
  std::string header = Header("LONGO", 0, "C", 1, ' ', "000000000") + std::string(900, 'z');
  std::string item = Item("LONGO", "P2", "00001000", "00005000") + std::string(900, 'y');
  WriteOrders({header, header}, {item}, "\n");
  ASSERT_EQ(Import(), 1);
  EXPECT_EQ(quotes_, 2);
  std::vector<SavedQuote> quotes = Quotes();
  ASSERT_EQ(quotes.size(), 2u);
  EXPECT_EQ(quotes[1].codes, std::vector<std::string>{"P2"});
}

// After a run the four order files exist only as .bak files, replacing the
// old ones; a second run finds no Cabecalho.txt.
TEST_F(PalmImportTest, OrderFilesAreSetAsideAndASecondRunFindsNone) {
  WriteOrders({Header("A", 0, "C", 1, ' ', "000000000")}, {Item("A", "P1", "00001000", "00001000")});
  WriteFileBytes(folders_.ExchangeFile("Positivacao.txt"), "pos\r\n");
  WriteFileBytes(folders_.ExchangeFile("Cabecalho.bak"), "velho\r\n");
  std::string headers = ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt"));
  ASSERT_EQ(Import(), 1);
  for (const char* table : kPalmOrderFiles)
    EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile(std::string(table) + ".txt"))) << table;
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.bak")), headers);
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Positivacao.bak")), "pos\r\n");
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("ObservacaoExtendida.bak")));  // was missing
  messages_.Clear();
  EXPECT_EQ(Import(), 0);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kOpenError});
  EXPECT_EQ(Quotes().size(), 1u);
}

TEST_F(PalmImportTest, MissingOrderFileTouchesNothing) {
  WriteFileBytes(folders_.ExchangeFile("Itens.txt"), Item("A", "P1", "00001000", "00001000") + "\r\n");
  EXPECT_EQ(Import(), 0);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kOpenError});
  EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile("Itens.txt")));
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Itens.bak")));
}

TEST_F(PalmImportTest, OtherLayoutImportsNothingAndTouchesNothing) {
  WriteOrders({Header("A", 0, "C", 1, ' ', "000000000")}, {Item("A", "P1", "00001000", "00001000")});
  EXPECT_EQ(Import(2), 1);
  EXPECT_EQ(quotes_, 0);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{Done(0)});
  EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile("Cabecalho.txt")));
  EXPECT_TRUE(Quotes().empty());
}

// Orders whose quote SaveDoc refused are written back, exactly as read,
// into new order files after the originals were set aside; an order whose
// items were all rejected is not.
TEST_F(PalmImportTest, RefusedQuotesAreKeptForARetry) {
  // A counter file that cannot be read: no number, so SaveDoc saves nothing.
  std::filesystem::create_directories(folders_.root().dir() / "Kmar" / "Vri" / "F34.DAT");
  std::string h1 = Header("A", 0, "C", 1, ' ', "000000000") + " fim";
  std::string h2 = Header("B", 1, "C", 2, 'A', "000001000");
  std::string h3 = Header("C", 0, "C", 1, ' ', "000000000");
  std::string i1 = Item("A", "P1", "00001000", "00001000");
  std::string i2 = Item("b", "P2", "00002000", "00001000");
  std::string i3 = Item("A", "NAOEXISTE", "00001000", "00001000");
  std::string i4 = Item("C", "NAOEXISTE", "00001000", "00001000");
  WriteOrders({h1, h2, h3}, {i1, i2, i3, i4});
  std::string old_headers = ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt"));
  EXPECT_EQ(Import(), 1);
  EXPECT_EQ(quotes_, 0);
  EXPECT_EQ(messages_.messages().back(), Done(0));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt")), Join({h1, h2}));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Itens.txt")), Join({i1, i3, i2}));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.bak")), old_headers);
  for (const auto& entry : std::filesystem::directory_iterator(folders_.root().dir() / "Palm"))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}


// Failures while the refused orders are written back: every run ends with
// the retry files complete, or with the error reported; the originals are
// always in the .bak files, and no temporary file or handle is left.
TEST_F(PalmImportTest, FailuresWritingTheRetryFilesAreReported) {
  std::filesystem::create_directories(folders_.root().dir() / "Kmar" / "Vri" / "F34.DAT");
  const std::string h1 = Header("A", 0, "C", 1, ' ', "000000000");
  const std::string i1 = Item("A", "P1", "00001000", "00001000");
  const std::string headers = Join({h1}), items = Join({i1});
  int failures = 0;
  for (FaultOp op : {FaultOp::kOpen, FaultOp::kWrite, FaultOp::kSync, FaultOp::kRename}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE("operation " + std::to_string((int)op) + " call " + std::to_string(n));
      for (const char* table : kPalmOrderFiles) {
        std::filesystem::remove(PlatNativePath(folders_.ExchangeFile(std::string(table) + ".txt")));
        std::filesystem::remove(PlatNativePath(folders_.ExchangeFile(std::string(table) + ".bak")));
      }
      WriteOrders({h1}, {i1});
      messages_.Clear();
      FaultInjector faults;
      faults.FailAt(op, n);
      int result = Import();
      bool fired = faults.Fired();
      EXPECT_EQ(faults.OpenHandles(), 0);
      for (const auto& entry : std::filesystem::directory_iterator(folders_.root().dir() / "Palm"))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
      std::string txt = ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt"));
      std::string bak = ReadFileBytes(folders_.ExchangeFile("Cabecalho.bak"));
      if (result == 1 && FileExistsNative(folders_.ExchangeFile("Cabecalho.txt"))) {
        // Kept for a retry, whole (without the product file no item is
        // accepted and nothing is kept).
        EXPECT_EQ(txt, headers);
        EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Itens.txt")), items);
      } else if (result == 0) {
        ++failures;
        EXPECT_NE(std::find(messages_.messages().begin(), messages_.messages().end(), kOpenError),
                  messages_.messages().end());
      }
      // The orders are never lost: in the order file or in its .bak.
      EXPECT_TRUE(txt == headers || bak == headers);
      if (!fired) break;
    }
  }
  EXPECT_GT(failures, 3);
}

}  // namespace
