#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codecs/number.h"
#include "documents/doc_journal.h"
#include "documents/document_layout.h"
#include "palm/palm_import.h"
#include "platform/trouble.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/counters.h"
#include "records/masters.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
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


// ---------------------------------------------------------------------------
// Whatever happens during an import, every order ends imported (exactly one
// whole quote, never imported again) or pending (no live record of it, its
// lines still in the order files as read). A company with a few hundred
// orders: two that share a key, one header line that stands twice, items of
// all orders interleaved, refused items and orders that give no quote.

struct OrderBook {
  std::vector<std::string> headers, items;
  // Per customer (one per order but for the doubled line): quotes expected
  // and the product codes each quote must carry.
  std::map<std::string, int> expected;
  std::map<std::string, std::vector<std::string>> codes;
};

OrderBook MakeOrders(int count) {
  OrderBook book;
  std::vector<std::string> items;
  for (int o = 0; o < count; ++o) {
    char key[32], customer[16];
    std::snprintf(key, sizeof key, "%05dPEDIDO%08d", 1 + o % 7, o == 8 ? 7 : o);  // 7 and 8 share a key
    std::snprintf(customer, sizeof customer, "C%04d", o);
    book.headers.push_back(Header(key, o % 2, customer, 1 + o % 5, ' ', "000000000"));
    if (o == 8) continue;  // its items are those of the key it shares
    const bool no_quote = o % 25 == 24;
    items.push_back(Item(key, no_quote ? "NAOEXISTE" : "P1", "00001000", "00010000"));
    items.push_back(Item(key, o % 10 == 3 ? "NAOEXISTE" : "P2", "00002000", "00005000"));
    if (o % 3 == 0) items.push_back(Item(key, "p3", "00001500", "00001000"));
  }
  book.headers[15] = book.headers[14];
  // Items of all orders interleaved: each third from the back.
  for (int phase = 0; phase < 3; ++phase)
    for (int i = (int)items.size() - 1 - phase; i >= 0; i -= 3) book.items.push_back(items[(std::size_t)i]);
  for (const std::string& h : book.headers) {
    std::string customer = h.substr(45, 5);
    std::vector<std::string> codes;
    for (const std::string& i : book.items)
      if (i.compare(0, 24, h, 0, 24) == 0 && i.compare(24, 9, "NAOEXISTE") != 0)
        codes.push_back(i.substr(24, i.find(' ', 24) - 24));
    if (codes.empty()) continue;
    ++book.expected[customer];
    book.codes[customer] = codes;
  }
  return book;
}

class PalmImportSafety : public PalmImportTest {
 protected:
  void SetUp() override {
    PalmImportTest::SetUp();
    book_ = MakeOrders(kOrders);
    WriteOrders(book_.headers, book_.items);
    // A machine crash cannot be played here, only a killed process: the
    // syncs are counted (and can fail) but cost no disk flush.
    if (!saved_) {
      saved_ = std::make_unique<PlatformOps>(Platform());
      PlatformOps ops = *saved_;
      ops.sync_file = [](PlatHandle) { return 1; };
      SetPlatform(ops);
    }
  }
  void TearDown() override {
    if (saved_) SetPlatform(*saved_);
    PalmImportTest::TearDown();
  }
  std::unique_ptr<PlatformOps> saved_;
  // Under Wine every file operation crosses to the wine server, and the
  // sanitizers slow every byte: fewer orders and fewer faults there, the
  // same cases.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
  static constexpr int kOrders = 40;
  static constexpr int kFaultsPerKind = 4;
#else
  static constexpr int kOrders = 120;
  static constexpr int kFaultsPerKind = 8;
#endif

  // The rule over the files as they are now: no order lost (a quote live or
  // its lines still in the order files) and none imported twice; with
  // `whole`, every live quote whole (after a run that ended, not after a
  // kill, whose unfinished quote the next run undoes). An order may stay in
  // its files imported when they could not be set aside: the journal keeps
  // it from a second import, which the clean run after it proves. Returns
  // the number of header lines left.
  int CheckOrders(const std::string& label, bool whole = true) {
    SCOPED_TRACE(label);
    std::map<std::string, int> live, pending;
    long long highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             folders_.root().dir() / "Kmar" / "Vri" / "R00" / "00001")) {
      if (entry.path().filename().string().rfind("L5", 0) != 0) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(bytes.size() % kDocumentRecordLength, 0u) << "torn record";
      std::vector<std::string> records;
      for (std::size_t at = 0; at + kDocumentRecordLength <= bytes.size(); at += kDocumentRecordLength)
        records.push_back(bytes.substr(at, kDocumentRecordLength));
      // Live items by the parent they name, in record order.
      std::map<std::string, std::vector<std::size_t>> children;
      for (std::size_t c = 0; c < records.size(); ++c)
        if (records[c][0] == kItemRecordType && records[c].back() != kFreeRecordMark)
          children[FieldOf(records[c], kItemWidths, kItemParent)].push_back(c);
      for (std::size_t r = 0; r < records.size(); ++r) {
        const std::string& p = records[r];
        if (p[0] != kParentRecordType) continue;
        highest = std::max(highest, std::stoll("0" + FieldOf(p, kParentWidths, kParentDocNumber)));
        if (p.back() == kFreeRecordMark) continue;
        const std::string customer = FieldOf(p, kParentWidths, kParentCustomer);
        ++live[customer];
        if (!whole) continue;
        std::vector<std::string> codes;
        int last = -1;
        for (std::size_t c : children[std::to_string(r)]) {
          codes.push_back(FieldOf(records[c], kItemWidths, kItemCode));
          last = (int)c;
        }
        EXPECT_EQ(codes, book_.codes[customer]) << "quote of " << customer << " not whole";
        EXPECT_EQ(FieldOf(p, kParentWidths, kParentLastItem), std::to_string(last)) << customer;
      }
    }
    // The counter is at or above every number drawn.
    std::string counter = ReadFileBytes(folders_.ProductFile("F34.DAT"));
    long long stored = 0;
    for (std::size_t at = 0; at + kCounterRecordLength <= counter.size(); at += kCounterRecordLength)
      stored = std::max(stored, std::stoll("0" + FieldOf(counter.substr(at, kCounterRecordLength),
                                                         kCounterWidths, kCounterNumberField)));
    EXPECT_GE(stored, highest);
    // Pending orders: their lines exactly as read, their items with them.
    const std::string items = ReadFileBytes(folders_.ExchangeFile("Itens.txt"));
    int pending_orders = 0;
    for (const std::string& h : FileLines(folders_.ExchangeFile("Cabecalho.txt"))) {
      EXPECT_NE(std::find(book_.headers.begin(), book_.headers.end(), h), book_.headers.end()) << h;
      ++pending[h.substr(45, 5)];
      ++pending_orders;
      for (const std::string& i : book_.items)
        if (i.compare(0, 24, h, 0, 24) == 0) {
          EXPECT_NE(items.find(i + "\r\n"), std::string::npos) << i;
        }
    }
    for (const auto& [customer, count] : book_.expected) {
      EXPECT_LE(live[customer], count) << customer << " imported twice";
      EXPECT_GE(live[customer] + pending[customer], count) << customer << " lost";
    }
    for (const auto& [customer, count] : live) EXPECT_TRUE(book_.expected.count(customer)) << customer;
    live_ = live;
    return pending_orders;
  }

  int Live(const std::string& customer) {
    int n = 0;
    for (const SavedQuote& q : Quotes())
      if (q.parent.back() != kFreeRecordMark && ParentField(q, kParentCustomer) == customer) ++n;
    return n;
  }

  // After any run, a clean import brings every order in exactly once.
  void ImportTheRestAndCheck(const std::string& label) {
    messages_.Clear();
    int result = Import();
    if (FileExistsNative(folders_.ExchangeFile("Cabecalho.txt"))) {
      EXPECT_EQ(result, 1) << label;
    }
    EXPECT_EQ(CheckOrders(label + ", then a clean run"), 0);
    for (const auto& [customer, count] : book_.expected) EXPECT_EQ(live_[customer], count) << label;
    EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Cabecalho.txt"))) << label;
    for (const auto& entry : std::filesystem::directory_iterator(folders_.root().dir() / "Palm"))
      EXPECT_NE(entry.path().extension(), ".tmp") << label << " " << entry.path();
  }

  void Reset() {
    std::filesystem::remove_all(folders_.root().dir() / "Kmar" / "Vri" / "R00" / "00001");
    std::filesystem::create_directories(folders_.root().dir() / "Kmar" / "Vri" / "R00" / "00001");
    std::filesystem::remove(folders_.root().dir() / "Kmar" / "Vri" / "F34.DAT");
    SetUp();
  }

  OrderBook book_;
  std::map<std::string, int> live_;  // live quotes per customer, as last checked
};

TEST_F(PalmImportSafety, ACleanRunImportsEveryOrderOnce) {
  ASSERT_EQ(Import(), 1);
  int quotes = 0;
  for (const auto& [customer, count] : book_.expected) quotes += count;
  EXPECT_EQ(quotes_, quotes);
  EXPECT_EQ(messages_.messages().back(), Done(quotes));
  EXPECT_EQ(CheckOrders("clean"), 0);
  EXPECT_FALSE(FileExistsNative(folders_.CompanyFile(kJournalFile)));  // forgotten once set aside
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.bak")), Join(book_.headers));
}

// Every kind of file operation fails in turn at calls spread over the whole
// import, once, from then on, or with a second kind failing after it (a
// failed undo, a full disk). After each run the two states hold, the user
// was told of every order left pending, no handle stays open, and a clean
// run then imports the rest exactly once.
TEST_F(PalmImportSafety, EveryFailingOperationLeavesOrdersImportedOrPending) {
  struct Kind {
    FaultOp op;
    const char* name;
    bool persistent;
    FaultOp second;  // fails from its first call on after the first fault; kOpen: none
  } kinds[] = {
      {FaultOp::kOpen, "open", false, FaultOp::kOpen},
      {FaultOp::kRead, "read", false, FaultOp::kOpen},
      {FaultOp::kWrite, "write", false, FaultOp::kOpen},
      {FaultOp::kWrite, "full disk", true, FaultOp::kOpen},  // FillDisk
      {FaultOp::kSync, "sync", false, FaultOp::kOpen},
      {FaultOp::kClose, "close", false, FaultOp::kOpen},
      {FaultOp::kRename, "rename", false, FaultOp::kOpen},
      {FaultOp::kRemove, "delete", false, FaultOp::kOpen},
      {FaultOp::kWrite, "write, then truncate", false, FaultOp::kTruncate},
      {FaultOp::kWrite, "write, then read", false, FaultOp::kRead},
      {FaultOp::kWrite, "write, then write", false, FaultOp::kWrite},
      {FaultOp::kClose, "close, then write", false, FaultOp::kWrite},
  };
  std::vector<FaultPlan> plans;
  for (const Kind& kind : kinds)
    plans.push_back({.op = kind.op, .full_disk = kind.persistent, .short_writes = true,
                     .also_at = kind.second != FaultOp::kOpen, .also_op = kind.second,
                     .spread = {kFaultsPerKind, 4}, .name = kind.name});
  int pending_runs = 0;
  const FaultCounts counts =
      FaultSweep(plans, [&] { Reset(); }, [&] { return Import(); }, [&](const FaultRun& run) {
        if (CheckOrders(run.Label()) > 0) {
          ++pending_runs;
          bool told = false;
          for (const RecordedMessage& m : run.messages) told |= m.icon != PlatIcon::kInformation;
          EXPECT_TRUE(told);
        }
        ImportTheRestAndCheck(run.Label());
      });
  EXPECT_EQ(counts.fired, counts.runs);  // every planned fault fired
  EXPECT_GT(pending_runs, counts.runs / 3);
}

#ifndef _WIN32
// The import killed at the k-th file operation (a child process ends itself
// there), then the next import: the two states hold after the kill, and the
// next run finishes the rest exactly once.
TEST_F(PalmImportSafety, AKillAtAnyInstantThenTheNextRun) {
  const CrashCounts counts = CrashSweep(
      {kFaultsPerKind * 4, 8}, [&] { Reset(); }, [&] { Import(); },
      [&](long long k, bool) {
        const std::string label = "killed at operation " + std::to_string(k);
        CheckOrders(label, false);
        ImportTheRestAndCheck(label);
      });
  EXPECT_GT(counts.calls, 100);
  EXPECT_GT(counts.ended, kFaultsPerKind * 3);
}

// Two imports of one company started together: one imports, the other
// waits for the lock and then finds the orders gone or imports nothing twice.
TEST_F(PalmImportSafety, TwoImportsAtOnce) {
  EXPECT_EQ(RunAtOnce(2, [&] {
              Import();
              return 1;
            }),
            2);
  EXPECT_EQ(CheckOrders("two at once"), 0);
}
#endif

// The handheld's side adds an order to Cabecalho.txt while the import runs:
// the file is not set aside (the new line would be lost with it), and the
// next import takes the new order alone.
TEST_F(PalmImportSafety, AnOrderAddedDuringTheImportIsKept) {
  static std::string path, line;
  static bool added;
  path = PlatNativePath(folders_.ExchangeFile("Cabecalho.txt"));
  const std::string extra = Header(book_.headers[0].substr(0, 24), 0, "C9999", 1, ' ', "000000000");
  line = extra + "\r\n";
  added = false;
  book_.expected["C9999"] = 1;
  book_.codes["C9999"] = book_.codes["C0000"];
  book_.headers.push_back(extra);
  const PlatformOps saved = Platform();
  PlatformOps ops = saved;
  ops.sync_file = [](PlatHandle) {
    if (!added) std::ofstream(path, std::ios::app | std::ios::binary) << line;
    added = true;
    return 1;
  };
  SetPlatform(ops);
  EXPECT_EQ(Import(), 1);
  SetPlatform(saved);
  EXPECT_TRUE(added);
  std::string warning = kPalmSetAsideFormat;
  warning.replace(warning.find("%s"), 2, folders_.ExchangeFile("Cabecalho.txt"));
  EXPECT_NE(std::find(messages_.messages().begin(), messages_.messages().end(),
                      RecordedMessage{PlatIcon::kWarning, "Importar", warning}),
            messages_.messages().end());
  EXPECT_EQ(Live("C9999"), 0);
  ImportTheRestAndCheck("an order added during the import");
}

// A second import while the first holds the lock waits about a second (21
// probes, 20 pauses) and stops touching nothing.
TEST_F(PalmImportSafety, ABusyLockStopsTheSecondImport) {
  PlatHandle held = PlatLockFile(folders_.CompanyFile(kPalmLockFile));
  ASSERT_NE(held, kNoHandle);
  static int sleeps = 0;
  sleeps = 0;
  const PlatformOps saved = Platform();
  PlatformOps ops = saved;
  ops.sleep_ms = [](int) { ++sleeps; };
  SetPlatform(ops);
  int result = Import();
  SetPlatform(saved);
  PlatUnlockFile(held);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(messages_.messages(),
            (std::vector<RecordedMessage>{{PlatIcon::kWarning, "Importar", kPalmBusyText}}));
  EXPECT_EQ(sleeps, 20);
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt")), Join(book_.headers));
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Cabecalho.bak")));
  EXPECT_TRUE(Quotes().empty());
}

// A master that is there but cannot be read (here a folder of its name)
// stops the import before any quote, naming the file; the orders stay.
TEST_F(PalmImportSafety, AnUnreadableMasterStopsTheImport) {
  struct Row {
    std::string file;  // made a folder
    std::string shown;
  } rows[] = {
      {folders_.CompanyFile("F15R1.DAT"), "R00\\00001\\F15R1.DAT"},
      {folders_.ProductFile("F00R0.DAT"), "F00R0.DAT"},
  };
  for (const Row& row : rows) {
    std::filesystem::path native = PlatNativePath(row.file);
    std::filesystem::remove(native);
    std::filesystem::create_directories(native);
    messages_.Clear();
    EXPECT_EQ(Import(), 0);
    EXPECT_EQ(messages_.messages(),
              (std::vector<RecordedMessage>{
                  {PlatIcon::kError, "Importar", "Erro ao ler o arquivo " + row.shown + "."}}));
    EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt")), Join(book_.headers));
    EXPECT_TRUE(Quotes().empty());
    std::filesystem::remove_all(native);
  }
  // No company loaded at all: the same, rather than every item refused.
  Company().company_code.clear();
  messages_.Clear();
  EXPECT_EQ(Import(), 0);
  EXPECT_EQ(messages_.messages(),
            (std::vector<RecordedMessage>{{PlatIcon::kError, "Importar", kPalmNoCompanyText}}));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt")), Join(book_.headers));
}

// ---------------------------------------------------------------------------
// The outcome, the refused items' places, the dated copies and the rehearsal.

// Each refused item names its order, its line in Itens.txt and its product
// in the detail and the outcome; the box stays the item check's.
TEST_F(PalmImportTest, RefusedItemsNameTheirPlace) {
  WriteOrders({Header("PED A", 0, "C", 1, ' ', "000000000")},
              {Item("PED A", "P1", "00001000", "00001000"), Item("PED A", "NAOEXISTE", "00001000", "00001000"),
               Item("PED A", "P2", "00000000", "00001000"), Item("pEd a", "", "00001000", "00001000")});
  PalmImportOutcome outcome;
  ASSERT_EQ(PalmImport(form_, folders_.Exchange(), 1, kToday, outcome), 1);
  const std::string details[] = {
      "pedido PED A, item 2 de Itens.txt, produto NAOEXISTE: produto não encontrado no cadastro " +
          PlatShownPath("R00\\00001\\F15R1.DAT"),
      "pedido PED A, item 3 de Itens.txt, produto P2",
      "pedido PED A, item 4 de Itens.txt, sem código de produto"};
  ASSERT_EQ(messages_.messages().size(), std::size(details) + 1);
  EXPECT_EQ(messages_.messages()[0], kNoDescription);
  for (std::size_t i = 0; i < std::size(details); ++i)
    EXPECT_EQ(messages_.messages()[i].detail, details[i]);
  EXPECT_EQ(outcome.refusals, (std::vector<PalmOrderPlace>{
                                  {"PED A", 2, "NAOEXISTE"}, {"PED A", 3, "P2"}, {"PED A", 4, ""}}));
  EXPECT_EQ(outcome.refused, 3);
  EXPECT_EQ(outcome.quotes, 1);
  EXPECT_EQ(outcome.net_totals, std::vector<double>{3});  // refused items count in the total
}

// Orders SaveDoc refused stay pending and are counted; order files gone
// while the import waited are nothing to do where the caller asks so.
TEST_F(PalmImportTest, OutcomeCountsPendingOrdersAndFilesTakenMeanwhile) {
  std::filesystem::create_directories(folders_.root().dir() / "Kmar" / "Vri" / "F34.DAT");
  WriteOrders({Header("A", 0, "C", 1, ' ', "000000000"), Header("B", 0, "C", 1, ' ', "000000000")},
              {Item("A", "P1", "00001000", "00001000"), Item("B", "P1", "00001000", "00001000")});
  PalmImportOutcome outcome;
  EXPECT_EQ(PalmImport(form_, folders_.Exchange(), 1, kToday, outcome), 1);
  EXPECT_EQ(outcome.orders, 2);
  EXPECT_EQ(outcome.pending, 2);
  EXPECT_EQ(outcome.quotes, 0);
  for (const char* name : {"Cabecalho.txt", "Itens.txt"})
    std::filesystem::remove(PlatNativePath(folders_.ExchangeFile(name)));
  messages_.Clear();
  outcome.taken_is_nothing = 1;
  EXPECT_EQ(PalmImport(form_, folders_.Exchange(), 1, kToday, outcome), 1);
  EXPECT_EQ(outcome.nothing, 1);
  EXPECT_TRUE(messages_.messages().empty());
}

// Each order file set aside is kept under a dated name, never over an older
// copy; a copy that cannot be kept leaves the file for the next import,
// which imports nothing twice.
TEST_F(PalmImportTest, OrderFilesAreKeptUnderDatedNames) {
  const PlatformOps saved = Platform();
  PlatformOps ops = saved;
  ops.local_time = [](PlatLocalTime& t) { t = PlatLocalTime{2026, 8, 12, 9, 5, 7, 3}; };
  SetPlatform(ops);
  const std::string kept = folders_.ExchangeFile("Vri-importados\\");
  std::vector<std::string> runs;
  for (const char* copy : {"", "-2"}) {
    const std::string key = std::string("K") + copy;
    WriteOrders({Header(key, 0, "C", 1, ' ', "000000000")}, {Item(key, "P1", "00001000", "00001000")});
    WriteFileBytes(folders_.ExchangeFile("Positivacao.txt"), copy + std::string("pos\r\n"));
    runs.push_back(ReadFileBytes(folders_.ExchangeFile("Cabecalho.txt")));
    EXPECT_EQ(Import(), 1);
    EXPECT_EQ(ReadFileBytes(kept + "Positivacao-20260812-090507" + copy + ".txt"), copy + std::string("pos\r\n"));
  }
  EXPECT_EQ(ReadFileBytes(kept + "Cabecalho-20260812-090507.txt"), runs[0]);
  EXPECT_EQ(ReadFileBytes(kept + "Cabecalho-20260812-090507-2.txt"), runs[1]);
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cabecalho.bak")), runs[1]);
  // The kept folder cannot be made: the files stay, the quote is kept.
  std::filesystem::remove_all(PlatNativePath(kept));
  WriteFileBytes(folders_.ExchangeFile("Vri-importados"), "");
  WriteOrders({Header("Z", 0, "C", 1, ' ', "000000000")}, {Item("Z", "P1", "00001000", "00001000")});
  messages_.Clear();
  EXPECT_EQ(Import(), 1);
  EXPECT_EQ(messages_.messages().front().icon, PlatIcon::kWarning);
  EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile("Cabecalho.txt")));
  std::filesystem::remove(PlatNativePath(folders_.ExchangeFile("Vri-importados")));
  EXPECT_EQ(Import(), 1);
  EXPECT_EQ(quotes_, 0);
  EXPECT_EQ(Quotes().size(), 3u);
  EXPECT_FALSE(FileExistsNative(folders_.ExchangeFile("Cabecalho.txt")));
  SetPlatform(saved);
}

// The rehearsal agrees with the import over the import's own folders: the
// same quotes with the same net totals, the same refused items with the same
// messages; and it leaves every file as it was, to its time.
TEST_F(PalmImportTest, TheRehearsalAgreesWithTheImportAndWritesNothing) {
  const OrderBook book = MakeOrders(60);
  const struct {
    const char* name;
    std::vector<std::string> headers, items;
  } rows[] = {
      {"interleaved, case", {Header("K1", 0, "C", 1, ' ', "000000000"), Header("k2", 1, "C", 7, ' ', "000000000")},
       {Item("K1", "P1", "00001000", "00010000"), Item("K2", "P2", "00002000", "00005000"),
        Item("K1", "p3", "00003000", "00001000"), Item("NENHUM", "P1", "00001000", "00010000")}},
      {"discounts", {Header("D1", 0, "C", 7, 'A', "000010000"), Header("D2", 1, "C", 7, 'P', "000010000")},
       {Item("D1", "P1", "00020000", "00010000"), Item("D2", "P1", "00020000", "00010000")}},
      {"refusals", {Header("R1", 0, "C", 1, ' ', "000000000"), Header("R2", 0, "C", 1, ' ', "000000000"),
                    Header("R3", 0, "C", 1, ' ', "000000000")},
       {Item("R1", "P3", "00001000", "00001000"), Item("R1", "NAOEXISTE", "00001000", "00001000"),
        Item("R2", "P4", "00001000", "00001000"), Item("R1", "P1", "00001000", "00000000")}},
      {"no orders", {}, {Item("X", "P1", "00001000", "00001000")}},
      {"many orders", book.headers, book.items},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteOrders(row.headers, row.items);
    const auto before = FileTree(folders_.root().dir());
    messages_.Clear();
    PalmImportOutcome check, import;
    check.rehearse = 1;
    ASSERT_EQ(PalmImport(form_, folders_.Exchange(), 1, kToday, check), 1);
    EXPECT_EQ(FileTree(folders_.root().dir()), before);
    std::vector<RecordedMessage> rehearsed = messages_.messages();
    char done[128];
    std::snprintf(done, sizeof done, kPalmCheckDoneFormat, check.quotes, check.refused);
    EXPECT_EQ(rehearsed.back(), (RecordedMessage{PlatIcon::kInformation, "Importar", done}));
    const std::size_t quotes_before = Quotes().size();
    messages_.Clear();
    ASSERT_EQ(PalmImport(form_, folders_.Exchange(), 1, kToday, import), 1);
    EXPECT_EQ(check.orders, import.orders);
    EXPECT_EQ(check.quotes, import.quotes);
    EXPECT_EQ(check.net_totals, import.net_totals);
    EXPECT_EQ(check.refused, import.refused);
    EXPECT_EQ(check.refusals, import.refusals);
    rehearsed.pop_back();
    std::vector<RecordedMessage> imported = messages_.messages();
    imported.pop_back();
    EXPECT_EQ(rehearsed, imported);
    std::vector<SavedQuote> quotes = Quotes();
    ASSERT_EQ(quotes.size(), quotes_before + (std::size_t)import.quotes);
    std::string total;
    for (std::size_t i = 0; i < check.net_totals.size(); ++i)
      EXPECT_EQ(ParentField(quotes[quotes_before + i], kParentTotal), FormatNum(check.net_totals[i], total, 2));
  }
}

}  // namespace
