// vri-sample: lays a sample product folder of the larger product under a
// root folder that stands for drive C:, for tests, demonstrations and
// support rehearsals.
//
//   vri-sample --root DIR [--customers N] [--products N] [--suppliers N]
//              [--sellers N] [--second-products N] [--second-sellers N] [--orders N]
//
// Writes DIR/Kmar/Vri/F00R0.DAT, C11.DAT, F01R0.DAT, F02R1.DAT, F14R0.DAT,
// F22R0.DAT, F25R0.DAT, and R00/<code>/F08R0.DAT, R00/<code>/F15R1.DAT for
// the companies 00001 and 00002. Every record is laid out with the record
// layer's width tables; texts are Windows-1252. The output depends only on
// the options (fixed seed), so tests may rely on it:
//   - customers: record 6, 13, 20, ... (every 7th from 6) deleted ('+');
//     situation "1" every 11th from 10, "2" every 13th from 12, "9" every
//     17th from 16 (when not taken already);
//   - suppliers: every 8th from 7 deleted, situation "1" every 6th from 5;
//   - products: every 9th from 8 deleted, class 1 every 10th from 9,
//     situation "1" every 8th from 7;
//   - sellers: record 2 inactive ("1"), record 4 deleted, when present;
//   - --orders N (default none): N handheld orders of company 00001 in
//     DIR/Palm/Cabecalho.txt and Itens.txt, as the Palm side leaves them for
//     the import: seller 001, customers 001000 and 001001, two or three
//     items of its first live products each at its list price, items of
//     different orders interleaved.
// Each master is one table of generators below: add a field by adding a line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "codecs/number.h"
#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/counters.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

// ---------------------------------------------------------------------------
// Deterministic numbers: a 64-bit LCG, the same on every compiler.
struct Random {
  unsigned long long state;
  explicit Random(unsigned long long seed) : state(seed) {}
  unsigned Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (unsigned)(state >> 33);
  }
  int Below(int n) { return n <= 0 ? 0 : (int)(Next() % (unsigned)n); }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) { return items[Below((int)N)]; }
};

// ---------------------------------------------------------------------------
// Records: a value per field, padded and cut to the width table.
struct Record {
  WidthTable widths;
  std::vector<std::string> values;
  explicit Record(WidthTable w) : widths(w), values(w.size()) {}
  void Set(int field, const std::string& value) { values[(std::size_t)field] = value; }
  std::string Bytes(char status) const {
    std::string out;
    for (std::size_t i = 0; i < widths.size(); ++i) {
      std::string v = values[i].substr(0, (std::size_t)widths[i]);
      v.resize((std::size_t)widths[i], ' ');
      out += v;
    }
    out.back() = status;
    return out;
  }
};

std::string Format(const char* format, long long value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Decimal-comma text with thousands points: 1234.5 -> "1.234,50".
std::string Money(double value, int decimals) {
  bool negative = value < 0;
  if (negative) value = -value;
  long long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  long long units = (long long)(value * (double)scale + 0.5);
  std::string whole = std::to_string(units / scale);
  std::string grouped;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += '.';
    grouped += whole[i];
  }
  std::string out = (negative ? "-" : "") + grouped;
  if (decimals > 0) {
    std::string frac = std::to_string(units % scale);
    frac.insert(0, (std::size_t)decimals - frac.size(), '0');
    out += "," + frac;
  }
  return out;
}

// CNPJ "12.345.678/0001-90" and CPF "123.456.789-01" with valid check digits.
int CheckDigit(const std::vector<int>& digits, const std::vector<int>& weights) {
  int sum = 0;
  for (std::size_t i = 0; i < digits.size(); ++i) sum += digits[i] * weights[i];
  int rest = sum % 11;
  return rest < 2 ? 0 : 11 - rest;
}

std::string Cnpj(Random& r) {
  std::vector<int> d;
  for (int i = 0; i < 8; ++i) d.push_back(r.Below(10));
  d.insert(d.end(), {0, 0, 0, 1});
  d.push_back(CheckDigit(d, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}));
  d.push_back(CheckDigit(d, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}));
  std::string s;
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (i == 2 || i == 5) s += '.';
    if (i == 8) s += '/';
    if (i == 12) s += '-';
    s += (char)('0' + d[i]);
  }
  return s;
}

std::string Cpf(Random& r) {
  std::vector<int> d;
  for (int i = 0; i < 9; ++i) d.push_back(r.Below(10));
  d.push_back(CheckDigit(d, {10, 9, 8, 7, 6, 5, 4, 3, 2}));
  d.push_back(CheckDigit(d, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
  std::string s;
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (i == 3 || i == 6) s += '.';
    if (i == 9) s += '-';
    s += (char)('0' + d[i]);
  }
  return s;
}

// ---------------------------------------------------------------------------
// Brazilian sample data (Windows-1252 after compilation).
struct City {
  const char* name;
  const char* state;
  const char* cep_prefix;  // five digits
  const char* area;
};
const City kCities[] = {
    {"São Paulo", "SP", "01310", "11"},    {"Campinas", "SP", "13015", "19"},
    {"Curitiba", "PR", "80010", "41"},     {"Londrina", "PR", "86010", "43"},
    {"Belo Horizonte", "MG", "30130", "31"}, {"Uberlândia", "MG", "38400", "34"},
    {"Porto Alegre", "RS", "90010", "51"}, {"Florianópolis", "SC", "88010", "48"},
    {"Goiânia", "GO", "74003", "62"},      {"Salvador", "BA", "40020", "71"},
    {"Recife", "PE", "50010", "81"},       {"Ribeirão Preto", "SP", "14010", "16"},
};
const char* const kFirstNames[] = {"João", "José", "Antônio", "Francisco", "Luís", "Márcio",
                                   "Sérgio", "Fábio", "Maria", "Ana", "Conceição", "Lúcia",
                                   "Sônia", "Letícia", "Cláudia", "Vânia", "Inês", "Mônica"};
const char* const kSurnames[] = {"da Silva", "dos Santos", "Conceição", "Araújo", "Gonçalves",
                                 "Magalhães", "Brandão", "Simões", "Assunção", "Falcão",
                                 "Guimarães", "Antunes", "Peçanha", "Lobão", "Romão"};
const char* const kBusinessWords[] = {"Comércio", "Distribuidora", "Mercearia", "Padaria",
                                      "Açougue", "Armazém", "Papelaria", "Drogaria",
                                      "Supermercado", "Loja", "Indústria", "Atacadão"};
const char* const kBusinessNames[] = {"São Jorge", "Nossa Senhora Aparecida", "Boa Esperança",
                                      "Três Irmãos", "União", "Pão de Mel", "Estrela",
                                      "Ipê Amarelo", "Paraná", "Bandeirantes", "Jequitibá",
                                      "Conquista"};
const char* const kBusinessKinds[] = {"Ltda", "ME", "EIRELI", "S.A.", "Ltda - EPP"};
const char* const kStreets[] = {"Rua XV de Novembro", "Avenida Brasil", "Rua São José",
                                "Avenida Paulista", "Rua Marechal Deodoro", "Travessa Tiradentes",
                                "Rua Conselheiro Laurindo", "Avenida Sete de Setembro",
                                "Rua João Negrão", "Alameda Santos", "Rua Barão do Rio Branco"};
const char* const kDistricts[] = {"Centro", "Jardim América", "Vila Mariana", "Água Verde",
                                  "Batel", "Boa Vista", "Santa Efigênia", "Jardim Botânico",
                                  "Alto da Glória", "São Cristóvão"};
struct ProductKind {
  const char* name;
  const char* unit;
  double price_low;
  double price_high;
};
const ProductKind kProducts[] = {
    {"Arroz tipo 1", "PCT", 18.9, 32.5},        {"Feijão carioca", "KG", 6.5, 11.9},
    {"Açúcar cristal", "KG", 3.9, 6.2},         {"Café torrado e moído", "PCT", 12.0, 24.9},
    {"Óleo de soja", "UN", 6.9, 9.8},           {"Macarrão espaguete", "PCT", 3.2, 6.5},
    {"Farinha de mandioca", "KG", 5.0, 9.0},    {"Sabão em pó", "CX", 9.9, 21.5},
    {"Leite integral", "L", 4.1, 6.3},          {"Pão de queijo congelado", "PCT", 14.0, 26.0},
    {"Requeijão cremoso", "UN", 6.0, 11.0},     {"Guaraná 2 litros", "UN", 5.5, 9.9},
    {"Caderno universitário", "UN", 12.0, 29.9}, {"Caneta esferográfica", "CX", 25.0, 48.0},
    {"Pilha alcalina AA", "CX", 9.0, 19.0},     {"Água sanitária", "L", 2.9, 5.9},
    {"Detergente neutro", "UN", 1.9, 3.9},      {"Biscoito de maisena", "PCT", 3.5, 7.0},
};
const char* const kBrands[] = {"Tio João", "Camil", "União", "Pilão", "Liza", "Renata",
                               "Yoki", "Omo", "Piracanjuba", "Forno de Minas", "Catupiry",
                               "Antarctica", "Tilibra", "Bic", "Duracell", "Qboa", "Ypê",
                               "Marilan"};

std::string PersonName(Random& r) {
  return std::string(r.Pick(kFirstNames)) + " " + r.Pick(kSurnames);
}
std::string BusinessName(Random& r) {
  return std::string(r.Pick(kBusinessWords)) + " " + r.Pick(kBusinessNames) + " " +
         r.Pick(kBusinessKinds);
}
std::string Phone(Random& r) {
  return Format("%04lld", 3000 + r.Below(6999)) + "-" + Format("%04lld", r.Below(10000));
}
std::string Cep(Random& r, const City& city) {
  return std::string(city.cep_prefix) + "-" + Format("%03lld", r.Below(1000));
}

// Fills the person layout (fields 0..26) shared by company, supplier and
// customer masters.
void FillPerson(Record& rec, Random& r, const std::string& code, const std::string& name,
                bool company_tax_id) {
  const City& city = r.Pick(kCities);
  rec.Set(kPersonCode, code);
  rec.Set(kPersonName, name);
  rec.Set(2, name.substr(0, 20));  // trade name
  rec.Set(kPersonStreet, std::string(r.Pick(kStreets)) + ", " + std::to_string(10 + r.Below(2990)));
  rec.Set(4, std::to_string(1 + r.Below(999)));
  rec.Set(kPersonDistrict, r.Pick(kDistricts));
  rec.Set(kPersonCep, Cep(r, city));
  rec.Set(kPersonCity, city.name);
  rec.Set(kPersonState, city.state);
  rec.Set(kPersonSituation, "0");
  rec.Set(kPersonCnpj, company_tax_id ? Cnpj(r) : Cpf(r));
  rec.Set(kPersonIe, company_tax_id ? Format("%09lld", r.Below(1000000000)) : "ISENTO");
  rec.Set(kPersonAreaCode, city.area);
  rec.Set(kPersonPhone, Phone(r));
  rec.Set(20, Phone(r));  // fax
  rec.Set(22, "contato@" + std::string(city.state) + ".com.br");
  rec.Set(26, PersonName(r));  // contact
}

// ---------------------------------------------------------------------------
struct Options {
  std::string root;
  int customers = 40;
  int products = 60;
  int suppliers = 15;
  int sellers = 6;
  int second_products = 8;
  int second_sellers = 3;
  int orders = 0;
};

struct SampleCompany {
  const char* code;
  const char* name;
};
const SampleCompany kCompanies[] = {
    {"00001", "Comércio de Alimentos São João Ltda"},
    {"00002", "Distribuidora Paraná Ltda - EPP"},
};

bool WriteFile(const std::string& name, const std::string& bytes) {
  PlatStream* s = PlatOpen(name, PlatOpenMode::kCreate);
  if (!s) {
    std::fprintf(stderr, "vri-sample: cannot create %s\n", PlatNativePath(name).c_str());
    return false;
  }
  int ok = PlatWrite(s, bytes.data(), bytes.size());
  if (!PlatClose(s) || !ok) {
    std::fprintf(stderr, "vri-sample: cannot write %s\n", PlatNativePath(name).c_str());
    return false;
  }
  return true;
}

std::string CompanyMaster(Random& r) {
  std::string out;
  for (const SampleCompany& c : kCompanies) {
    Record rec(kCompanyWidths);
    FillPerson(rec, r, c.code, c.name, true);
    rec.Set(21, Format("%08lld", r.Below(100000000)));  // municipal registration
    rec.Set(27, "01/2010");
    out += rec.Bytes(' ');
  }
  return out;
}

// `count` records of `widths`, record i filled by fill(rec, i), which answers
// whether record i is a deleted one.
template <typename Fill>
std::string Generated(WidthTable widths, int count, Fill fill) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    Record rec(widths);
    bool deleted = fill(rec, i);
    out += rec.Bytes(deleted ? kFreeRecordMark : ' ');
  }
  return out;
}

std::string Suppliers(Random& r, int count) {
  return Generated(kSupplierWidths, count, [&r](Record& rec, int i) {
    FillPerson(rec, r, Format("%06lld", 100 + i), BusinessName(r), true);
    if (i % 6 == 5) rec.Set(kPersonSituation, "1");
    rec.Set(31, "Fornecedor de " + std::string(r.Pick(kProducts).name));
    return i % 8 == 7;
  });
}

std::string Customers(Random& r, int count) {
  return Generated(kCustomerWidths, count, [&r](Record& rec, int i) {
    bool business = i % 3 != 2;
    FillPerson(rec, r, Format("%06lld", 1000 + i), business ? BusinessName(r) : PersonName(r),
               business);
    if (i % 11 == 10) rec.Set(kPersonSituation, "1");
    else if (i % 13 == 12) rec.Set(kPersonSituation, "2");
    else if (i % 17 == 16) rec.Set(kPersonSituation, "9");
    rec.Set(30, Format("%05lld", 1 + i % 4));  // route
    rec.Set(kCustomerExportNumber, Money(500.0 * (1 + r.Below(40)), 2));  // credit limit
    rec.Set(34, "Cliente desde " + Format("%04lld", 1995 + r.Below(30)));
    return i % 7 == 6;
  });
}

std::string Sellers(Random& r, int count) {
  return Generated(kSellerWidths, count, [&r](Record& rec, int i) {
    rec.Set(kSellerCode, Format("%03lld", 1 + i));
    rec.Set(kSellerName, PersonName(r));
    rec.Set(kSellerSituation, i == 2 ? "1" : "0");
    rec.Set(3, Money(1 + r.Below(5), 2));  // commission
    return i == 4;
  });
}

// `prices`, when given, receives every product's list price.
std::string Products(Random& r, int count, std::vector<double>* prices = nullptr) {
  return Generated(kProductWidths, count, [&r, prices](Record& rec, int i) {
    const ProductKind& kind = kProducts[(std::size_t)i % std::size(kProducts)];
    rec.Set(kProductCode, Format("%07lld", 7890000 + i * 7));
    rec.Set(kProductDescription, std::string(kind.name) + " " + r.Pick(kBrands));
    rec.Set(kProductClass, i % 10 == 9 ? "1" : "0");
    rec.Set(kProductSituation, i % 8 == 7 ? "1" : "0");
    rec.Set(4, Format("789%010lld", 1000000000LL + i));  // EAN
    rec.Set(kProductUnit, kind.unit);
    rec.Set(8, std::string(kind.name) + " - embalagem padrão");
    rec.Set(22, "19059090");  // NCM
    double price = kind.price_low + (kind.price_high - kind.price_low) * r.Below(1000) / 1000.0;
    double stock = (i % 15 == 14) ? -3.0 : r.Below(500000) / 1000.0;
    rec.Set(kProductStock, Money(stock, 3));
    rec.Set(33, Money(price * 0.62, 2));  // cost
    rec.Set(kProductPrice, Money(price, 2));
    if (prices) prices->push_back(ParseNum(Money(price, 2)));  // the price as stored
    rec.Set(kProductMaxDiscount, Money(5.0 * r.Below(4), 2));
    rec.Set(39, "18,00");
    // The rest of the tax columns the Palm export carries (fields 40 to 43).
    rec.Set(40, Money(i % 3 == 0 ? 12.0 : 0.0, 2));
    rec.Set(41, i % 6 == 0 ? "5,00" : "");
    rec.Set(42, Money(1.65, 2));
    rec.Set(43, Money(7.6, 2));
    rec.Set(kProductPisRate, "1,65");
    rec.Set(kProductCofinsRate, "7,60");
    rec.Set(kProductIss, "0");
    rec.Set(51, "000");
    rec.Set(52, "060");
    rec.Set(kProductIpiCst, i % 4 == 0 ? "53" : "2");
    rec.Set(kProductPisCst, i % 5 == 0 ? "0" : "1");
    rec.Set(kProductCofinsCst, i % 5 == 0 ? "0" : "1");
    return i % 9 == 8;
  });
}

// A small master written from a table: each row is one record, `base` with
// the row's texts put in `fields`, in order, and the row's status byte.
struct TableRow {
  std::vector<const char*> texts;
  char status = ' ';
};

std::string TableMaster(const Record& base, std::initializer_list<int> fields,
                        std::initializer_list<TableRow> rows) {
  std::string out;
  for (const TableRow& row : rows) {
    Record rec = base;
    std::size_t i = 0;
    for (int field : fields) rec.Set(field, row.texts[i++]);
    out += rec.Bytes(row.status);
  }
  return out;
}

std::string Payments() {
  return TableMaster(Record(kPaymentWidths), {kPaymentCode, kPaymentName, kPaymentKind},
                     {
                         {{"001", "Dinheiro", "10"}},
                         {{"002", "Cheque pré-datado", "11"}},
                         {{"003", "Cartão de crédito", "12"}},
                         {{"004", "Boleto bancário 30/60/90", "11"}},
                         {{"005", "Duplicata (compras)", "01"}},
                         {{"006", "Crediário antigo", "11"}, kFreeRecordMark},
                         {{"007", "Depósito em conta", "10"}},
                     });
}

std::string KindConfig() {
  Record base(kKindConfigWidths);
  base.Set(13, "Configuração do tipo de documento");
  return TableMaster(base, {kKindConfigCompany, kKindConfigKindKey, kKindConfigMinPriceCheck},
                     {
                         {{"00001", "54101", "1"}},  // quotes: price floor on
                         {{"00001", "54100", "0"}},  // orders
                         // deleted: company 00002 has no floor
                         {{"00002", "54101", "1"}, kFreeRecordMark},
                         {{"00002", "54101", "0"}},
                         {{"00001", "501", "0"}},  // fiscal notes
                     });
}

std::string Cfops() {
  return TableMaster(
      Record(kCfopWidths), {kCfopCode, kCfopNumber, kCfopDescription, kCfopTaxed},
      {
          {{"001", "5102", "Venda de mercadoria adquirida de terceiros", "1"}},
          {{"002", "5405", "Venda com substituição tributária", "0"}},
          {{"003", "6102", "Venda interestadual de mercadoria", "1"}},
          {{"004", "1102", "Compra para comercialização", "1"}},
          {{"005", "5933", "Prestação de serviço tributado pelo ISS", ""}},
          {{"006", "5949", "Outra saída não especificada", "0"}},
      });
}

// The handheld's order files: fixed positions, numbers in thousandths with
// leading zeros, CR LF line ends.
std::string OrderText(std::string line, std::size_t at, const std::string& value, std::size_t width) {
  std::string v = value.substr(0, width);
  v.resize(width, ' ');
  if (line.size() < at + width) line.resize(at + width, ' ');
  return line.replace(at, width, v);
}

std::string Thousandths(double value, int width) {
  std::string digits = Format("%lld", (long long)(value * 1000 + 0.5));
  return std::string(digits.size() < (std::size_t)width ? (std::size_t)width - digits.size() : 0, '0') + digits;
}

bool WriteOrders(const std::string& folder, int count, const std::vector<double>& prices) {
  // The products an order may carry: live, class 0 and active (see the
  // product generator's rules).
  std::vector<int> live;
  for (int i = 0; i < (int)prices.size() && live.size() < 6; ++i)
    if (i % 9 != 8 && i % 10 != 9 && i % 8 != 7) live.push_back(i);
  if (live.empty()) return true;
  std::string headers, items;
  std::vector<std::vector<std::string>> lines((std::size_t)count);
  for (int o = 0; o < count; ++o) {
    std::string key = "001  PED" + Format("%06lld", o + 1);
    std::string h;
    h = OrderText(h, 0, key, 24);
    h = OrderText(h, 24, Format("%lld", o % 2), 6);                  // 0 cash, 1 instalments
    h = OrderText(h, 45, Format("%06lld", 1000 + o % 2), 10);       // customer
    h = OrderText(h, 79, o % 2 ? "4" : "1", 3);                      // payment condition
    h = OrderText(h, 163, o % 3 == 2 ? "A" : " ", 1);               // 'A': an amount
    h = OrderText(h, 164, Thousandths(o % 3 == 2 ? 5.0 : 2.0, 9), 9);
    h = OrderText(h, 179, "", 1);
    headers += h + "\r\n";
    for (int k = 0; k < 2 + o % 2; ++k) {
      int product = live[(std::size_t)(o + k) % live.size()];
      std::string it;
      it = OrderText(it, 0, key, 24);
      it = OrderText(it, 24, Format("%07lld", 7890000 + product * 7), 10);
      it = OrderText(it, 38, Thousandths(1 + k, 8), 8);
      it = OrderText(it, 78, Thousandths(prices[(std::size_t)product], 8), 8);
      it = OrderText(it, 89, "", 1);
      lines[(std::size_t)o].push_back(it);
    }
  }
  // the items of the orders interleaved, as several orders were taken at once
  for (std::size_t k = 0; k < 3; ++k)
    for (const std::vector<std::string>& order : lines)
      if (k < order.size()) items += order[k] + "\r\n";
  return WriteFile(folder + "\\Cabecalho.txt", headers) && WriteFile(folder + "\\Itens.txt", items);
}

constexpr char kOrderFolder[] = "C:\\Palm";

int ParseCount(const char* text, int& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!end || *end || v < 0 || v > 10000000) return 0;
  out = (int)v;
  return 1;
}

void Usage() {
  std::fprintf(stderr,
               "usage: vri-sample --root DIR [--customers N] [--products N] [--suppliers N]\n"
               "                  [--sellers N] [--second-products N] [--second-sellers N]\n"
               "                  [--orders N]\n");
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  struct CountOption {
    const char* name;
    int* value;
  };
  const CountOption counts[] = {
      {"--customers", &opt.customers},         {"--products", &opt.products},
      {"--suppliers", &opt.suppliers},         {"--sellers", &opt.sellers},
      {"--second-products", &opt.second_products}, {"--second-sellers", &opt.second_sellers},
      {"--orders", &opt.orders},
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) {
      Usage();
      return 2;
    }
    if (arg == "--root") {
      opt.root = argv[++i];
      continue;
    }
    bool known = false;
    for (const CountOption& c : counts) {
      if (arg == c.name) {
        known = true;
        if (!ParseCount(argv[++i], *c.value)) {
          Usage();
          return 2;
        }
      }
    }
    if (!known) {
      Usage();
      return 2;
    }
  }
  if (opt.root.empty()) {
    Usage();
    return 2;
  }

  PlatSetDriveRoot(opt.root);
  const std::string product = kProductFolder;
  for (const char* folder : {"C:\\", "C:\\Kmar", kProductFolder, "C:\\Kmar\\Vri\\R00"})
    if (!PlatFolderExists(folder)) PlatMakeFolder(folder);
  auto in_product = [&](const char* name) { return product + "\\" + name; };

  // The companies first (start-up needs them), then the masters.
  Random r(20240117);
  std::vector<double> first_prices;
  bool ok = WriteFile(in_product(kCompanyFile), CompanyMaster(r)) &&
            WriteFile(in_product(kSystemFile), "0         ");
  ok = ok && WriteFile(in_product(kSupplierFile), Suppliers(r, opt.suppliers));
  ok = ok && WriteFile(in_product(kCustomerFile), Customers(r, opt.customers));
  ok = ok && WriteFile(in_product(kPaymentFile), Payments());
  ok = ok && WriteFile(in_product(kKindConfigFile), KindConfig());
  ok = ok && WriteFile(in_product(kCfopFile), Cfops());
  for (const SampleCompany& c : kCompanies) {
    bool first = std::strcmp(c.code, kCompanies[0].code) == 0;
    std::string folder = product + "\\" + kCompanyFolderRoot + "\\" + c.code;
    if (!PlatFolderExists(folder)) PlatMakeFolder(folder);
    Random cr(first ? 501 : 502);
    ok = ok && WriteFile(folder + "\\" + kSellerFile,
                         Sellers(cr, first ? opt.sellers : opt.second_sellers));
    ok = ok && WriteFile(folder + "\\" + kProductFile,
                         Products(cr, first ? opt.products : opt.second_products,
                                  first ? &first_prices : nullptr));
  }
  if (ok && opt.orders > 0) {
    if (!PlatFolderExists(kOrderFolder)) PlatMakeFolder(kOrderFolder);
    ok = WriteOrders(kOrderFolder, opt.orders, first_prices);
  }
  if (!ok) return 1;
  std::printf("vri-sample: product folder %s\n", PlatNativePath(kProductFolder).c_str());
  return 0;
}
