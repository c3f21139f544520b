#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "documents/doc_store.h"
#include "documents/document_layout.h"
#include "documents/item_check.h"
#include "records/counters.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/documents_test_support.h"
#include "tests/unit/lock_holder.h"

namespace {

const char kDocFile[] = "R00\\00001\\L50A2026.DAT";
const DateRec kIssue{2026, 7, 3};  // 07/03/2026
const RecordedMessage kSavePaiError{PlatIcon::kError, "SavePai", "Erro ao atualizar o registro pai."};

// Counts the opens of files whose name holds `needle`.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& needle) : saved_(Platform()) {
    inner_ = saved_;
    needle_ = needle;
    count_ = 0;
    PlatformOps ops = saved_;
    ops.open_file = [](const std::string& path, PlatOpenMode mode) {
      if (path.find(needle_) != std::string::npos) ++count_;
      return inner_.open_file(path, mode);
    };
    SetPlatform(ops);
  }
  ~OpenCounter() { SetPlatform(saved_); }
  int count() const { return count_; }

 private:
  PlatformOps saved_;
  static inline PlatformOps inner_{};
  static inline std::string needle_;
  static inline int count_ = 0;
};

struct ItemSpec {
  const char* code;
  const char* quantity;
  const char* price;
  const char* record;
  const char* cfop = "";
};

// A quote as the Palm import leaves it for SaveDoc: items accepted by the
// item check, then slots 100..199 emptied and the header slots set.
DocumentForm Quote(const std::vector<ItemSpec>& items, const std::string& title = "0 - À Vista") {
  DocumentForm form;
  for (const ItemSpec& i : items) {
    SetSlot(form, kSlotCode, i.code);
    SetSlot(form, kSlotDescription, "Produto");
    SetSlot(form, kSlotQuantity, i.quantity);
    SetSlot(form, kSlotUnitPrice, i.price);
    SetSlot(form, kSlotProductRecord, i.record);
    SetSlot(form, kSlotItemCfop, i.cfop);
    EXPECT_EQ(CheckItem(form), 1) << i.code;
  }
  ClearSlots(form, kSlotFirst, kSlotLast);
  form.title = title;
  return form;
}

int Save(DocumentForm& form, long& number, const std::string& customer = "C001", int flag = 0,
         const DateRec& second = DateRec{}) {
  SaveDocRequest request;
  request.issue_date = kIssue;
  request.second_date = second;
  request.customer_code = customer;
  request.seller_code = "V01";
  request.flag = flag;
  return SaveDoc(form, request, number);
}

std::vector<std::string> Records(const std::string& bytes) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + kDocumentRecordLength <= bytes.size(); at += kDocumentRecordLength)
    out.push_back(bytes.substr(at, kDocumentRecordLength));
  return out;
}

std::string Parent(const std::string& record, int field) { return FieldOf(record, kParentWidths, field); }
std::string Item(const std::string& record, int field) { return FieldOf(record, kItemWidths, field); }

// The quote's configuration without the price floor, and three products:
// P0 with every tax code and rate, P1 with none, P2 with purchase codes.
void Stock(DocumentWorld& world) {
  world.WriteQuoteConfig("0");
  world.WriteProducts({
      {"P0", "Produto zero", "10,00", "0", "1,65", "7,6", "2", "0", "1"},
      {"P1", "Produto um", "5,00", "0", "", "", "", "", ""},
      {"P2", "Produto dois", "5,00", "0", "0", "0", "53", "7", "60"},
  });
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { Stock(world_); }
  DocumentWorld world_;
};

TEST_F(StoreTest, SavesParentItemsAndRemarkFieldByField) {
  DocumentForm form = Quote({{"P0", "2", "10", "0"}, {"P1", "1,5", "3,333", "1"}}, "1 - À Prazo");
  SetSlot(form, kSlotDocTotal, "24,99");
  SetSlot(form, kSlotConditionCode, "007");
  SetSlot(form, kSlotCashCode, "001");  // not written for instalments without an amount
  SetSlot(form, kSlotRemark, "Entregar cedo   ");
  MessageRecorder messages;
  long number = -5;
  ASSERT_EQ(Save(form, number), 0);
  EXPECT_EQ(number, 1);
  EXPECT_TRUE(messages.messages().empty());
  const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
  ASSERT_EQ(records.size(), 4u);
  const std::string& p = records[0];
  const std::pair<int, std::string> parent_fields[] = {
      {0, "0"},  {1, "0"},   {2, "0"},      {3, "1"},   {4, "07/03/2026"}, {5, "C001"},
      {6, ""},   {9, "1"},   {10, ""},      {11, ""},   {12, ""},          {13, ""},
      {14, "0"}, {15, "1"},  {16, "0"},     {17, ""},   {18, "24,99"},     {19, ""},
      {20, "0"}, {22, "V01"}, {24, ""},     {25, "007"}, {26, ""},         {30, ""},
      {31, "2"}, {32, "3"},  {33, ""},      {51, ""},   {52, ""},
  };
  for (const auto& [field, value] : parent_fields) EXPECT_EQ(Parent(p, field), value) << field;
  EXPECT_EQ(p.substr(42, 20), "1                   ");  // number over fields 9 and 10

  // IPI CST 2 -> 52 on a sale, PIS 0 -> 49, COFINS 1 -> 01; rates trimmed
  EXPECT_EQ(records[1], MakeRecord(kItemWidths, {{0, "1"}, {1, "0"}, {3, "P0"}, {5, "0"},
                                                 {7, "52"}, {8, "49"}, {9, "01"},
                                                 {10, "2,000"}, {11, "20,00"},
                                                 {12, "0,00"}, {13, "0,00"}, {14, "0,00"}, {15, "0,00"},
                                                 {16, "0,00"}, {17, "0,00"}, {18, "0,00"},
                                                 {19, "0,00"}, {20, "0,00"}, {21, "0,00"},
                                                 {22, "0,00"}, {23, "0,00"}, {24, "0,00"},
                                                 {25, "1,65"}, {26, "20,00"}, {27, "7,60"}, {28, "20,00"}}));
  // gross 1,5 x 3,333 = 4,9995 printed straight from the product; empty codes stay empty
  const std::pair<int, std::string> second_item[] = {
      {kItemGross, "5,00"},   {kItemQuantity, "1,500"}, {kItemIpiCst, ""},
      {kItemPisRate, "0,00"}, {kItemPisBase, "0,00"},   {kItemCofinsBase, "0,00"},
  };
  for (const auto& [field, value] : second_item) EXPECT_EQ(Item(records[2], field), value) << field;
  EXPECT_EQ(records[3], Rec("20         Entregar cedo", 400));

  EXPECT_EQ(ReadFileBytes(kCounterFile), "00001     54101     1         ");
}

// A parent of the document file holding document number `number`.
std::string NumberedParent(const std::string& kind_letter, const std::string& direction,
                           const std::string& number, char status = ' ') {
  return MakeRecord(kParentWidths,
                    {{kParentType, "0"}, {kParentKindLetter, kind_letter},
                     {kParentDirection, direction}, {kParentDocNumber, number}},
                    status);
}

// Two quotes saved in one run (an import): their numbers come from the
// counter, and never repeat one that a live quote of the file has.
TEST_F(StoreTest, NumbersFollowTheCounterOfTheKey) {
  const std::string other_key = "00002     54101     77        ";
  const std::string quotes_to_57 =
      NumberedParent("0", "1", "12") + NumberedParent("0", "1", "57") + Rec("19         57", 400);
  // numbers that are not of a live quote of this kind and direction
  const std::string not_quotes = NumberedParent("0", "1", "90", '+') +
                                 NumberedParent("B", "1", "95") + NumberedParent("0", "0", "96") +
                                 Rec("1         99", 400);
  const struct {
    const char* label;
    std::string counter;    // F34.DAT
    std::string documents;  // the document file before
    bool spoilt_again;      // the counter is as before again for the second quote
    long first, second;
    bool warned;            // one warning for the run
  } cases[] = {
      {"counter_ahead_of_the_file", "00001     54101     41        ", quotes_to_57.substr(0, 400),
       false, 42, 43, false},
      {"counter_of_non_digits", "00001     54101     abc       ", quotes_to_57, false, 58, 59,
       true},
      {"counter_behind_the_file", "00001     54101     41        ", quotes_to_57 + not_quotes,
       false, 58, 59, true},
      // once per run, and the second quote still goes past the first
      {"counter_spoilt_again_in_the_run", "00001     54101     abc       ", quotes_to_57, true, 58,
       59, true},
      {"missing_key_no_document", other_key, not_quotes, false, 1, 2, false},
      {"non_digits_no_document", "00001     54101     abc       ", not_quotes, false, 1, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFileBytes(kCounterFile, c.counter);
    WriteFileBytes(kDocFile, c.documents);
    MessageRecorder messages;
    DocNumbering run;
    long numbers[2] = {0, 0};
    for (long& number : numbers) {
      if (&number == &numbers[1] && c.spoilt_again) WriteFileBytes(kCounterFile, c.counter);
      DocumentForm form = Quote({{"P1", "1", "1", "1"}});
      SaveDocRequest request;
      request.issue_date = kIssue;
      request.customer_code = "C";
      request.numbering = &run;
      ASSERT_GE(SaveDoc(form, request, number), 0);
    }
    EXPECT_EQ(numbers[0], c.first);
    EXPECT_EQ(numbers[1], c.second);
    std::vector<RecordedMessage> expected;
    if (c.warned)
      expected.push_back({PlatIcon::kWarning, "GetCodeCad2",
                          "O contador 00001 54101 do arquivo F34.DAT não é um número ou está "
                          "abaixo do maior número já usado; a numeração continua em " +
                              std::to_string(c.first) + "."});
    EXPECT_EQ(messages.messages(), expected);
    std::vector<std::string> saved;  // the numbers of the two quotes' parents
    for (const std::string& r : Records(ReadFileBytes(kDocFile)))
      if (r[0] == '0' && r.back() != '+' && Parent(r, kParentCustomer) == "C")
        saved.push_back(Parent(r, kParentDocNumber));
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, (std::vector<std::string>{std::to_string(c.first), std::to_string(c.second)}));
  }
}

TEST_F(StoreTest, PurchaseUsesTheSecondDatesYearAndItsKindLetter) {
  Company().job_mode = 550;  // the larger product's purchase orders: kind 0, direction 0
  DocumentForm form = Quote({{"P2", "1", "1", "2"}});
  long number = 0;
  ASSERT_EQ(Save(form, number, "F9", 0, DateRec{2025, 1, 2}), 0);
  const std::vector<std::string> records = Records(ReadFileBytes("R00\\00001\\L54A2025.DAT"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Parent(records[0], kParentKindLetter), "B");
  EXPECT_EQ(Parent(records[0], kParentDirection), "0");
  EXPECT_EQ(Parent(records[0], kParentSecondDate), "01/02/2025");
  // purchase codes: IPI 53 -> 03, PIS 7 -> 98, COFINS 60 -> 60
  EXPECT_EQ(Item(records[1], kItemIpiCst), "03");
  EXPECT_EQ(Item(records[1], kItemPisCst), "98");
  EXPECT_EQ(Item(records[1], kItemCofinsCst), "60");
  EXPECT_EQ(ReadFileBytes(kCounterFile), "00001     54000     1         ");
}

TEST(DocumentsStore, TaxCodesAreMappedByDirection) {
  const struct {
    const char* code;
    int direction;
    int taxed;
    const char* ipi;
    const char* pis;
  } cases[] = {
      {"", 1, 1, "", ""},        // an empty code stays empty
      {"2", 1, 1, "52", "02"},   // sale: IPI below 50 moves up
      {"50", 1, 1, "50", "49"},
      {"99", 1, 1, "99", "49"},
      {"0", 1, 1, "50", "49"},   // sale PIS 0 -> 49
      {"0", 1, 0, "50", ""},     // ... or nothing when not taxed
      {"3", 1, 0, "53", ""},
      {"4", 1, 0, "54", "04"},
      {"49", 1, 1, "99", "49"},
      {"53", 0, 1, "03", "53"},  // purchase: IPI above 49 moves down
      {"1", 0, 1, "01", "50"},   // purchase PIS 1 -> 50
      {"3", 0, 1, "03", "50"},
      {"7", 0, 1, "07", "98"},   // 4..49 -> 98
      {"49", 0, 1, "49", "98"},
      {"1", 0, 0, "01", ""},
      {"70", 0, 0, "20", "70"},
      {"150", 1, 1, "15", "49"},  // cut to two characters
  };
  for (const auto& c : cases) {
    std::string out = "x";
    EXPECT_EQ(MapIpiCst(c.code, c.direction, out), c.ipi) << c.code << " " << c.direction;
    EXPECT_EQ(MapPisCofinsCst(c.code, c.direction, c.taxed, out), c.pis)
        << c.code << " " << c.direction << " " << c.taxed;
  }
}

TEST_F(StoreTest, OperationCodeIsLookedUpOnlyWhenItChanges) {
  world_.WriteCfops({{"5102", "0"}, {"5405", ""}, {"6102", "1"}});
  DocumentForm form = Quote({{"P0", "1", "1", "0", "5102"},
                             {"P0", "1", "1", "0", "5102"},   // same: no search, still untaxed
                             {"P0", "1", "1", "0", "6999"},   // missing: taxed
                             {"P0", "1", "1", "0", "5405"},   // empty field: taxed
                             {"P0", "1", "1", "0", "5102"}});
  long number = 0;
  int parent;
  {
    OpenCounter opens("F25R0");
    parent = Save(form, number);
    EXPECT_EQ(opens.count(), 4);  // one search for each change
  }
  ASSERT_EQ(parent, 0);
  const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
  ASSERT_EQ(records.size(), 6u);
  const char* pis_cst[] = {"", "", "49", "49", ""};
  const char* pis_rate[] = {"0,00", "0,00", "1,65", "1,65", "0,00"};
  const char* pis_base[] = {"0,00", "0,00", "1,00", "1,00", "0,00"};
  for (int i = 0; i < 5; ++i) {
    const std::string& r = records[(std::size_t)i + 1];
    EXPECT_EQ(Item(r, kItemPisCst), pis_cst[i]) << i;
    EXPECT_EQ(Item(r, kItemCofinsCst), pis_cst[i][0] ? "01" : "") << i;  // 1 is dropped untaxed
    EXPECT_EQ(Item(r, kItemPisRate), pis_rate[i]) << i;
    EXPECT_EQ(Item(r, kItemPisBase), pis_base[i]) << i;
    EXPECT_EQ(Item(r, kItemIpiCst), "52") << i;
  }
}

TEST_F(StoreTest, DocumentWithoutItemsOrRemarkIsItsParentAlone) {
  const struct {
    const char* label;
    const char* remark;
    std::size_t records;
    const char* remark_link;
  } cases[] = {
      {"no_remark", "", 1, ""},
      {"remark_of_blanks", "     ", 1, ""},
      {"remark_of_control_characters", "\t\r\n ", 1, ""},
      {"remark_only", " x", 2, "1"},
  };
  for (const auto& c : cases) {
    PlatRemove(kDocFile);
    DocumentForm form = Quote({});
    SetSlot(form, kSlotRemark, c.remark);
    long number = 0;
    ASSERT_EQ(Save(form, number), 0) << c.label;
    const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
    ASSERT_EQ(records.size(), c.records) << c.label;
    EXPECT_EQ(records[0].substr(160, 10), std::string(10, ' ')) << c.label;
    EXPECT_EQ(Parent(records[0], kParentRemark), c.remark_link) << c.label;
    if (c.records == 2) {
      EXPECT_EQ(records[1], Rec("20          x", 400)) << c.label;
    }
  }
}

TEST_F(StoreTest, ControlCharactersAndCallerValuesAreWrittenSafely) {
  const struct {
    const char* label;
    std::string customer;
    int flag;
    int field;
    std::string expected;
  } cases[] = {
      {"tab_in_customer", "C\t01", 0, kParentCustomer, "C 01"},
      {"nul_in_customer", std::string("C\0" "1", 3), 0, kParentCustomer, "C 1"},
      {"long_customer_cut", "ABCDEFGHIJKLMNO", 0, kParentCustomer, "ABCDEFGHIJ"},
      {"flag_2", "C", 2, kParentFlag, "2"},
      {"flag_1", "C", 1, kParentFlag, "1"},
      {"flag_3_is_0", "C", 3, kParentFlag, "0"},
      {"flag_minus_1_is_0", "C", -1, kParentFlag, "0"},
  };
  for (const auto& c : cases) {
    PlatRemove(kDocFile);
    DocumentForm form = Quote({});
    SetSlot(form, kSlotRemark, "a\tb");
    long number = 0;
    ASSERT_EQ(Save(form, number, c.customer, c.flag), 0) << c.label;
    const std::string bytes = ReadFileBytes(kDocFile);
    ASSERT_EQ(bytes.size(), 800u) << c.label;
    EXPECT_EQ(Parent(bytes, c.field), c.expected) << c.label;
    EXPECT_EQ(Parent(bytes, kParentCustomer + 1), "") << c.label;  // nothing shifted
    EXPECT_EQ(bytes.substr(400 + 11, 4), "a b ") << c.label;
    for (char ch : bytes) ASSERT_FALSE((unsigned char)ch < 32) << c.label;
  }
}

TEST_F(StoreTest, PaymentCodesFollowThePaymentType) {
  const struct {
    const char* title;
    const char* instalment;
    const char* cash;
    const char* condition;
    const char* amount;
  } cases[] = {
      {"0 - À Vista", "100,00", "001", "", ""},
      {"1 - À Prazo", "", "", "007", ""},
      {"1 - À Prazo", "50,00", "001", "007", "50,00"},  // an instalment amount keeps the cash code
      {"2", "50,00", "", "", ""},
  };
  for (const auto& c : cases) {
    PlatRemove(kDocFile);
    DocumentForm form = Quote({}, c.title);
    SetSlot(form, kSlotInstalmentAmount, c.instalment);
    SetSlot(form, kSlotCashCode, "001");
    SetSlot(form, kSlotConditionCode, "007");
    long number = 0;
    ASSERT_EQ(Save(form, number), 0);
    const std::string p = ReadFileBytes(kDocFile);
    EXPECT_EQ(Parent(p, kParentCashCode), c.cash) << c.title << c.instalment;
    EXPECT_EQ(Parent(p, kParentConditionCode), c.condition) << c.title << c.instalment;
    EXPECT_EQ(Parent(p, kParentInstalmentAmount), c.amount) << c.title << c.instalment;
  }
}

std::string Foreign(const std::string& type, int status = ' ') {
  return Rec(type + "9         foreign", 400, (char)status);
}

TEST_F(StoreTest, FreeRecordsAreReusedFromTheParentOn) {
  // 0 live, 1 free, 2 live, 3 free, 4 live
  const std::string before = Foreign("0") + Foreign("0", '+') + Foreign("1") + Foreign("1", '+') +
                             Foreign("0");
  WriteFileBytes(kDocFile, before);
  DocumentForm form = Quote({{"P0", "1", "1", "0"}, {"P1", "1", "1", "1"}, {"P2", "1", "1", "2"}});
  SetSlot(form, kSlotRemark, "obs");
  long number = 0;
  ASSERT_EQ(Save(form, number), 1);
  const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0], Foreign("0"));
  EXPECT_EQ(records[2], Foreign("1"));
  EXPECT_EQ(records[4], Foreign("0"));
  EXPECT_EQ(Parent(records[1], kParentNumber), "1");
  const int item_records[] = {3, 5, 6};
  for (int r : item_records) {
    EXPECT_EQ(Item(records[(std::size_t)r], kItemType), "1") << r;
    EXPECT_EQ(Item(records[(std::size_t)r], kItemParent), "1") << r;
  }
  EXPECT_EQ(Item(records[3], kItemCode), "P0");
  EXPECT_EQ(Item(records[6], kItemCode), "P2");
  EXPECT_EQ(records[7].substr(0, 14), "21         obs");
  EXPECT_EQ(Parent(records[1], kParentLastItem), "6");
  EXPECT_EQ(Parent(records[1], kParentRemark), "7");
}

TEST_F(StoreTest, SavePaiStoresTheLinkOrReportsWhyNot) {
  const struct {
    const char* label;
    bool file;
    char type;
    int parent, child, mode;
    int result;
    int offset;
    std::string written;
  } cases[] = {
      {"last_item", true, '1', 1, 7, 0, 1, 560, "7         "},
      {"remark", true, '2', 1, 12, 0, 1, 570, "12        "},
      {"child_before_parent_blank", true, '1', 1, 0, 0, 1, 560, "          "},
      {"child_equal_parent_blank", true, '2', 1, 1, 0, 1, 570, "          "},
      {"parent_beyond_end", true, '1', 5, 9, 0, 0, 0, ""},
      {"negative_parent", true, '1', -1, 9, 0, 0, 0, ""},
      {"missing_file", false, '1', 0, 3, 0, 0, 0, ""},
      {"other_mode", true, '1', 1, 7, 1, 0, 0, ""},
  };
  for (const auto& c : cases) {
    const std::string before = std::string(400, 'a') + std::string(400, 'b');
    if (c.file)
      WriteFileBytes(kDocFile, before);
    else
      PlatRemove(kDocFile);
    MessageRecorder messages;
    DocumentForm form;
    EXPECT_EQ(SavePai(form, kDocFile, c.type, c.parent, c.child, c.mode), c.result) << c.label;
    const std::string after = ReadFileBytes(kDocFile);
    if (c.result) {
      EXPECT_TRUE(messages.messages().empty()) << c.label;
      std::string expected = before;
      expected.replace((std::size_t)c.offset, 10, c.written);
      EXPECT_EQ(after, expected) << c.label;
    } else {
      EXPECT_EQ(messages.messages(), std::vector<RecordedMessage>{kSavePaiError}) << c.label;
      EXPECT_EQ(after, c.file ? before : "") << c.label;
    }
  }
}

// A save refused before it writes: no number drawn, no record written.
TEST_F(StoreTest, NothingIsSavedWithoutAFileANumberOrAKey) {
  const RecordedMessage open_error{PlatIcon::kError, "FOpen2", "Erro ao abrir o arquivo."};
  const struct {
    const char* label;
    const char* blocked;  // a file whose name is taken by a folder
    int job_mode;
    RecordedMessage message;
  } cases[] = {
      {"document_file_cannot_be_opened", kDocFile, kModePalm, open_error},
      {"counter_file_cannot_be_written", kCounterFile, kModePalm, open_error},
      // kind 99 outside the Palm job has no numbering key
      {"kind_without_key", nullptr, kModeNone,
       {PlatIcon::kError, "SaveDoc", "Documento sem chave de numeração."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.blocked) std::filesystem::create_directories(PlatNativePath(c.blocked));
    Company().job_mode = c.job_mode;
    MessageRecorder messages;
    DocumentForm form = Quote({{"P0", "1", "1", "0"}});
    long number = 0;
    EXPECT_EQ(Save(form, number), -1);
    EXPECT_EQ(messages.messages(), std::vector<RecordedMessage>{c.message});
    if (c.blocked != kCounterFile) {
      EXPECT_FALSE(FileExistsNative(kCounterFile));
    }
    if (c.blocked != kDocFile) {
      EXPECT_EQ(ReadFileBytes(kDocFile), "");
    }
    if (c.blocked) std::filesystem::remove(PlatNativePath(c.blocked));
  }
}

// ---------------------------------------------------------------------------
// Faults: every file operation of a save fails in turn, once or from then on
// (a full disk: failing writes land half their bytes). A save is whole or
// leaves nothing live: either exactly the bytes of a clean save, or -1 with
// every record it wrote freed and no torn record, and only the documented
// messages.

const std::set<std::pair<std::string, std::string>> kAllowedMessages = {
    {"FOpen2", "Erro ao abrir o arquivo."},
    {"FOpen2", "Erro ao posicionar arquivo (r+t)."},
    {"FOpen2", "Erro ao conferir posições dos registros (at)."},
    {"GetCodeCad2", "Erro ao abrir / posicionar arquivo de contadores."},
    {"GetCodeCad2", "Erro ao gravar arquivo de contadores."},
    {"SaveDoc", "Erro ao gravar o registro do documento."},
    {"SaveDoc", "Erro ao ler o arquivo de produtos."},
    {"SaveDoc", "Erro ao ler o arquivo de documentos."},
    {"SaveDoc",
     "Erro ao desfazer a gravação do documento incompleto; ele será desfeito na próxima importação."},
    {"SavePai", "Erro ao atualizar o registro pai."},
};

const RecordedMessage kUndoError{
    PlatIcon::kError, "SaveDoc",
    "Erro ao desfazer a gravação do documento incompleto; ele será desfeito na próxima importação."};
const char kJournal[] = "C:\\journal.jnl";
const std::string kBefore = Foreign("0") + Foreign("0", '+');

// The live records with their record numbers and links blanked, sorted.
std::vector<std::string> LiveShape(const std::string& bytes) {
  std::vector<std::string> shape;
  for (std::string r : Records(bytes)) {
    if (r.back() == '+') continue;
    r.replace(1, 10, 10, ' ');
    r.replace(160, 20, 20, ' ');
    shape.push_back(r);
  }
  std::sort(shape.begin(), shape.end());
  return shape;
}

// The parent's links name its last item and its remark.
bool LinksHold(const std::string& bytes, int parent) {
  const std::vector<std::string> records = Records(bytes);
  int last_item = -1, remark = -1;
  for (std::size_t r = 0; r < records.size(); ++r) {
    if (records[r].back() == '+' || Item(records[r], kItemParent) != std::to_string(parent)) continue;
    if (records[r][0] == '1') last_item = (int)r;
    if (records[r][0] == '2') remark = (int)r;
  }
  const std::string& p = records[(std::size_t)parent];
  return Parent(p, kParentLastItem) == std::to_string(last_item) &&
         Parent(p, kParentRemark) == std::to_string(remark);
}

TEST(DocumentsStoreFaults, ASaveIsWholeOrLeavesNothingLive) {
  std::optional<DocumentWorld> world;
  auto prep = [&] {
    world.emplace();
    Stock(*world);
    // a live foreign record and a free one, so both the reuse and the append
    // paths are taken
    WriteFileBytes(kDocFile, kBefore);
  };
  int parent = -1;
  auto save = [&](FaultInjector& faults) {
    DocumentForm form = Quote({{"P0", "2", "10", "0"}, {"P1", "1", "3", "1"}, {"P0", "1", "1", "0"}});
    SetSlot(form, kSlotRemark, "obs");
    DocJournal journal;
    long number = 0;
    OpenJournal(journal, kJournal);
    JournalBegin(journal, "pedido");
    SaveDocRequest request;
    request.issue_date = kIssue;
    request.customer_code = "C";
    request.seller_code = "V01";
    request.journal = &journal;
    parent = SaveDoc(form, request, number);
    // The caller marks a whole save so (here with the faults over).
    faults.Disarm();
    if (parent >= 0) {
      EXPECT_TRUE(JournalWhole(journal, "", "pedido"));
    }
    CloseJournal(journal);
    return parent >= 0 ? 1 : 0;
  };
  prep();
  {
    MessageRecorder none;
    FaultInjector clean;
    ASSERT_EQ(save(clean), 1);
    ASSERT_TRUE(none.messages().empty());
  }
  const std::string clean = ReadFileBytes(kDocFile);
  ASSERT_EQ(Records(clean).size(), 6u);  // parent, three items, remark after the two
  // A write failing from then on is a full disk; in the last plan every
  // truncate fails too, so a torn record can only be cut off by the journal.
  std::vector<FaultPlan> plans =
      OnceAndFromThenOn({FaultOp::kOpen, FaultOp::kWrite, FaultOp::kSync, FaultOp::kRead, FaultOp::kClose});
  plans.push_back({.op = FaultOp::kWrite, .also_at = 1, .also_op = FaultOp::kTruncate, .also_persistent = true});
  for (FaultPlan plan : plans) {
    plan.short_writes = true;
    int left_to_journal = 0;
    auto check = [&](const FaultRun& run) {
      const std::string bytes = ReadFileBytes(kDocFile);
      // What the next start does with a save left unfinished.
      JournalState state;
      EXPECT_TRUE(ReadJournal(kJournal, state));
      for (const auto& unfinished : state.unfinished) EXPECT_TRUE(FreeOwnRecords(unfinished.second));
      const std::string recovered = ReadFileBytes(kDocFile);
      for (const RecordedMessage& m : run.messages) {
        EXPECT_EQ(m.icon, PlatIcon::kError);
        EXPECT_TRUE(kAllowedMessages.count({m.caption, m.text})) << m.caption << ": " << m.text;
      }
      if (run.result) {
        // Whole, though a failed reuse may have put it elsewhere in the file.
        EXPECT_EQ(LiveShape(bytes), LiveShape(clean));
        EXPECT_TRUE(LinksHold(bytes, parent));
        EXPECT_EQ(recovered, bytes);  // a whole save is never undone
        return;
      }
      EXPECT_FALSE(run.messages.empty());
      // Undone at once, or (the undo itself failing) by the journal later.
      const bool undone = std::find(run.messages.begin(), run.messages.end(), kUndoError) ==
                          run.messages.end();
      if (!undone) ++left_to_journal;
      for (const std::string* b : {undone ? &bytes : &recovered, &recovered}) {
        ASSERT_EQ(b->size() % kDocumentRecordLength, 0u);  // no torn record
        const std::vector<std::string> records = Records(*b);
        EXPECT_EQ(records[0], Foreign("0"));
        for (std::size_t r = 1; r < records.size(); ++r)
          EXPECT_EQ(records[r].back(), '+') << "record " << r << " left live";
      }
    };
    const FaultCounts counts = FaultSweep({plan}, prep, save, check);
    if (plan.op != FaultOp::kSync || plan.persistent) {
      EXPECT_GT(counts.failures, 0);  // (a failed journal sync is written again)
    }
    if (plan.also_at || (plan.op == FaultOp::kRead && plan.persistent)) {
      EXPECT_GT(left_to_journal, 0);
    }
  }
}

// A journal emptied of one folder's imports keeps the other folders' whole
// documents as they were written, and is gone once none is left.
TEST(DocumentsJournal, ForgettingAGroupKeepsTheOtherGroupsWholeDocuments) {
  DocumentWorld world;
  WriteFileBytes(kJournal, "C|A|k1\r\nB|open\r\nC|B|k2\r\nC|A|k3\r\nC|B|k|4\r\n");
  JournalState state;
  ASSERT_TRUE(ReadJournal(kJournal, state));
  DocJournal journal;
  ASSERT_TRUE(OpenJournal(journal, kJournal));
  ASSERT_TRUE(JournalWhole(journal, "A", "k5"));
  NoteWhole(state, "A", "k5");
  ASSERT_TRUE(ForgetGroup(journal, state, "A", "C:\\journal.tmp"));
  EXPECT_EQ(ReadFileBytes(kJournal), "C|B|k2\r\nC|B|k|4\r\n");
  ASSERT_TRUE(ReadJournal(kJournal, state));
  ASSERT_TRUE(OpenJournal(journal, kJournal));
  ASSERT_TRUE(ForgetGroup(journal, state, "B", "C:\\journal.tmp"));
  EXPECT_FALSE(FileExistsNative(kJournal));
  EXPECT_FALSE(FileExistsNative("C:\\journal.tmp"));
}

// The last item cannot be written: nothing of the document stays live.
TEST_F(StoreTest, AFailedItemUndoesTheWholeDocument) {
  DocumentForm form = Quote({{"P0", "1", "1", "0"}, {"P1", "1", "2", "1"}});
  long number = 0;
  MessageRecorder messages;
  int parent;
  {
    // writes: counter, parent, item 1, item 2
    FaultInjector faults;
    faults.FailAt(FaultOp::kWrite, 4);
    parent = Save(form, number);
    EXPECT_EQ(faults.Fired(), 1);
  }
  EXPECT_EQ(parent, -1);
  EXPECT_EQ(messages.messages(), (std::vector<RecordedMessage>{
                                     {PlatIcon::kError, "SaveDoc",
                                      "Erro ao gravar o registro do documento."}}));
  const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].back(), '+');
  EXPECT_EQ(Item(records[1], kItemCode), "P0");
  EXPECT_EQ(records[1].back(), '+');
}

#ifndef _WIN32
// Another program holds the document file for writing. Let go at the sixth
// pause of the parent's first wait, the free record is taken, and the save's
// two later waits end at their first probe. Held throughout, the parent and the item
// each wait twice (21 probes, 20 pauses of 50 ms), for the reuse and for the
// append: the reuse is given up and the records are appended.
TEST_F(StoreTest, BusyDocumentFileIsWaitedForBeforeItsFreeRecordIsTaken) {
  const struct {
    const char* label;
    int release_at_pause;  // 0: held throughout
    int parent;
    int probes;
    int pauses;
  } cases[] = {
      {"released_during_the_wait", 6, 1, 9, 6},
      {"held_past_the_waits", 0, 2, 84, 80},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFileBytes(kDocFile, Foreign("0") + Foreign("0", '+'));
    DocumentForm form = Quote({{"P0", "1", "1", "0"}});
    MessageRecorder messages;
    long number = 0;
    LockHolder holder(PlatNativePath(kDocFile));
    ASSERT_TRUE(holder.locked());
    CountedWaits waits([&](int pause) {
      if (pause == c.release_at_pause) holder.Release();
    });
    int parent = Save(form, number);
    EXPECT_EQ(waits.probes(), c.probes);
    EXPECT_EQ(waits.pauses(), std::vector<int>((std::size_t)c.pauses, 50));
    holder.Release();
    EXPECT_EQ(parent, c.parent);
    EXPECT_TRUE(messages.messages().empty());
    const std::vector<std::string> records = Records(ReadFileBytes(kDocFile));
    const std::string& p = records[(std::size_t)parent];
    EXPECT_EQ(Parent(p, kParentNumber), std::to_string(parent));
    const std::string last = Parent(p, kParentLastItem);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(Item(records[(std::size_t)std::stoi(last)], kItemParent), std::to_string(parent));
  }
}
#endif

}  // namespace
