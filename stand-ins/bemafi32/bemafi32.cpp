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
constexpr int kRecordLength = 126;

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

// An alphanumeric field: left-aligned, blank-filled, cut to width.
std::string Alpha(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, std::min(text.size(), width));
  out.resize(width, ' ');
  return out;
}

// A numeric field: right-aligned, zero-filled.
std::string Num(long long value, int width) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%0*lld", width, value);
  std::string out = buf;
  return out.size() > (std::size_t)width ? out.substr(out.size() - width) : out;
}

std::string Digits(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c >= '0' && c <= '9') out.push_back(c);
  return out;
}

int DaysIn(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
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
    {"7894900011517", "22021000", "REFRIGERANTE COLA 2L", "F   ", 899},
    {"7896004000021", "04012010", "LEITE INTEGRAL 1L", "I   ", 459},
};

std::vector<std::string> BuildRecords(const Request& r, const std::vector<int>& days) {
  std::string first = Num(r.year, 4) + Num(r.month, 2) + "01";
  std::string last = Num(r.year, 4) + Num(r.month, 2) + Num(DaysIn(r.month, r.year), 2);
  std::vector<std::string> out;
  out.push_back("10" + Alpha(kCnpj, 14) + Alpha(kIe, 14) + Alpha(r.name, 35) + Alpha(r.city, 30) +
                "SP" + Num(std::atoll(Digits(r.fax).substr(0, 10).c_str()), 10) + first + last +
                "331");
  out.push_back("11" + Alpha(r.street, 34) + Num(std::atoll(Digits(r.number).substr(0, 5).c_str()), 5) +
                Alpha(r.complement, 22) + Alpha(r.district, 15) +
                Num(std::atoll(Digits(r.cep).substr(0, 8).c_str()), 8) + Alpha(r.contact, 28) +
                Num(std::atoll(Digits(r.phone).substr(0, 12).c_str()), 12));
  long long coo = 1200;
  long long grand_total = 152340000;
  int crz = 310;
  int n60 = 0;
  for (int day : days) {
    std::string date = Num(r.year, 4) + Num(r.month, 2) + Num(day, 2);
    for (int printer = 0; printer < 2; ++printer) {
      std::string head = date + kSerials[printer];
      long long first_coo = coo;
      long long gross = 0;
      std::vector<std::string> items;
      int item = 0;
      for (int p = 0; p < 3; ++p) {
        int qty = 1 + (day + p + printer) % 4;
        long long value = (long long)qty * kProducts[p].price_cents;
        gross += value;
        ++item;
        items.push_back("60I" + head + "2D" + Num(coo, 6) + Num(item, 3) +
                        Alpha(kProducts[p].code, 14) + Num(qty * 1000, 13) +
                        Num(kProducts[p].price_cents * 100, 13) +
                        Num(kProducts[p].tax[0] == '1' ? value : 0, 12) + kProducts[p].tax +
                        Num(kProducts[p].tax[0] == '1' ? value * 18 / 100 : 0, 12) +
                        std::string(16, ' '));
        if (p == 1) ++coo;
      }
      grand_total += gross;
      ++crz;
      out.push_back("60M" + head + Num(printer + 1, 3) + "2D" + Num(first_coo, 6) + Num(coo, 6) +
                    Num(crz, 6) + Num(7, 3) + Num(gross, 16) + Num(grand_total, 16) +
                    std::string(37, ' '));
      for (int p = 0; p < 3; ++p) {
        int qty = 1 + (day + p + printer) % 4;
        long long value = (long long)qty * kProducts[p].price_cents;
        out.push_back("60A" + head + kProducts[p].tax + Num(value, 12) + std::string(79, ' '));
        out.push_back("60D" + head + Alpha(kProducts[p].code, 14) + Num(qty * 1000, 13) +
                      Num(value, 16) + Num(kProducts[p].tax[0] == '1' ? value : 0, 16) +
                      kProducts[p].tax +
                      Num(kProducts[p].tax[0] == '1' ? value * 18 / 100 : 0, 13) +
                      std::string(19, ' '));
      }
      for (const std::string& i : items) out.push_back(i);
      n60 += 1 + 3 + 3 + (int)items.size();
      ++coo;
    }
  }
  std::string d61 = Num(r.year, 4) + Num(r.month, 2) + Num(days.empty() ? 1 : days[0], 2);
  out.push_back("61" + std::string(28, ' ') + d61 + "02" + Alpha("D1", 3) + "  " + Num(501, 6) +
                Num(507, 6) + Num(125000, 13) + Num(100000, 13) + Num(18000, 12) + Num(25000, 13) +
                Num(0, 13) + "1800" + " ");
  for (const Product& p : kProducts) {
    out.push_back("75" + first + last + Alpha(p.code, 14) + Alpha(p.ncm, 8) + Alpha(p.description, 53) +
                  Alpha("UN", 6) + Num(0, 5) + (p.tax[0] == '1' ? "1800" : "0000") + Num(0, 5) +
                  Num(0, 13));
  }
  std::string totals = "60" + Num(n60, 8) + "61" + Num(1, 8) + "75" + Num(3, 8) + "99" +
                       Num((long long)out.size() + 1, 8);
  out.push_back("90" + Alpha(kCnpj, 14) + Alpha(kIe, 14) + totals +
                std::string(kRecordLength - 30 - totals.size() - 1, ' ') + "1");
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
