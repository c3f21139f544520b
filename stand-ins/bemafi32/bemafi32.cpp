// Stand-in for the fiscal printer vendor's Bemafi32.dll, so every reply of the
// library and of the printer can be rehearsed without a printer. It answers
// the three functions Vri calls with what Bemafi32.ini beside it says (read
// again at every call), and writes a plausible Sintegra file of the month
// asked: records 10, 11, 60M/60A/60D/60I for several days and two printers,
// 61, 75 and 90, 126 characters each with CR LF, deliberately out of order.
// Every call is also appended to Bemafi32.log beside it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "codecs/calendar.h"
#include "fiscal/sintegra_layout.h"
#include "stand-ins/bemafi32/stand_in.h"

#if defined(_WIN32)
#define STAND_IN_EXPORT extern "C" __declspec(dllexport)
#define STAND_IN_CALL __stdcall
#else
#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))
#define STAND_IN_CALL
#endif

namespace {

constexpr int kVersionBuffer = 200;

using Settings = std::map<std::string, std::string>;

std::string Lower(std::string text) {
  for (char& c : text) c = (char)std::tolower((unsigned char)c);
  return text;
}

std::string Trim(const std::string& text) {
  std::size_t a = text.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  std::size_t b = text.find_last_not_of(" \t\r\n");
  return text.substr(a, b - a + 1);
}

Settings ReadSettings() {
  Settings settings;
  std::ifstream ini(StandInFolder() + "Bemafi32.ini", std::ios::binary);
  std::string line;
  while (std::getline(ini, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') continue;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    settings[Lower(Trim(line.substr(0, eq)))] = Trim(line.substr(eq + 1));
  }
  return settings;
}

std::string Setting(const Settings& s, const char* key, const char* fallback) {
  auto it = s.find(Lower(key));
  return it == s.end() ? fallback : it->second;
}

int IntSetting(const Settings& s, const char* key, int fallback) {
  auto it = s.find(Lower(key));
  return it == s.end() ? fallback : std::atoi(it->second.c_str());
}

void Log(const std::string& text) {
  std::ofstream log(StandInFolder() + "Bemafi32.log", std::ios::binary | std::ios::app);
  log << text << "\r\n";
}

std::string Safe(const char* text) { return text ? text : ""; }

// A whole number as text; a numeric field of the layout right-aligns it and
// fills it with zeros.
std::string Num(long long value) { return std::to_string(value); }

std::string Digits(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c >= '0' && c <= '9') out.push_back(c);
  return out;
}

// The number in the first `most` digits of text (0 when it has none).
std::string DigitsNum(const std::string& text, std::size_t most) {
  return Num(std::atoll(Digits(text).substr(0, most).c_str()));
}

struct Request {
  int month, year;
  std::string name, street, number, complement, district, city, cep, phone, fax, contact;
};

const char* const kSerials[] = {"BE091010100011223344", "BE091010100011225566"};
const char* const kCnpj = "12345678000195";
const char* const kIe = "110042490114";

struct Product {
  const char* code;
  const char* ncm;
  const char* description;
  const char* tax;  // situação tributária / alíquota
  int price_cents;
};
const Product kProducts[] = {
    {"7891000100103", "19053100", "BISCOITO RECHEADO CHOCOLATE 140G", "1800", 349},
    {"7894900011517", "22021000", "REFRIGERANTE COLA 2L", "F", 899},
    {"7896004000021", "04012010", "LEITE INTEGRAL 1L", "I", 459},
};

struct FieldText {
  const char* name;
  std::string text;
};

// A record of the layout with the given fields put in; the others stay
// zeros (numeric) or blank.
std::string Record(const char* type, std::initializer_list<FieldText> fields) {
  std::string record;
  NewSintegraRecord(record, type);
  for (const FieldText& f : fields) PutSintegraField(record, SintegraFieldNamed(type, f.name), f.text);
  return record;
}

std::vector<std::string> BuildRecords(const Request& r, const std::vector<int>& days) {
  auto date = [&r](int day) { return Num(r.year * 10000LL + r.month * 100 + day); };
  std::string first = date(1);
  // A month of no calendar (13, say) ends on the 31st, as the stand-in has
  // always written it.
  const int last_day = DaysInMonth(r.month, r.year);
  std::string last = date(last_day ? last_day : 31);
  std::vector<std::string> out;
  out.push_back(Record("10", {{"CNPJ", kCnpj}, {"inscrição estadual", kIe},
                              {"nome do contribuinte", r.name}, {"município", r.city},
                              {"UF", "SP"}, {"fax", DigitsNum(r.fax, 10)}, {"data inicial", first},
                              {"data final", last}, {"código do convênio", "3"},
                              {"natureza das operações", "3"}, {"finalidade", "1"}}));
  out.push_back(Record("11", {{"logradouro", r.street}, {"número", DigitsNum(r.number, 5)},
                              {"complemento", r.complement}, {"bairro", r.district},
                              {"CEP", DigitsNum(r.cep, 8)}, {"contato", r.contact},
                              {"telefone", DigitsNum(r.phone, 12)}}));
  long long coo = 1200;
  long long grand_total = 152340000;
  int crz = 310;
  int n60 = 0;
  for (int day : days) {
    for (int printer = 0; printer < 2; ++printer) {
      // every type-60 record of the day and printer starts the same
      auto sixty = [&](const char* type, std::initializer_list<FieldText> fields) {
        std::string record = Record(type, fields);
        PutSintegraField(record, SintegraFieldNamed(type, "data"), date(day));
        PutSintegraField(record, SintegraFieldNamed(type, "série"), kSerials[printer]);
        return record;
      };
      long long first_coo = coo;
      long long gross = 0;
      std::vector<std::string> items;
      int item = 0;
      for (int p = 0; p < 3; ++p) {
        int qty = 1 + (day + p + printer) % 4;
        long long value = (long long)qty * kProducts[p].price_cents;
        bool taxed = kProducts[p].tax[0] == '1';
        gross += value;
        ++item;
        items.push_back(sixty("60I", {{"modelo", "2D"}, {"COO", Num(coo)}, {"item", Num(item)},
                                      {"código", kProducts[p].code}, {"quantidade", Num(qty * 1000)},
                                      {"valor unitário", Num(kProducts[p].price_cents * 100)},
                                      {"base", Num(taxed ? value : 0)}, {"situação", kProducts[p].tax},
                                      {"ICMS", Num(taxed ? value * 18 / 100 : 0)}}));
        if (p == 1) ++coo;
      }
      grand_total += gross;
      ++crz;
      std::string master = Record(
          "60M", {{"data de emissão", date(day)}, {"número de série do ECF", kSerials[printer]},
                  {"número de ordem do ECF", Num(printer + 1)}, {"modelo", "2D"},
                  {"COO inicial", Num(first_coo)}, {"COO final", Num(coo)},
                  {"contador de redução Z", Num(crz)}, {"contador de reinício", Num(7)},
                  {"venda bruta", Num(gross)}, {"totalizador geral", Num(grand_total)}});
      out.push_back(master);
      for (int p = 0; p < 3; ++p) {
        int qty = 1 + (day + p + printer) % 4;
        long long value = (long long)qty * kProducts[p].price_cents;
        bool taxed = kProducts[p].tax[0] == '1';
        out.push_back(sixty("60A", {{"situação tributária/alíquota", kProducts[p].tax},
                                    {"valor", Num(value)}}));
        out.push_back(sixty("60D", {{"código", kProducts[p].code}, {"quantidade", Num(qty * 1000)},
                                    {"valor", Num(value)}, {"base", Num(taxed ? value : 0)},
                                    {"situação", kProducts[p].tax},
                                    {"ICMS", Num(taxed ? value * 18 / 100 : 0)}}));
      }
      for (const std::string& i : items) out.push_back(i);
      n60 += 1 + 3 + 3 + (int)items.size();
      ++coo;
    }
  }
  out.push_back(Record("61", {{"data", date(days.empty() ? 1 : days[0])}, {"modelo", "02"},
                              {"série", "D1"}, {"número inicial", Num(501)},
                              {"número final", Num(507)}, {"total", Num(125000)},
                              {"base", Num(100000)}, {"ICMS", Num(18000)},
                              {"isenta", Num(25000)}, {"alíquota", "1800"}}));
  for (const Product& p : kProducts) {
    out.push_back(Record("75", {{"data inicial", first}, {"data final", last}, {"código", p.code},
                                {"NCM", p.ncm}, {"descrição", p.description}, {"unidade", "UN"},
                                {"alíq. ICMS", p.tax[0] == '1' ? "1800" : "0"}}));
  }
  // the 90 itself in the grand total
  std::string totals;
  AppendSintegraTotal(totals, "60", n60);
  AppendSintegraTotal(totals, "61", 1);
  AppendSintegraTotal(totals, "75", 3);
  AppendSintegraTotal(totals, "99", (long long)out.size() + 1);
  out.push_back(Record("90", {{"CNPJ", kCnpj}, {"IE", kIe}, {"totais", totals},
                              {"número de registros 90", "1"}}));
  return out;
}

// The records in a scrambled but repeatable order, as a library that walks
// its memory by printer and command might write them.
std::vector<std::string> Scramble(const std::vector<std::string>& in) {
  std::size_t n = in.size();
  std::size_t step = 7;
  auto gcd = [](std::size_t a, std::size_t b) {
    while (b) {
      std::size_t t = a % b;
      a = b;
      b = t;
    }
    return a;
  };
  while (n > 1 && gcd(step, n) != 1) ++step;
  std::vector<std::string> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(in[(i * step + n / 2) % n]);
  return out;
}

std::vector<int> DaysSetting(const Settings& s) {
  std::vector<int> days;
  std::string list = Setting(s, "Dias", "2,3,5,9,16");
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    int day = std::atoi(list.substr(at, comma - at).c_str());
    if (day >= 1 && day <= 28) days.push_back(day);
    at = comma + 1;
  }
  return days;
}

}  // namespace

// Says to Vri that this is the rehearsal library, whatever Versao= says: its
// reports never take the place of a shop's.
STAND_IN_EXPORT int STAND_IN_CALL Vri_BibliotecaDeEnsaio() { return 1; }

STAND_IN_EXPORT int STAND_IN_CALL Bematech_FI_VersaoDll(char* version) {
  Settings s = ReadSettings();
  int code = IntSetting(s, "VersaoDll", 1);
  Log("VersaoDll " + std::to_string(code));
  if (code == 1 && version) {
    std::string text = Setting(s, "Versao", "4.0.0 Simulador");
    text = text.substr(0, kVersionBuffer - 1);
    std::copy(text.begin(), text.end(), version);
    version[text.size()] = '\0';
  }
  return code;
}

STAND_IN_EXPORT int STAND_IN_CALL Bematech_FI_RetornoImpressora(int* ack, int* st1, int* st2) {
  Settings s = ReadSettings();
  int code = IntSetting(s, "RetornoImpressora", 1);
  Log("RetornoImpressora " + std::to_string(code));
  if (code == 1) {
    if (ack) *ack = IntSetting(s, "ACK", 6);
    if (st1) *st1 = IntSetting(s, "ST1", 0);
    if (st2) *st2 = IntSetting(s, "ST2", 0);
  }
  return code;
}

STAND_IN_EXPORT int STAND_IN_CALL Bematech_FI_RelatorioSintegraMFD(
    int report, char* path, char* month, char* year, char* name, char* street, char* number,
    char* complement, char* district, char* city, char* cep, char* phone, char* fax,
    char* contact) {
  Settings s = ReadSettings();
  int code = IntSetting(s, "RelatorioSintegraMFD", 1);
  Request r{std::atoi(Safe(month).c_str()), std::atoi(Safe(year).c_str()), Safe(name),
            Safe(street), Safe(number), Safe(complement), Safe(district), Safe(city), Safe(cep),
            Safe(phone), Safe(fax), Safe(contact)};
  Log("RelatorioSintegraMFD " + std::to_string(code) + " " + std::to_string(report) + "|" +
      Safe(path) + "|" + Safe(month) + "|" + Safe(year) + "|" + r.name + "|" + r.street + "|" +
      r.number + "|" + r.complement + "|" + r.district + "|" + r.city + "|" + r.cep + "|" +
      r.phone + "|" + r.fax + "|" + r.contact);
  if (code != 1 && code != -27) return code;
  std::string what = Lower(Setting(s, "Arquivo", "registros"));
  if (what == "nada" || !path) return code;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return -8;
  if (what == "vazio") return code;
  for (const std::string& line : Scramble(BuildRecords(r, DaysSetting(s)))) out << line << "\r\n";
  out.close();
  return out ? code : -8;
}
