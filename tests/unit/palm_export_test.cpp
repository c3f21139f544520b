#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "palm/palm_export.h"
#include "records/catalogue.h"
#include "tests/support/seam_doubles.h"
#include "tests/support/fault_drivers.h"
#include "tests/unit/palm_test_support.h"

namespace {

const RecordedMessage kDone{PlatIcon::kInformation, "Exportar", "Arquivo Palm gerado."};
const RecordedMessage kOpenError{PlatIcon::kError, "Exportar", "Erro ao abrir arquivo Palm."};

std::string Person(std::initializer_list<std::pair<int, std::string>> fields, char status = ' ',
                   bool customer = true) {
  return MasterRecordBytes(customer ? WidthTable(kCustomerWidths) : WidthTable(kSupplierWidths),
                           fields, status);
}

std::string Product(std::initializer_list<std::pair<int, std::string>> fields, char status = ' ') {
  return MasterRecordBytes(kProductWidths, fields, status);
}

std::string Seller(const std::string& code, const std::string& name, const std::string& situation,
                   char status = ' ') {
  return MasterRecordBytes(kSellerWidths, {{0, code}, {1, name}, {2, situation}}, status);
}

class PalmExportTest : public ::testing::Test {
 protected:
  int Export(const std::vector<std::string>& sellers = {"7     Ana"}, int layout = 1) {
    return PalmExport(nullptr, folders_.Exchange(), layout, sellers);
  }
  std::vector<std::string> Lines(const std::string& table) {
    return FileLines(folders_.ExchangeFile(table + ".txt"));
  }
  PalmFolders folders_;
  MessageRecorder messages_;
};

// Every column of the person layout, for a fully filled customer.
TEST_F(PalmExportTest, CustomerLineHoldsEveryColumnInPlace) {
  folders_.WriteMaster(folders_.ProductFile("F02R1.DAT"),
                       {Person({{0, "C0001"},
                                {1, "José da Silva"},
                                {2, "Zé"},
                                {3, "Rua das Flores"},
                                {7, "Centro"},
                                {8, "80010-000"},
                                {9, "Curitiba"},
                                {10, "PR"},
                                {14, "0"},
                                {16, "123.456.789-01"},
                                {17, "ISENTO"},
                                {18, "041"},
                                {19, "3333-4444 ramal 12345678901234567890"},
                                {20, "Contato Principal Longo"},
                                {22, "jose@example.com"},
                                {26, "Silva & Filhos"},
                                {30, "R0001"},
                                {31, "1234,56"}})});
  ASSERT_EQ(Export(), 1);
  std::string expected = Left("R0001", 14) + Left("C0001", 32) + "000000" +
                         Left("Silva & Filhos", 60) + Left("José da Silva", 60) +
                         Left("Rua das Flores", 80) + Left("Centro", 80) + Left("Curitiba", 40) +
                         Left("80010-000", 10) + "PR" + "Contato Princi" +
                         Left("jose@example.com", 60) + "F" + "00012345678901" +
                         Left("ISENTO", 38) + Left("Zé", 60) + "041 " +
                         Left("3333-4444 ramal 12345678", 84) + "000123456" + Left("A", 129) +
                         Left("1", 6) + Left("1", 14) + " ";
  ASSERT_EQ(expected.size(), (std::size_t)kPalmPersonLineLength);
  EXPECT_EQ(Lines("Cliente"), std::vector<std::string>{expected});
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kDone});
}

// Suppliers have no column-1 value, and their field 31 is a text field read
// as a number all the same.
TEST_F(PalmExportTest, SupplierLineStartsWithBlanksAndReadsItsTextFieldAsNumber) {
  folders_.WriteMaster(folders_.ProductFile("F01R0.DAT"),
                       {Person({{0, "F01"}, {1, "Fornecedor Ltda"}, {16, "12.345.678/0001-90"},
                                {31, "12,5 observação"}},
                               ' ', false)});
  ASSERT_EQ(Export(), 1);
  std::vector<std::string> lines = Lines("Fornecedor");
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), (std::size_t)kPalmPersonLineLength);
  EXPECT_EQ(ColumnText(lines[0], kPalmSupplierColumns, "region"), std::string(14, ' '));
  EXPECT_EQ(ColumnText(lines[0], kPalmSupplierColumns, "code"), Left("F01", 32));
  EXPECT_EQ(ColumnText(lines[0], kPalmSupplierColumns, "tax kind") +
                ColumnText(lines[0], kPalmSupplierColumns, "tax number"),
            "J12345678000190");
  EXPECT_EQ(ColumnText(lines[0], kPalmSupplierColumns, "number"), "000001250");
}

// Columns 13-14 (person kind and tax number) and 19 (field 31 x 100).
TEST_F(PalmExportTest, TaxNumberAndNumberColumns) {
  struct Row {
    const char* tax_id;
    const char* number;
    const char* kind_and_digits;
    const char* number_column;
  } rows[] = {
      {"123.456.789-01", "1234,56", "F00012345678901", "000123456"},      // CPF: 14 characters
      {"12.345.678/0001-90", "0", "J12345678000190", "000000000"},        // CNPJ: 18 characters
      {"", "", "F00000000000000", "000000000"},                           // empty: fourteen zeros
      {"1234567890123456", "-0,000", "J12345678901234", "000000000"},     // 16 digits: first 14; -0 is 0
      {"12", "-15,00", "F00000000000012", "000000000"},                   // negative: no sign, 0
      {"12", "99999999,99", "F00000000000012", "999999999"},              // too large: the largest that fits
      {"12", "9999999,996", "F00000000000012", "999999999"},              // rounds into 10 digits: bounded
      {"12", "0,004", "F00000000000012", "000000000"},                    // rounds to a whole number
      {"12", "1.5", "F00000000000012", "000000150"},                      // a decimal point reads as well
  };
  std::vector<std::string> records;
  for (const Row& row : rows)
    records.push_back(Person({{0, "C"}, {16, row.tax_id}, {30, "R"}, {31, row.number}}));
  folders_.WriteMaster(folders_.ProductFile("F02R1.DAT"), records);
  ASSERT_EQ(Export(), 1);
  std::vector<std::string> lines = Lines("Cliente");
  ASSERT_EQ(lines.size(), std::size(rows));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(rows[i].tax_id + std::string(" / ") + rows[i].number);
    EXPECT_EQ(lines[i].size(), (std::size_t)kPalmPersonLineLength);
    EXPECT_EQ(ColumnText(lines[i], kPalmCustomerColumns, "tax kind") +
                  ColumnText(lines[i], kPalmCustomerColumns, "tax number"),
              rows[i].kind_and_digits);
    EXPECT_EQ(ColumnText(lines[i], kPalmCustomerColumns, "number"), rows[i].number_column);
  }
}

// Which supplier and customer records give a line.
TEST_F(PalmExportTest, PersonSkipRules) {
  struct Row {
    const char* code;
    const char* situation;
    char status;
    bool supplier_kept;
    bool customer_kept;
  } rows[] = {
      {"A", "0", ' ', true, true},    // active
      {"B", "", ' ', true, true},     // empty situation counts as active
      {"C", "1", ' ', false, false},  // inactive on both masters
      {"D", "2", ' ', true, false},   // "2" and "9" only stop customers
      {"E", "9", ' ', true, false},
      {"F", "0", '+', false, false},  // deleted
  };
  std::vector<std::string> suppliers, customers;
  for (const Row& row : rows) {
    suppliers.push_back(Person({{0, row.code}, {14, row.situation}}, row.status, false));
    customers.push_back(Person({{0, row.code}, {14, row.situation}, {30, "R"}}, row.status));
  }
  folders_.WriteMaster(folders_.ProductFile("F01R0.DAT"), suppliers);
  folders_.WriteMaster(folders_.ProductFile("F02R1.DAT"), customers);
  ASSERT_EQ(Export(), 1);
  std::string supplier_codes, customer_codes;
  for (const std::string& line : Lines("Fornecedor"))
    supplier_codes += ColumnText(line, kPalmSupplierColumns, "code").substr(0, 1);
  for (const std::string& line : Lines("Cliente"))
    customer_codes += ColumnText(line, kPalmCustomerColumns, "code").substr(0, 1);
  std::string want_suppliers, want_customers;
  for (const Row& row : rows) {
    if (row.supplier_kept) want_suppliers += row.code;
    if (row.customer_kept) want_customers += row.code;
  }
  EXPECT_EQ(supplier_codes, want_suppliers);
  EXPECT_EQ(customer_codes, want_customers);
}

// The customer scan ends at the first record whose field 30 cannot be read:
// a partial last record that stops before it gives no line.
TEST_F(PalmExportTest, CustomerScanEndsWhereFieldThirtyIsMissing) {
  std::string whole = Person({{0, "A"}, {30, "R"}});
  std::string partial = Person({{0, "B"}, {30, "R"}}).substr(0, 600);
  WriteFileBytes(folders_.ProductFile("F02R1.DAT"), whole + partial);
  ASSERT_EQ(Export(), 1);
  EXPECT_EQ(Lines("Cliente").size(), 1u);
}

// The four product tables, byte for byte, for one product and two sellers.
TEST_F(PalmExportTest, ProductTablesHoldEveryColumn) {
  folders_.WriteMaster(folders_.CompanyFile("F15R1.DAT"),
                       {Product({{0, "ABCDEFGHIJKLMN"},
                                 {1, "Café torrado"},
                                 {2, "0"},
                                 {3, "0"},
                                 {4, "7891234567890"},
                                 {7, "PCT500"},
                                 {8, "Observação do produto"},
                                 {22, "09012100"},
                                 {30, "2,5"},
                                 {33, "1.234,56"},
                                 {34, "12,50"},
                                 {39, "12,00"},
                                 {40, "18,000"},
                                 {41, "1"},
                                 {42, "7,6"},
                                 {43, "3,65"},
                                 {50, "1"},
                                 {51, "060"},
                                 {52, "102"},
                                 {53, "50"},
                                 {54, "01"},
                                 {55, "99"}})});
  ASSERT_EQ(Export({"7     Ana", "12345 Zé"}), 1);
  std::string code = "ABCDEFGHIJ";
  std::string produto = Left(code, 19) + Left("Café torrado", 120) + "PCT50" +
                        Left("Observação do produto", 64) + " ";
  std::string price = Left("1", 6) + code + Left("1", 14) + "N" + "0012500" + "0000010" +
                      "9999990" + " ";
  std::string stock1 = Left("7", 14) + code + "00002500" + "00002500" + " ";
  std::string stock2 = Left("12345", 14) + code + "00002500" + "00002500" + " ";
  std::string extra = Left(code, 15) + Left("7891234567890", 14) + "09012100" +
                      std::string(92, ' ') + Right("1.234,56", 18) + "1  06010250 01 99 " +
                      Right("12,00", 6) + Right("18,000", 6) + Right("1", 6) + Right("7,6", 6) +
                      Right("3,65", 6);
  ASSERT_EQ(produto.size(), (std::size_t)kPalmProductLineLength);
  ASSERT_EQ(price.size(), (std::size_t)kPalmPriceLineLength);
  ASSERT_EQ(stock1.size(), (std::size_t)kPalmStockLineLength);
  ASSERT_EQ(extra.size(), (std::size_t)kPalmProductExtraLineLength);
  EXPECT_EQ(Lines("Produto"), std::vector<std::string>{produto});
  EXPECT_EQ(Lines("TabPreco_Produto"), std::vector<std::string>{price});
  EXPECT_EQ(Lines("Estoque"), (std::vector<std::string>{stock1, stock2}));
  EXPECT_EQ(Lines("Produto_Adic"), std::vector<std::string>{extra});
}

// Price (column 5 of TabPreco_Produto) and stock (columns 3-4 of Estoque).
TEST_F(PalmExportTest, PriceAndStockColumns) {
  struct Row {
    const char* price;
    const char* stock;
    const char* price_column;
    const char* stock_column;
  } rows[] = {
      {"10000,00", "-3", "0000000", "00000000"},     // over 9999: price 0; negative stock 0
      {"9999,00", "100000", "9999000", "99999999"},  // largest price; stock over 99999,999
      {"12,50", "2,5", "0012500", "00002500"},       // x 1000
      {"0", "99999,999", "0000000", "99999999"},     // largest stock that is scaled
      {"-5,00", "-0,000", "0000000", "00000000"},    // no sign in a digits column; -0 is 0
      {"", "", "0000000", "00000000"},               // empty fields read as 0
      {"1E400", "1E400", "0000000", "00000000"},     // out of range reads as 0
  };
  std::vector<std::string> records;
  int n = 0;
  for (const Row& row : rows)
    records.push_back(Product({{0, "P" + std::to_string(n++)}, {34, row.price}, {30, row.stock}}));
  folders_.WriteMaster(folders_.CompanyFile("F15R1.DAT"), records);
  ASSERT_EQ(Export(), 1);
  std::vector<std::string> prices = Lines("TabPreco_Produto");
  std::vector<std::string> stocks = Lines("Estoque");
  ASSERT_EQ(prices.size(), std::size(rows));
  ASSERT_EQ(stocks.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(std::string(rows[i].price) + " / " + rows[i].stock);
    EXPECT_EQ(ColumnText(prices[i], kPalmPriceColumns, "price"), rows[i].price_column);
    EXPECT_EQ(ColumnText(stocks[i], kPalmStockColumns, "stock"), rows[i].stock_column);
    EXPECT_EQ(ColumnText(stocks[i], kPalmStockColumns, "stock again"), rows[i].stock_column);
    EXPECT_EQ(stocks[i].size(), (std::size_t)kPalmStockLineLength);
  }
}

// Every product's stock lines hold only its own code and quantities, for
// every seller, whatever the product before it wrote.
TEST_F(PalmExportTest, StockLinesCarryNothingOfThePreviousProduct) {
  struct Row {
    const char* code;
    const char* stock;
  } rows[] = {{"LONGCODE12", "12345,678"}, {"AB", ""}, {"X", "1"}, {"MIDDLE", "-2"}};
  std::vector<std::string> records;
  for (const Row& row : rows) records.push_back(Product({{0, row.code}, {30, row.stock}}));
  folders_.WriteMaster(folders_.CompanyFile("F15R1.DAT"), records);
  ASSERT_EQ(Export({"7     Ana", "12345 Zé"}), 1);
  const char* quantities[] = {"12345678", "00000000", "00001000", "00000000"};
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < std::size(rows); ++i)
    for (const char* seller : {"7", "12345"})
      expected.push_back(Left(seller, 14) + Left(rows[i].code, 10) + quantities[i] +
                         quantities[i] + " ");
  EXPECT_EQ(Lines("Estoque"), expected);
}

// Which products reach the four tables.
TEST_F(PalmExportTest, ProductSkipRules) {
  folders_.WriteMaster(folders_.CompanyFile("F15R1.DAT"),
                       {Product({{0, "A"}, {2, "0"}, {3, "0"}}),  // kept
                        Product({{0, "B"}, {2, "1"}}),            // class 1
                        Product({{0, "C"}, {3, "1"}}),            // inactive
                        Product({{0, "D"}}, '+'),                 // deleted
                        Product({{0, "E"}, {3, "2"}}),            // "2" is active for products
                        Product({{0, "F"}, {2, "x"}})});          // a class that is no number reads 0
  ASSERT_EQ(Export(), 1);
  struct Row {
    PalmTable table;
    PalmColumns columns;
  } rows[] = {{kPalmProduto, kPalmProductColumns},
              {kPalmTabPrecoProduto, kPalmPriceColumns},
              {kPalmEstoque, kPalmStockColumns},
              {kPalmProdutoAdic, kPalmProductExtraColumns}};
  for (const Row& row : rows) {
    SCOPED_TRACE(kPalmTables[row.table]);
    std::string codes;
    for (const std::string& line : Lines(kPalmTables[row.table]))
      codes += ColumnText(line, row.columns, "code").substr(0, 1);
    EXPECT_EQ(codes, "AEF");
  }
}

TEST_F(PalmExportTest, EmptySellerListGivesEmptyStockAndCompleteProducts) {
  folders_.WriteMaster(folders_.CompanyFile("F15R1.DAT"), {Product({{0, "A"}})});
  ASSERT_EQ(Export({}), 1);
  EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile("Estoque.txt")));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Estoque.txt")), "");
  EXPECT_EQ(Lines("Produto").size(), 1u);
  EXPECT_EQ(Lines("TabPreco_Produto").size(), 1u);
  EXPECT_EQ(Lines("Produto_Adic").size(), 1u);
}

TEST_F(PalmExportTest, SellerAndConditionTables) {
  folders_.WriteMaster(folders_.CompanyFile("F08R0.DAT"),
                       {Seller("00007", "Vendedora com um nome bem comprido demais", "0"),
                        Seller("00008", "Inativo", "1"), Seller("00009", "Apagado", "0", '+'),
                        Seller("00010", "Bia", "")});
  folders_.WriteMaster(
      folders_.ProductFile("F14R0.DAT"),
      {MasterRecordBytes(kPaymentWidths, {{0, "1234567"}, {1, "À vista"}, {2, "10"}}),
       MasterRecordBytes(kPaymentWidths, {{0, "2"}, {1, "Compra"}, {2, "20"}}),  // not a sale
       MasterRecordBytes(kPaymentWidths, {{0, "3"}, {1, "Apagada"}, {2, "11"}}, '+'),
       MasterRecordBytes(kPaymentWidths, {{0, "4"}, {1, "30 dias"}, {2, "1"}})});
  ASSERT_EQ(Export(), 1);
  EXPECT_EQ(Lines("Vendedor"),
            (std::vector<std::string>{Left("00007", 14) + Left("Vendedora com um nome bem comp", 31),
                                      Left("00010", 14) + Left("Bia", 31)}));
  EXPECT_EQ(Lines("Condicao"),
            (std::vector<std::string>{Left("1", 14) + "123456" + Left("À vista", 40) + "100000 ",
                                      Left("1", 14) + Left("4", 6) + Left("30 dias", 40) +
                                          "100000 "}));
}

// The eight fixed tables, whole file contents.
TEST_F(PalmExportTest, FixedTables) {
  ASSERT_EQ(Export(), 1);
  struct Row {
    const char* table;
    std::string bytes;
  } rows[] = {
      {"TipoOperacao", Left("0", 6) + Left("VENDA \xC0 VISTA", 30) + Left("0", 129) + " \r\n" +
                           Left("1", 6) + Left("VENDA \xC0 PRAZO", 30) + Left("0", 129) + " \r\n" +
                           Left("8", 6) + Left("DEVOLU\xC7\xC3O", 30) + Left("0", 129) + " \r\n" +
                           Left("9", 6) + Left("OUTRAS", 30) + Left("0", 129) + " \r\n"},
      {"Categoria", Left("1", 6) + Left("PADRAO", 31) + "\r\n"},
      {"GrupoProduto", Left("1", 3) + Left("PADRAO", 41) + "\r\n"},
      {"TabCondicao", Left("1", 14) + Left("PADRAO", 41) + "\r\n"},
      {"SubGrupoProduto", Left("1", 3) + Left("1", 6) + Left("PADRAO", 41) + "\r\n"},
      {"TabPreco", Left("1", 6) + Left("PADRAO", 40) + "00000000000000 \r\n"},
      {"Rota", Left("1", 6) + Left("PADRAO", 31) + "\r\n"},
      {"Regiao", Left("1", 6) + Left("PADRAO", 31) + "\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.table);
    EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile(std::string(row.table) + ".txt")), row.bytes);
  }
  EXPECT_EQ(Lines("TipoOperacao")[0].size(), 166u);
}

// Without masters every table is there, the master tables empty, and only
// the sixteen files are left in the folder, beside the folder's export lock.
TEST_F(PalmExportTest, MissingMastersGiveEmptyTablesWithoutMessage) {
  ASSERT_EQ(Export(), 1);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kDone});
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folders_.root().dir() / "Palm"))
    files += entry.path().filename() != "VriExport.lck";
  EXPECT_EQ(files, 16);
  for (const char* table : kPalmTables) EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile(std::string(table) + ".txt"))) << table;
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cliente.txt")), "");
}

TEST_F(PalmExportTest, ExistingLongerTableIsReplacedEntirely) {
  WriteFileBytes(folders_.ExchangeFile("Cliente.txt"), std::string(5000, 'x') + "\r\n");
  folders_.WriteMaster(folders_.ProductFile("F02R1.DAT"), {Person({{0, "A"}, {30, "R"}})});
  ASSERT_EQ(Export(), 1);
  std::vector<std::string> lines = Lines("Cliente");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), (std::size_t)kPalmPersonLineLength);
}

TEST_F(PalmExportTest, OtherLayoutWritesNothingAndReportsDone) {
  EXPECT_EQ(Export({}, 2), 1);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kDone});
  EXPECT_TRUE(std::filesystem::is_empty(folders_.root().dir() / "Palm"));
}

// With no company loaded there is nothing to export: the handheld's tables
// stay as they are.
TEST_F(PalmExportTest, NoCompanyStopsBeforeAnyTable) {
  WriteFileBytes(folders_.ExchangeFile("Cliente.txt"), "old\r\n");
  Company().company_code.clear();
  EXPECT_EQ(Export(), 0);
  EXPECT_EQ(messages_.messages(),
            (std::vector<RecordedMessage>{{PlatIcon::kError, "Exportar", kPalmExportNoCompany}}));
  EXPECT_EQ(ReadFileBytes(folders_.ExchangeFile("Cliente.txt")), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folders_.root().dir() / "Palm"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(PalmExportTest, MissingFolderReportsTheErrorAndWritesNothing) {
  EXPECT_EQ(PalmExport(nullptr, folders_.root().Path("NaoExiste"), 1, {}), 0);
  EXPECT_EQ(messages_.messages(), std::vector<RecordedMessage>{kOpenError});
  EXPECT_FALSE(std::filesystem::exists(folders_.root().dir() / "NaoExiste"));
}

TEST(PalmLayout, NumberAtTheStartOfTheText) {
  struct Row {
    const char* text;
    int number;
  } rows[] = {{"1 - OnSoft", 1}, {"2 - Outro", 2}, {"", 0}, {"OnSoft", 0}, {"  12x", 12}};
  for (const Row& row : rows) EXPECT_EQ(PalmLayoutNumber(row.text), row.number) << row.text;
}

// ---------------------------------------------------------------------------
// The seller list.

TEST(PalmNames, ComparisonFoldsCaseAndAccents) {
  struct Row {
    const char* a;
    const char* b;
    int sign;
  } rows[] = {
      {"ana", "Zélia", -1},    // case does not put capitals first
      {"Zélia", "zelia", 0},   // accents fold to their base letter
      {"Élio", "Eva", -1},     // É sorts as E
      {"Çarlos", "Bruno", 1},  // Ç sorts as C
      {"ana", "Ana Maria", -1},  // a prefix sorts first
      {"ana ", "anab", -1},    // a blank sorts before letters
      {"1", "a", -1},          // digits keep their byte order before letters
      {"ÑANDU", "nandu", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
    int c = ComparePalmNames(row.a, row.b);
    EXPECT_EQ((c > 0) - (c < 0), row.sign);
    int r = ComparePalmNames(row.b, row.a);
    EXPECT_EQ((r > 0) - (r < 0), -row.sign);
  }
}

TEST(PalmSellerList, OrderedByNameIgnoringCaseThenByCode) {
  PalmFolders folders;
  folders.WriteMaster(folders.CompanyFile("F08R0.DAT"),
                      {Seller("00001", "Zélia", "0"),
                       Seller("00002", "ana", "0"),
                       Seller("00003", "Inativa", "1"),           // not in the list
                       Seller("00004", "Apagada", "0", '+'),      // not in the list
                       Seller("00009", "Bruno", ""),
                       Seller("00005", "bruno", "0"),             // same name: code decides
                       Seller("1234567", "Um nome de vendedor que passa de trinta", "0"),
                       Seller("00006", "Édson", "0")});
  std::vector<std::string> list;
  BuildSellerList(list);
  EXPECT_EQ(list, (std::vector<std::string>{"00002 ana", "00005 bruno", "00009 Bruno",
                                            "00006 Édson", "12345 Um nome de vendedor que passa",
                                            "00001 Zélia"}));
}

TEST(PalmSellerList, MissingFileOrCompanyGivesAnEmptyList) {
  PalmFolders folders;
  std::vector<std::string> list = {"stale"};
  EXPECT_TRUE(BuildSellerList(list).empty());
  folders.WriteMaster(folders.CompanyFile("F08R0.DAT"), {Seller("1", "Ana", "0")});
  Company().company_code = "";
  EXPECT_TRUE(BuildSellerList(list).empty());
}

// A seller marked inactive is not in the list and so gets no stock lines.
TEST(PalmSellerList, InactiveSellerGetsNoStockLines) {
  PalmFolders folders;
  MessageRecorder messages;
  folders.WriteMaster(folders.CompanyFile("F08R0.DAT"),
                      {Seller("00001", "Ana", "0"), Seller("00002", "Inativo", "1")});
  folders.WriteMaster(folders.CompanyFile("F15R1.DAT"), {Product({{0, "P1"}})});
  std::vector<std::string> list;
  ASSERT_EQ(PalmExport(nullptr, folders.Exchange(), 1, BuildSellerList(list)), 1);
  std::vector<std::string> stock = FileLines(folders.ExchangeFile("Estoque.txt"));
  ASSERT_EQ(stock.size(), 1u);
  EXPECT_EQ(ColumnText(stock[0], kPalmStockColumns, "seller"), Left("00001", 14));
}

// ---------------------------------------------------------------------------
// All or nothing. Failures at every open, read, write, rename and remove,
// once and from then on: every run ends either with the success message and
// all sixteen tables new, or with an error message and all sixteen old, and
// no handle left open. Only when even putting the old tables back failed do
// the run's journal and files stay: the next export's first step then undoes
// the run, and a file that could not be removed is removed by it too.

struct Snapshot {
  std::vector<std::string> tables;  // contents in kPalmTables order
  bool operator==(const Snapshot&) const = default;
};

Snapshot TakeSnapshot(const PalmFolders& folders) {
  Snapshot s;
  for (const char* table : kPalmTables) {
    std::string name = folders.ExchangeFile(std::string(table) + ".txt");
    s.tables.push_back(std::filesystem::is_directory(PlatNativePath(name)) ? "(a folder)"
                                                                           : ReadFileBytes(name));
  }
  return s;
}

void LayMasters(const PalmFolders& folders) {
  folders.WriteMaster(folders.ProductFile("F01R0.DAT"), {Person({{0, "F1"}}, ' ', false)});
  folders.WriteMaster(folders.ProductFile("F02R1.DAT"), {Person({{0, "C1"}, {30, "R"}})});
  folders.WriteMaster(folders.CompanyFile("F15R1.DAT"), {Product({{0, "P1"}}), Product({{0, "P2"}})});
  folders.WriteMaster(folders.CompanyFile("F08R0.DAT"), {Seller("1", "Ana", "0")});
  folders.WriteMaster(folders.ProductFile("F14R0.DAT"),
                      {MasterRecordBytes(kPaymentWidths, {{0, "1"}, {1, "A vista"}, {2, "10"}})});
}

void PutOldTables(const PalmFolders& folders) {
  for (const char* table : kPalmTables)
    WriteFileBytes(folders.ExchangeFile(std::string(table) + ".txt"),
                   std::string("old ") + table + "\r\n");
}

class PalmExportFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    LayMasters(folders_);
    MessageRecorder quiet;
    ASSERT_EQ(PalmExport(nullptr, folders_.Exchange(), 1, sellers_), 1);
    fresh_ = TakeSnapshot(folders_);
    PutOldTables(folders_);
    old_ = TakeSnapshot(folders_);
  }
  PalmFolders folders_;
  const std::vector<std::string> sellers_ = {"1     Ana"};
  Snapshot fresh_, old_;
};

TEST_F(PalmExportFaults, EveryFailureLeavesAllTablesOldOrAllNew) {
  const std::vector<std::string> masters = {"F01R0.DAT", "F02R1.DAT", "R00\\00001\\F15R1.DAT",
                                            "R00\\00001\\F08R0.DAT", "F14R0.DAT"};
  std::vector<std::string> unreadable_seen;
  int undone_later = 0, left_over = 0;
  const FaultCounts counts = FaultSweep(
      OnceAndFromThenOn({FaultOp::kOpen, FaultOp::kRead, FaultOp::kWrite, FaultOp::kRename, FaultOp::kRemove}),
      [&] { PutOldTables(folders_); },
      [&] { return PalmExport(nullptr, folders_.Exchange(), 1, sellers_); },
      [&](const FaultRun& run) {
        ASSERT_EQ(run.messages.size(), 1u);
        const RecordedMessage& m = run.messages[0];
        if (run.result == 1) {
          EXPECT_EQ(m, kDone);
          EXPECT_EQ(TakeSnapshot(folders_), fresh_);
        } else {
          EXPECT_EQ(m.icon, PlatIcon::kError);
          EXPECT_EQ(m.caption, "Exportar");
          for (const std::string& master : masters)
            if (m.text == "Erro ao ler o arquivo " + master + ".") unreadable_seen.push_back(master);
          if (m.text != kOpenError.text) {
            EXPECT_EQ(m.text.rfind("Erro ao ler o arquivo ", 0), 0u) << m.text;
          } else {
            EXPECT_FALSE(m.detail.empty());
          }
          if (TakeSnapshot(folders_) != old_) {
            // putting the old tables back failed too: the journal stays
            ++undone_later;
            EXPECT_TRUE(run.plan.op == FaultOp::kRename || run.plan.op == FaultOp::kRemove);
            EXPECT_TRUE(run.plan.persistent);
            EXPECT_TRUE(FileExistsNative(folders_.ExchangeFile("VriExport.jnl")));
          }
        }
        if (!StrayFiles(folders_).empty()) {
          // the next export's first step finishes or undoes the run whole
          ++left_over;
          std::string detail;
          EXPECT_EQ(FinishPalmExport(folders_.Exchange(), detail), 1) << detail;
          EXPECT_EQ(TakeSnapshot(folders_), run.result == 1 ? fresh_ : old_);
        }
        EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{});
      });
  // Each master once refused at its open and once at a read.
  std::sort(unreadable_seen.begin(), unreadable_seen.end());
  unreadable_seen.erase(std::unique(unreadable_seen.begin(), unreadable_seen.end()),
                        unreadable_seen.end());
  EXPECT_EQ(unreadable_seen.size(), masters.size());
  EXPECT_GT(counts.failures, 60);
  EXPECT_GT(undone_later, 0);
  EXPECT_GT(left_over, undone_later);
  EXPECT_GT(counts.runs, counts.failures);
}

// Something in the way, laid where the export reads or writes: the export
// stops with its message before any table changes, the detail says what is
// wrong, and no file of the run is left.
TEST_F(PalmExportFaults, WhatCannotBeReadOrReplacedStopsTheExportWhole) {
  struct Case {
    const char* what;
    std::string folder;  // made a folder (with a file inside)
    std::string text;
    std::string in_detail;
  };
  const Case cases[] = {
      {"a table that is a folder", folders_.ExchangeFile("Cliente.txt"), kOpenError.text,
       "Cliente.txt"},
      {"the last table that is a folder", folders_.ExchangeFile("Regiao.txt"), kOpenError.text,
       "Regiao.txt"},
      {"a product master that is a folder", folders_.CompanyFile("F15R1.DAT"),
       "Erro ao ler o arquivo R00\\00001\\F15R1.DAT.", "pasta"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LayMasters(folders_);
    PutOldTables(folders_);
    std::filesystem::path in_the_way = PlatNativePath(c.folder);
    std::filesystem::remove(in_the_way);
    std::filesystem::create_directory(in_the_way);
    WriteFileBytes(c.folder + "\\x", "x");
    Snapshot before = TakeSnapshot(folders_);
    MessageRecorder messages;
    EXPECT_EQ(PalmExport(nullptr, folders_.Exchange(), 1, sellers_), 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0], (RecordedMessage{PlatIcon::kError, "Exportar", c.text}));
    EXPECT_NE(messages.messages()[0].detail.find(c.in_detail), std::string::npos)
        << messages.messages()[0].detail;
    EXPECT_EQ(TakeSnapshot(folders_), before);
    EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{});
    std::filesystem::remove_all(in_the_way);
  }
}

// Files of a run that has ended are removed by the next export; those of a
// run still alive (its lock held) are left to it.
TEST_F(PalmExportFaults, FilesOfEndedRunsGoAndALiveRunsStay) {
  PlatHandle alive = PlatLockFile(folders_.ExchangeFile("~VriExport.424242.lck"));
  ASSERT_NE(alive, kNoHandle);
  WriteFileBytes(folders_.ExchangeFile("~Cliente.424242.tmp"), "alive");
  WriteFileBytes(folders_.ExchangeFile("~Produto.434343.tmp"), "ended");
  WriteFileBytes(folders_.ExchangeFile("~Estoque.434343.old"), "ended");
  WriteFileBytes(folders_.ExchangeFile("~Outro.434343.tmp"), "not ours");
  MessageRecorder quiet;
  ASSERT_EQ(PalmExport(nullptr, folders_.Exchange(), 1, sellers_), 1);
  EXPECT_EQ(TakeSnapshot(folders_), fresh_);
  std::vector<std::string> left = StrayFiles(folders_);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"~Cliente.424242.tmp", "~Outro.434343.tmp",
                                             "~VriExport.424242.lck"}));
  PlatUnlockFile(alive);
  ASSERT_EQ(FinishPalmExport(folders_.Exchange()), 1);
  EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{"~Outro.434343.tmp"});
}

// Another export, while this one writes its tables, moves the old Cliente
// aside and cannot put it back (its journal stays): this run undoes that one
// from its journal before writing a journal of its own over it, so no old
// table is left moved aside for the sweep to remove.
struct HalfWayRunLaidAtCommit {
  static inline PlatformOps inner{};
  static inline const PalmFolders* folders = nullptr;
  static inline int folder_locks = 0;
  static PlatHandle LockFile(const std::string& path) {
    const std::string folder_lock = "\\VriExport.lck";
    if (path.size() >= folder_lock.size() &&
        path.compare(path.size() - folder_lock.size(), folder_lock.size(), folder_lock) == 0 &&
        ++folder_locks == 2) {  // the first one is the export's first step
      std::filesystem::rename(PlatNativePath(folders->ExchangeFile("Cliente.txt")),
                              PlatNativePath(folders->ExchangeFile("~Cliente.434343.old")));
      WriteFileBytes(folders->ExchangeFile("~Cliente.434343.tmp"), "its new table");
      WriteFileBytes(folders->ExchangeFile("VriExport.jnl"), "434343 aside\r\n");
    }
    return inner.lock_file(path);
  }
};

TEST_F(PalmExportFaults, ARunLeftHalfWayMeanwhileIsUndoneBeforeTheCommit) {
  const PlatformOps saved = Platform();
  HalfWayRunLaidAtCommit::inner = saved;
  HalfWayRunLaidAtCommit::folders = &folders_;
  HalfWayRunLaidAtCommit::folder_locks = 0;
  PlatformOps ops = saved;
  ops.lock_file = HalfWayRunLaidAtCommit::LockFile;
  SetPlatform(ops);
  MessageRecorder quiet;
  const int result = PalmExport(nullptr, folders_.Exchange(), 1, sellers_);
  SetPlatform(saved);
  EXPECT_EQ(HalfWayRunLaidAtCommit::folder_locks, 2);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(TakeSnapshot(folders_), fresh_);
  EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{});
}

#ifndef _WIN32
// The export ended at each of its file operations in turn, then a clean
// export: the ended run's tables were all old or all new, and the clean
// export leaves all sixteen new and no file of any run.
TEST_F(PalmExportFaults, EndedAtAnyOperationTheTablesAgree) {
  int old_kept = 0, new_whole = 0, swept = 0;
  const CrashCounts counts = CrashSweep(
      {}, [&] { PutOldTables(folders_); },
      [&] { PalmExport(nullptr, folders_.Exchange(), 1, sellers_); },
      [&](long long, bool) {
        swept += !StrayFiles(folders_).empty();
        // the next export's first step: the ended run finished or undone
        ASSERT_EQ(FinishPalmExport(folders_.Exchange()), 1);
        Snapshot now = TakeSnapshot(folders_);
        EXPECT_TRUE(now == old_ || now == fresh_);
        old_kept += now == old_;
        new_whole += now == fresh_;
        MessageRecorder quiet;
        ASSERT_EQ(PalmExport(nullptr, folders_.Exchange(), 1, sellers_), 1);
        EXPECT_EQ(TakeSnapshot(folders_), fresh_);
        EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{});
      });
  EXPECT_GT(counts.ended, 40);
  EXPECT_GT(old_kept, 0);
  EXPECT_GT(new_whole, 1);
  EXPECT_GT(swept, 30);
}

// Two exports into one folder at once: each writes under its own names, and
// the tables end whole and new.
TEST_F(PalmExportFaults, TwoExportsAtOnceDoNotCollide) {
  for (int round = 0; round < 5; ++round) {
    PutOldTables(folders_);
    EXPECT_EQ(RunAtOnce(2, [&] { return PalmExport(nullptr, folders_.Exchange(), 1, sellers_); }), 2);
    EXPECT_EQ(TakeSnapshot(folders_), fresh_);
    EXPECT_EQ(StrayFiles(folders_), std::vector<std::string>{});
  }
}
#endif

}  // namespace
