#include "fiscal/sintegra.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codecs/date.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "fiscal/ecf_binding.h"

namespace {

// Bytes of the CEP field the dialog holds ('12345-678').
constexpr int kCepFieldLength = 9;
// Digits of a CEP passed to the library.
constexpr int kCepDigits = 8;

// Lines are compared without regard to letter case: ASCII letters fold to
// upper case, every other byte (blank, digits, accented letters) stays.
inline unsigned char Fold(char c) {
  unsigned char u = (unsigned char)c;
  return (u >= 'a' && u <= 'z') ? (unsigned char)(u - 'a' + 'A') : u;
}

int CompareFolded(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]);
    unsigned char y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A line's place in the report: its folded key, then the line itself.
struct SortEntry {
  std::array<unsigned char, kSintegraKeyLength> key;
  std::uint32_t line;
};

// A field's text as the dialog hands it over: at most limit characters.
std::string FieldValue(const std::string& text, int control_id) {
  std::string value = text;
  return CutAt(value, SintegraLimitOf(control_id));
}

std::string UnsortedMessage(const std::string& path, const char* reason) {
  return std::string(reason) + " " + path + ".";
}

// The sorted file replaces the original only once every byte of it is on the
// disk; any failure on the way removes the temporary file and leaves the
// original untouched.
int ReplaceWithLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string temporary = path + ".tmp";
  PlatStream* out = PlatOpen(temporary, PlatOpenMode::kCreate);
  if (!out) {
    PlatRemove(temporary);
    return 0;
  }
  int ok = 1;
  std::string chunk;
  chunk.reserve(64 * 1024 + 256);
  for (const std::string& line : lines) {
    chunk += line;
    chunk += "\r\n";
    if (chunk.size() >= 64 * 1024) {
      if (!PlatWrite(out, chunk.data(), chunk.size())) {
        ok = 0;
        break;
      }
      chunk.clear();
    }
  }
  if (ok && !chunk.empty() && !PlatWrite(out, chunk.data(), chunk.size())) ok = 0;
  if (ok && !PlatSync(out)) ok = 0;
  if (!PlatClose(out)) ok = 0;
  if (ok && !PlatRename(temporary, path)) ok = 0;
  if (!ok) PlatRemove(temporary);
  return ok;
}

}  // namespace

int SintegraLimitOf(int control_id) {
  for (const SintegraFieldLimit& f : kSintegraFieldLimits) {
    if (f.control_id == control_id) return f.limit;
  }
  return 0;
}

std::string& NormCep(std::string& text) {
  std::string digits;
  for (std::size_t i = 0; i < text.size() && i < (std::size_t)kCepFieldLength; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits.push_back(text[i]);
  }
  if (digits.empty()) {
    text.clear();
    return text;
  }
  digits.resize(kCepDigits, '0');
  text = digits.substr(0, 5) + "-" + digits.substr(5, 3);
  return text;
}

int SintegraVersion(PlatWindow owner, std::string& version) {
  version.clear();
  auto fn = reinterpret_cast<EcfVersionFn>(LoadFuncDll(owner, EcfLibrary(), kEcfVersionName));
  if (!fn) return 0;
  // The library writes into a buffer of its documented size; one byte more
  // keeps the text ended even if it fills every byte.
  std::string buffer(kEcfVersionBufferSize + 1, '\0');
  if (!CheckEcfReturn(owner, "VersaoDll", fn(buffer.data()))) return 0;
  version.assign(buffer.c_str());
  return 1;
}

int SintegraGenerate(PlatWindow owner, const SintegraRequest& request) {
  if (request.month_year.empty()) {
    PlatShowMessage(owner, "É obrigatório informar o mês/ano.", "Vri", PlatIcon::kError);
    return 0;
  }
  WaitCursor wait;
  int report = ToInt(request.report);
  PlatMakeFolder("C:\\Kmar");
  PlatMakeFolder(kSintegraFolder);

  DateRec start;
  MonthStart(1, request.month_year, start);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", (int)start.month);
  std::string month = digits;
  std::snprintf(digits, sizeof digits, "%04d", (int)start.year);
  std::string year = digits;

  std::string path = PlatNativePath(kSintegraPath);
  std::string name = FieldValue(request.name, 103);
  std::string street = FieldValue(request.street, 104);
  std::string number = FieldValue(request.number, 105);
  std::string complement = FieldValue(request.complement, 106);
  std::string district = FieldValue(request.district, 107);
  std::string city = FieldValue(request.city, 108);
  std::string cep = FieldValue(request.cep, 109);
  DigitField(cep, kCepDigits, DigitsLeft);
  std::string phone = FieldValue(request.phone, 110);
  std::string fax = FieldValue(request.fax, 111);
  std::string contact = FieldValue(request.contact, 112);

  auto fn = reinterpret_cast<EcfSintegraFn>(LoadFuncDll(owner, EcfLibrary(), kEcfSintegraName));
  if (!fn) return 0;
  int code = fn(report, path.data(), month.data(), year.data(), name.data(), street.data(),
                number.data(), complement.data(), district.data(), city.data(), cep.data(),
                phone.data(), fax.data(), contact.data());
  if (!CheckEcfReturn(owner, "RelatorioSintegraMFD", code)) return 0;

  if (!SortSintegraFile(owner, kSintegraPath)) return 0;
  PlatShowMessage(owner, "Arquivo Sintegra.txt gerado com sucesso.", "Vri",
                  PlatIcon::kInformation);
  return 1;
}

std::string& SintegraSortKey(const std::string& line, std::string& key) {
  auto at = [&line](std::size_t i) { return i < line.size() ? line[i] : ' '; };
  key.assign(1, at(0));
  key.push_back(at(1));
  if (key == "60") {
    for (std::size_t i = 3; i < 31; ++i) key.push_back(at(i));
    char order;
    switch (Fold(at(2))) {
      case 'M': order = '0'; break;
      case 'A': order = '1'; break;
      case 'D': order = '2'; break;
      case 'I': order = '3'; break;
      default: order = '4'; break;
    }
    key.push_back(order);
  } else {
    key.append(kSintegraKeyLength - 2, ' ');
  }
  return key;
}

void SortSintegraLines(std::vector<std::string>& lines) {
  std::vector<SortEntry> entries(lines.size());
  std::string key;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SintegraSortKey(lines[i], key);
    for (int k = 0; k < kSintegraKeyLength; ++k) entries[i].key[k] = Fold(key[k]);
    entries[i].line = (std::uint32_t)i;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [&lines](const SortEntry& a, const SortEntry& b) {
                     int c = std::memcmp(a.key.data(), b.key.data(), kSintegraKeyLength);
                     if (c != 0) return c < 0;
                     return CompareFolded(lines[a.line], lines[b.line]) < 0;
                   });
  std::vector<std::string> sorted;
  sorted.reserve(lines.size());
  for (const SortEntry& e : entries) sorted.push_back(std::move(lines[e.line]));
  lines.swap(sorted);
}

int SortSintegraFile(PlatWindow owner, const std::string& path) {
  std::vector<std::string> lines;
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  bool whole = false;
  if (in) {
    std::string line;
    while (PlatReadLine(in, line)) lines.push_back(line);
    // A read that stopped short of the end is an error, not the end.
    whole = PlatTell(in) == PlatSize(in);
    PlatClose(in);
  }
  if (!in || !whole) {
    PlatShowMessage(owner, UnsortedMessage(path, "Não foi possível ler o arquivo"), "Vri",
                    PlatIcon::kError);
    return 0;
  }
  if (lines.empty()) {
    PlatShowMessage(owner,
                    "O arquivo " + path + " está vazio: nenhum registro foi gravado.",
                    "Vri", PlatIcon::kError);
    return 0;
  }
  SortSintegraLines(lines);
  if (!ReplaceWithLines(path, lines)) {
    PlatShowMessage(owner,
                    UnsortedMessage(path, "Não foi possível gravar os registros ordenados no "
                                          "arquivo") +
                        " O arquivo ficou como estava.",
                    "Vri", PlatIcon::kError);
    return 0;
  }
  return 1;
}
