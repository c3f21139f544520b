// The Sintegra checker: each check of the catalogue on a small month built
// field by field, sound months of one and of two printers, the exact texts,
// line ends, and files read in blocks.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fiscal/sintegra_check.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/test_support.h"

namespace {

// The layout's name of a record line: "60M", "61R", else its type.
std::string LayoutName(const std::string& record) {
  bool sub = record[0] == '6' && (record[1] == '0' || record[2] == 'R');
  return record.substr(0, sub ? 3 : 2);
}

// Puts text into the nth field of that name of a record, as the layout
// aligns and fills it.
void Put(std::string& record, const char* name, const std::string& text, int nth = 1) {
  SintegraLayoutField field = SintegraFieldNamed(LayoutName(record), name, nth);
  ASSERT_GT(field.size, 0) << LayoutName(record) << " has no field " << name;
  PutSintegraField(record, field, text);
}

// A record of the layout: numeric fields zeros, the others blank, then the
// given fields.
using Fields = std::initializer_list<std::pair<const char*, std::string>>;
std::string Rec(const char* type, Fields fields = {}) {
  std::string r;
  NewSintegraRecord(r, type);
  for (const auto& [name, text] : fields) Put(r, name, text);
  return r;
}

const std::string kCnpj = "12345678000195";
const std::string kIe = "110042490114";

// A record 90 with the given totals area and its count of 90s.
std::string NinetyArea(const std::string& totals, const std::string& count = "1",
                       const std::string& cnpj = kCnpj) {
  return Rec("90", {{"CNPJ", cnpj}, {"IE", kIe}, {"totais", totals},
                    {"número de registros 90", count}});
}
// The totals pairs of a record 90: type and count of 8 digits.
using Totals = std::vector<std::pair<std::string, int>>;
std::string Pairs(const Totals& totals) {
  std::string pairs;
  for (const auto& [type, n] : totals) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08d", n);
    pairs += type + buf;
  }
  return pairs;
}
std::string Ninety(const Totals& totals, const std::string& count = "1",
                   const std::string& cnpj = kCnpj) {
  return NinetyArea(Pairs(totals), count, cnpj);
}

std::string Sixty(const char* type, const std::string& date, const std::string& serial,
                  Fields rest) {
  std::string r = Rec(type, rest);
  Put(r, type[2] == 'M' ? "data de emissão" : "data", date);
  Put(r, type[2] == 'M' ? "número de série do ECF" : "série", serial);
  return r;
}

std::string Master(const std::string& start = "20260301", const std::string& end = "20260331") {
  return Rec("10", {{"CNPJ", kCnpj}, {"inscrição estadual", kIe},
                    {"nome do contribuinte", "MERCADO SOL"}, {"município", "CAMPINAS"},
                    {"UF", "SP"}, {"fax", "1932320000"}, {"data inicial", start},
                    {"data final", end}, {"código do convênio", "3"},
                    {"natureza das operações", "3"}, {"finalidade", "1"}});
}
std::string Extra() {
  return Rec("11", {{"logradouro", "RUA A"}, {"número", "12"}, {"complemento", "SALA 2"},
                    {"bairro", "CENTRO"}, {"CEP", "12345678"}, {"contato", "ANA"},
                    {"telefone", "1932323232"}});
}

// The records of one day and printer: 60M, two 60A (1800 and F) that sum
// to its venda bruta, a 60D and a 60I of product code.
std::vector<std::string> Day(const std::string& date, const std::string& serial,
                             const std::string& code = "P1") {
  return {
      Sixty("60M", date, serial, {{"número de ordem do ECF", "1"}, {"modelo", "2D"},
                                  {"COO inicial", "100"}, {"COO final", "120"},
                                  {"contador de redução Z", "10"}, {"venda bruta", "1000"},
                                  {"totalizador geral", "500000"}}),
      Sixty("60A", date, serial, {{"situação tributária/alíquota", "1800"}, {"valor", "600"}}),
      Sixty("60A", date, serial, {{"situação tributária/alíquota", "F"}, {"valor", "400"}}),
      Sixty("60D", date, serial, {{"código", code}, {"quantidade", "1000"}, {"valor", "1000"},
                                  {"base", "1000"}, {"situação", "1800"}, {"ICMS", "180"}}),
      Sixty("60I", date, serial, {{"modelo", "2D"}, {"COO", "101"}, {"item", "1"},
                                  {"código", code}, {"quantidade", "1000"},
                                  {"valor unitário", "1000"}, {"base", "1000"},
                                  {"situação", "1800"}, {"ICMS", "180"}}),
  };
}

// The month the rows start from, one record per line:
//  1 10   2 11   3 50   4 54   5 60M  6 60A  7 60A  8 60D  9 60I  10 60R  11 75  12 90
std::vector<std::string> Month() {
  std::vector<std::string> m = {
      Master(), Extra(),
      Rec("50", {{"CNPJ/CPF", "11222333000181"}, {"IE", "ISENTO"}, {"data", "20260310"},
                 {"UF", "SP"}, {"modelo", "01"}, {"série", "1"}, {"número", "123"},
                 {"CFOP", "5102"}, {"emitente", "P"}, {"alíquota", "1800"}, {"situação", "N"}}),
      Rec("54", {{"CNPJ", "11222333000181"}, {"modelo", "01"}, {"série", "1"}, {"número", "123"},
                 {"CFOP", "5102"}, {"CST", "000"}, {"item", "1"}, {"código", "P1"},
                 {"alíquota", "1800"}}),
  };
  for (const std::string& r : Day("20260302", "S1")) m.push_back(r);
  m.push_back(Rec("60R", {{"mês/ano", "032026"}, {"código", "P1"}, {"quantidade", "1000"},
                          {"valor", "1000"}, {"base", "1000"}, {"situação", "1800"}}));
  m.push_back(Rec("75", {{"data inicial", "20260301"}, {"data final", "20260331"},
                         {"código", "P1"}, {"NCM", "04012010"}, {"descrição", "LEITE"},
                         {"unidade", "UN"}, {"alíq. ICMS", "1800"}}));
  m.push_back(Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}}));
  return m;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

using Found = std::vector<std::pair<long long, std::string>>;

Found Check(const std::string& bytes, std::vector<SintegraFault>* all = nullptr) {
  std::vector<SintegraFault> faults;
  CheckSintegraText(bytes, faults);
  Found found;
  for (const SintegraFault& f : faults) found.emplace_back(f.line, f.code);
  if (all) *all = faults;
  return found;
}

TEST(SintegraCheck, SoundMonthsHaveNoFault) {
  EXPECT_EQ(Check(Join(Month())), Found{});
  // two printers, every day of a month, one product code each
  std::vector<std::string> m = {Master("20240201", "20240229"), Extra()};
  int sixty = 0;
  for (int day = 1; day <= 29; ++day) {
    char date[16];
    std::snprintf(date, sizeof date, "202402%02d", day);
    for (const char* serial : {"BE0910101000112233", "BE0910101000998877"}) {
      for (const std::string& r : Day(date, serial, serial[13] == '1' ? "P1" : "P2")) {
        m.push_back(r);
        ++sixty;
      }
    }
  }
  for (const char* code : {"P1", "P2"})
    m.push_back(Rec("75", {{"data inicial", "20240201"}, {"data final", "20240229"},
                           {"código", code}, {"NCM", "04012010"}, {"descrição", "LEITE"},
                           {"unidade", "UN"}}));
  // more totals than one 90 holds: two 90s, the grand total in the last
  int records = (int)m.size() + 2;
  m.push_back(Ninety({{"60", sixty}}, "2"));
  m.push_back(Ninety({{"75", 2}, {"99", records}}, "2"));
  EXPECT_EQ(Check(Join(m)), Found{});
  // the old end-of-file mark after the last CR LF
  EXPECT_EQ(Check(Join(Month()) + "\x1A"), Found{});
}

// The one way fields are put and read: by kind, as the layout fills them.
TEST(SintegraLayout, FieldsArePutAndReadByKind) {
  struct Row {
    const char* record;
    const char* field;
    std::string text;
    std::string read;  // the field afterwards
  } rows[] = {
      {"60M", "COO inicial", "12", "000012"},         // numeric: right-aligned, zeros
      {"60M", "contador de reinício", "12345", "345"},  // numeric: the last digits
      {"50", "série", "1", "1  "},                    // alphanumeric: left-aligned, blanks
      {"50", "UF", "SPX", "SP"},                      // alphanumeric: cut
      {"60A", "brancos", "x", "x" + std::string(78, ' ')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    std::string record = "x";  // made whole first
    SintegraLayoutField field = SintegraFieldNamed(row.record, row.field);
    PutSintegraField(record, field, row.text);
    EXPECT_EQ(record.size(), 126u);
    EXPECT_EQ(ReadSintegraField(record, field), row.read);
    EXPECT_EQ(ReadSintegraField(record.substr(0, (std::size_t)field.pos), field),
              row.read.substr(0, 1));  // a short line gives what it has
  }
}

// One row per check of the catalogue: the change to the sound month and the
// faults it must give, as (line, code), in file order then by code.
TEST(SintegraCheck, EachCheckOfTheCatalogue) {
  using Lines = std::vector<std::string>;
  struct Row {
    const char* what;
    std::function<void(Lines&)> edit;
    Found want;
  };
  const Row rows[] = {
      {"S01 short line, nothing else from it", [](Lines& m) { m[3].resize(120); },
       {{4, "S01"}}},
      {"S01 long line", [](Lines& m) { m[5] += "XX"; }, {{6, "S01"}}},
      {"S05 tab inside a record", [](Lines& m) { Put(m[1], "complemento", "SALA\t2"); }, {{2, "S05"}}},
      {"S05 in the last characters of a record", [](Lines& m) { m[1][125] = '\x7F'; },
       {{2, "S05"}, {2, "S50"}}},
      {"no S05 for a dash before a blank", [](Lines& m) { Put(m[1], "complemento", "SALA \x96 2"); },
       {}},
      {"S10 unknown type", [](Lines& m) { m.insert(m.begin() + 4, Rec("52")); },
       {{5, "S10"}, {13, "S62"}, {13, "S63"}}},  // a type of no layout still wants its total
      {"S10 unknown subtype of 60", [](Lines& m) { Put(m[9], "subtipo", "X"); }, {{10, "S10"}}},
      {"S11 no record 10", [](Lines& m) { m.erase(m.begin()); }, {{0, "S11"}, {11, "S63"}}},
      {"S12 record 10 twice", [](Lines& m) { m.insert(m.begin() + 1, Master()); },
       {{2, "S12"}, {13, "S63"}}},
      {"S13 no record 11", [](Lines& m) { m.erase(m.begin() + 1); }, {{0, "S13"}, {11, "S63"}}},
      {"S14 record 11 twice", [](Lines& m) { m.insert(m.begin() + 1, Extra()); },
       {{3, "S14"}, {13, "S63"}}},
      {"S15 no record 90", [](Lines& m) { m.pop_back(); }, {{0, "S15"}}},
      {"S20 a 50 after its 54", [](Lines& m) { std::swap(m[2], m[3]); }, {{4, "S20"}}},
      {"S21 a 60M after its 60A", [](Lines& m) { std::swap(m[4], m[5]); }, {{6, "S21"}}},
      {"S21 an earlier day after a later one",
       [](Lines& m) { Put(m[8], "data", "20260301"); }, {{9, "S21"}, {9, "S70"}}},
      {"S21 serials compare folded: s0 comes before S1",
       [](Lines& m) { Put(m[8], "série", "s0"); }, {{9, "S21"}, {9, "S70"}}},
      {"S30 CNPJ of record 10",
       [](Lines& m) {
         Put(m[0], "CNPJ", "12345678000196");
         Put(m[11], "CNPJ", "12345678000196");
       },
       {{1, "S30"}}},
      {"S30 a CPF as 000 and 11 digits is accepted",
       [](Lines& m) {
         Put(m[0], "CNPJ", "00052998224725");
         Put(m[11], "CNPJ", "00052998224725");
       },
       {}},
      {"S31 CNPJ of a participant",
       [](Lines& m) {
         Put(m[2], "CNPJ/CPF", "11222333000182");
         Put(m[3], "CNPJ", "11222333000182");
       },
       {{3, "S31"}, {4, "S31"}}},
      {"S32 finalidade", [](Lines& m) { Put(m[0], "finalidade", "4"); }, {{1, "S32"}}},
      {"S33 UF of a note", [](Lines& m) { Put(m[2], "UF", "XX"); }, {{3, "S33"}}},
      {"S33 EX is no UF of record 10", [](Lines& m) { Put(m[0], "UF", "EX"); }, {{1, "S33"}}},
      {"S34 emitente", [](Lines& m) { Put(m[2], "emitente", "Q"); }, {{3, "S34"}}},
      {"S34 modelo of a 60M", [](Lines& m) { Put(m[4], "modelo", "2A"); }, {{5, "S34"}}},
      {"S35 name of record 10", [](Lines& m) { Put(m[0], "nome do contribuinte", ""); },
       {{1, "S35"}}},
      {"S36 situação of a note", [](Lines& m) { Put(m[2], "situação", "Z"); }, {{3, "S36"}}},
      {"S37 IE of record 10",
       [](Lines& m) {
         Put(m[0], "inscrição estadual", "");
         Put(m[11], "IE", "");
       },
       {{1, "S37"}}},
      {"S37 number and complement of record 11",
       [](Lines& m) {
         Put(m[1], "número", "0");
         Put(m[1], "complemento", "");
       },
       {{2, "S37"}}},
      {"S40 a day that does not exist", [](Lines& m) { Put(m[2], "data", "20260230"); },
       {{3, "S40"}}},
      {"S40 a month that does not exist", [](Lines& m) { Put(m[9], "mês/ano", "132026"); },
       {{10, "S40"}}},
      {"S41 a note of the next month", [](Lines& m) { Put(m[2], "data", "20260401"); },
       {{3, "S41"}}},
      {"S41 a summary of another month", [](Lines& m) { Put(m[9], "mês/ano", "022026"); },
       {{10, "S41"}}},
      {"S42 period not a whole month", [](Lines& m) { Put(m[0], "data inicial", "20260302"); },
       {{1, "S42"}}},
      {"S50 a comma in an amount", [](Lines& m) { Put(m[2], "valores", "0000000010,00"); },
       {{3, "S50"}}},
      {"S50 a blank in a number field", [](Lines& m) { Put(m[1], "CEP", "1234 678"); },
       {{2, "S50"}}},
      {"S51 text that starts with a blank", [](Lines& m) { Put(m[1], "bairro", " CENTRO"); },
       {{2, "S51"}}},
      {"S52 reserved blanks", [](Lines& m) { Put(m[5], "brancos", "x"); }, {{6, "S52"}}},
      {"S60 a total of the wrong count",
       [](Lines& m) { m[11] = Ninety({{"50", 2}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}}); },
       {{12, "S60"}}},
      {"S61 count of 90s", [](Lines& m) { Put(m[11], "número de registros 90", "2"); }, {{12, "S61"}}},
      {"S62 a type left out of the totals",
       [](Lines& m) { m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"99", 12}}); },
       {{12, "S62"}}},
      {"S63 grand total",
       [](Lines& m) { m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 13}}); },
       {{12, "S63"}}},
      {"S64 no grand total",
       [](Lines& m) { m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}}); },
       {{12, "S64"}}},
      {"S64 grand total in a 90 that is not the last",
       [](Lines& m) {
         m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"99", 13}}, "2");
         m.push_back(Ninety({{"75", 1}}, "2"));
       },
       {{12, "S64"}, {13, "S64"}}},
      {"S65 record 10 totalled",
       [](Lines& m) {
         m[11] = Ninety({{"10", 1}, {"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}});
       },
       {{12, "S65"}}},
      {"S66 a type totalled twice",
       [](Lines& m) {
         m[11] = Ninety({{"50", 1}, {"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}});
       },
       {{12, "S66"}}},
      {"S67 letters in a pair", [](Lines& m) { m[11] = NinetyArea(Pairs({{"5x", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}})); }, {{12, "S62"}, {12, "S67"}}},
      {"S67 text after the blanks that end the pairs", [](Lines& m) { m[11] = NinetyArea(Pairs({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}}) +
                            std::string(41, ' ') + "7"); },
       {{12, "S67"}}},
      {"S68 CNPJ of a 90", [](Lines& m) { Put(m[11], "CNPJ", "11222333000181"); }, {{12, "S68"}}},
      {"S70 children of a printer with no 60M",
       [](Lines& m) {
         Put(m[7], "série", "S2");
         Put(m[8], "série", "S2");
       },
       {{8, "S70"}, {9, "S70"}}},
      {"S71 situação of a 60A", [](Lines& m) { Put(m[5], "situação tributária/alíquota", "18,0"); }, {{6, "S71"}}},
      {"S72 venda bruta against its 60A", [](Lines& m) { Put(m[4], "venda bruta", "1100"); },
       {{5, "S72"}}},
      {"S72 not checked when a 60A is malformed", [](Lines& m) { Put(m[5], "valor", "00000000060x"); },
       {{6, "S50"}}},
      {"S73 the same situação twice", [](Lines& m) { Put(m[6], "situação tributária/alíquota", "1800"); }, {{7, "S73"}}},
      {"S74 situação of a 60D", [](Lines& m) { Put(m[7], "situação", "CANC"); }, {{8, "S74"}}},
      {"S80 a code with no 75", [](Lines& m) { Put(m[7], "código", "P9"); }, {{8, "S80"}}},
      {"S80 once per line",
       [](Lines& m) {
         Put(m[7], "código", "P9");
         Put(m[8], "código", "P9");
       },
       {{8, "S80"}, {9, "S80"}}},
      {"S81 an item with no note", [](Lines& m) { Put(m[3], "número", "124"); }, {{4, "S81"}}},
      {"S01 on a record 10 re-saved as UTF-8: still the file's 10, a second one repeats it",
       [](Lines& m) {
         m[0].insert(40, "\xC3");  // one byte more inside the name
         m.insert(m.begin() + 1, Master());
       },
       {{1, "S01"}, {2, "S12"}, {13, "S63"}}},
      {"S01 on a record 11: no S13", [](Lines& m) { m[1] += "\xC3"; }, {{2, "S01"}}},
      {"S05 on a line of the wrong length",
       [](Lines& m) {
         Put(m[3], "série", "\t");
         m[3].resize(125);
       },
       {{4, "S01"}, {4, "S05"}}},
      {"S05 on a line of an unknown type",
       [](Lines& m) {
         m.insert(m.begin() + 4, Rec("52"));
         m[4][60] = '\x01';  // a type of no layout: no field to put it in
       },
       {{5, "S05"}, {5, "S10"}, {13, "S62"}, {13, "S63"}}},
      {"S60 on a type totalled again in another 90",
       [](Lines& m) {
         m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}}, "2");
         m.push_back(Ninety({{"50", 2}, {"99", 13}}, "2"));
       },
       {{13, "S60"}, {13, "S66"}}},
      {"S66 for the grand total given twice",
       [](Lines& m) {
         m[11] = Ninety({{"50", 1}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}, {"99", 12}});
       },
       {{12, "S66"}}},
      {"S50, not S61, for a blank at position 126 of a 90",
       [](Lines& m) { Put(m[11], "número de registros 90", " "); }, {{12, "S50"}}},
      {"S01 on a 60M: its children still find it",
       [](Lines& m) { m[4].resize(100); }, {{5, "S01"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> m = Month();
    row.edit(m);
    EXPECT_EQ(Check(Join(m)), row.want);
  }
}

// Line ends and empty lines, on the bytes of the file.
TEST(SintegraCheck, LineEnds) {
  struct Row {
    const char* what;
    std::function<void(std::string&)> edit;
    Found want;
  };
  const std::size_t second = 128;  // where the second line's end starts
  const Row rows[] = {
      {"LF alone", [](std::string& b) { b.erase(126, 1); }, {{1, "S02"}}},
      {"CR alone", [](std::string& b) { b.erase(127, 1); }, {{1, "S02"}}},
      {"no line end at the end of the file", [](std::string& b) { b.resize(b.size() - 2); },
       {{12, "S02"}}},
      {"an empty line", [](std::string& b) { b.insert(second + 128, "\r\n"); },
       {{3, "S03"}}},
      {"an empty line ended by LF alone", [](std::string& b) { b.insert(second + 128, "\n"); },
       {{3, "S02"}, {3, "S03"}}},
      {"an empty line ended by CR alone", [](std::string& b) { b.insert(second + 128, "\r"); },
       {{3, "S02"}, {3, "S03"}}},
      {"a blank line after the last 90", [](std::string& b) { b += "   \r\n"; }, {{13, "S03"}}},
      {"Ctrl-Z on a line of its own is a record of 1 character",
       [](std::string& b) { b += "\x1A\r\n"; }, {{12, "S63"}, {13, "S01"}, {13, "S05"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string bytes = Join(Month());
    row.edit(bytes);
    EXPECT_EQ(Check(bytes), row.want);
  }
  EXPECT_EQ(Check(""), (Found{{0, "S11"}, {0, "S13"}, {0, "S15"}}));
}

// The catalogue's texts, filled in, and the severity of each kind of rule.
TEST(SintegraCheck, MessagesAreTheCataloguesTexts) {
  struct Row {
    std::function<void(std::vector<std::string>&)> edit;
    std::string text;
    bool error;
  };
  const Row rows[] = {
      {[](auto& m) { m[3].resize(120); },
       "Linha 4: registro 54 com 120 caracteres; o leiaute pede 126.", true},
      {[](auto& m) { Put(m[2], "valores", "0000000010,00"); },
       "Linha 3: campo valores do registro 50 (posições 57-69) é numérico e contém "
       "'0000000010,00'; use só algarismos, com zeros à esquerda.",
       true},
      {[](auto& m) { Put(m[4], "venda bruta", "1100"); },
       "Linha 5: venda bruta do 60M de 02/03/2026, ECF S1, é 11,00, mas a soma dos 60A do mesmo "
       "dia e ECF é 10,00.",
       false},
      {[](auto& m) { Put(m[2], "data", "20260401"); },
       "Linha 3: data 01/04/2026 (campo data do registro 50) fora do período do registro 10 "
       "(01/03/2026 a 31/03/2026).",
       true},
      {[](auto& m) { std::swap(m[4], m[5]); },
       "Linha 6: registro 60M de 02/03/2026, ECF S1, fora de ordem depois do 60A de 02/03/2026, "
       "ECF S1 (linha 5); os registros 60 vão por data, por número de série do ECF e, em cada dia "
       "e ECF, o 60M antes dos 60A, 60D e 60I.",
       true},
      {[](auto& m) { m[11] = Ninety({{"50", 2}, {"54", 1}, {"60", 6}, {"75", 1}, {"99", 12}}); },
       "Linha 12: o registro 90 informa 2 registro(s) do tipo 50, mas o arquivo tem 1.", true},
      {[](auto& m) { Put(m[3], "número", "124"); },
       "Linha 4: item do registro 54 (CNPJ 11222333000181, modelo 01, série '1', nota 000124, "
       "CFOP 5102) sem registro 50 correspondente.",
       true},
      {[](auto& m) { Put(m[7], "código", "P9"); },
       "Linha 8: código de produto 'P9' do registro 60D sem registro 75 correspondente.", false},
      {[](auto& m) { Put(m[0], "finalidade", "4"); },
       "Linha 1: código '4' inválido no campo finalidade do registro 10 (posição 126); valores "
       "aceitos: 1, 2, 3, 5.",
       true},
  };
  for (const Row& row : rows) {
    std::vector<std::string> m = Month();
    row.edit(m);
    std::vector<SintegraFault> faults;
    Check(Join(m), &faults);
    ASSERT_EQ(faults.size(), 1u) << row.text;
    EXPECT_EQ(faults[0].text, row.text);
    EXPECT_EQ(faults[0].error, row.error) << row.text;
  }
}

// The support guide lists every code of the catalogue, as error or warning,
// and no other.
TEST(SintegraCheck, SupportGuideListsTheCatalogue) {
  std::set<std::pair<std::string, bool>> table, guide;
  for (const SintegraCheckRule& rule : SintegraCatalogue()) table.emplace(rule.code, rule.error);
  std::string text = ReadFileBytes(std::string(VRI_SOURCE_DIR) + "/packaging/LEIA-ME.txt");
  std::size_t at = text.find("12. Verificações do sintegra-check");
  ASSERT_NE(at, std::string::npos);
  // "  S01 erro   ..." / "  S05 aviso  ..."
  for (at = text.find("\r\n  S", at); at != std::string::npos; at = text.find("\r\n  S", at + 1)) {
    std::string code = text.substr(at + 4, 3), kind = text.substr(at + 8, 5);
    ASSERT_TRUE(kind == "erro " || kind == "aviso") << code;
    guide.emplace(code, kind == "erro ");
  }
  EXPECT_EQ(guide, table);
}

// A file read in blocks gives what its bytes give, with lines across the
// blocks and a CR at the end of one; a file that cannot be read fails.
TEST(SintegraCheck, FileReadInBlocks) {
  TempRoot root;
  std::vector<std::string> m = Month();
  std::string bytes;
  // about 3 MB: many 60D lines of one day, each line end at another offset
  m.insert(m.begin() + 8, 24000, m[7]);
  m.back() = Ninety({{"50", 1}, {"54", 1}, {"60", 24006}, {"75", 1}, {"99", 24012}});
  bytes = Join(m);
  bytes.erase(126 + 128 * 5000, 1);  // one LF alone, deep in the file
  WriteFileBytes(root.Path("S.txt"), bytes);
  std::vector<SintegraFault> faults;
  ASSERT_EQ(CheckSintegraFile(root.Path("S.txt"), faults), 1);
  std::vector<SintegraFault> from_text;
  CheckSintegraText(bytes, from_text);
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].line, 5001);
  EXPECT_STREQ(faults[0].code, "S02");
  EXPECT_EQ(from_text.size(), 1u);

  EXPECT_EQ(CheckSintegraFile(root.Path("Nenhum.txt"), faults), 0);
  // each block's read failing in turn
  FaultSweep(
      {{.op = FaultOp::kRead}}, [] {}, [&] { return CheckSintegraFile(root.Path("S.txt"), faults); },
      [&](const FaultRun& run) {
        EXPECT_EQ(run.result, run.fired ? 0 : 1);
        EXPECT_EQ(faults.size(), run.fired ? 0u : 1u);
      });
}

}  // namespace
