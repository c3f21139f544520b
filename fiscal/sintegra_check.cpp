#include "fiscal/sintegra_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "fiscal/sintegra_layout.h"
#include "platform/platform.h"

void NoSuchSintegraField();

// How a line of the file ended.
enum class SintegraLineEnd { kCrLf, kLf, kCr, kNone };

namespace {

using Field = SintegraLayoutField;
using Rule = SintegraRule;
using Kind = SintegraRecordLayout;

// A field of the layout, found while compiling: a name the layout does not
// have stops the build (NoSuchSintegraField is no constant expression).
consteval Field LayoutField(std::string_view record, std::string_view name, int nth = 1) {
  Field f = SintegraFieldNamed(record, name, nth);
  if (f.size == 0) NoSuchSintegraField();
  return f;
}

constexpr const Kind* kRecord10 = SintegraRecordNamed("10");
constexpr const Kind* kRecord11 = SintegraRecordNamed("11");
constexpr const Kind* kRecord50 = SintegraRecordNamed("50");
constexpr const Kind* kRecord54 = SintegraRecordNamed("54");
constexpr const Kind* kRecord60M = SintegraRecordNamed("60M");
constexpr const Kind* kRecord60A = SintegraRecordNamed("60A");
constexpr const Kind* kRecord60D = SintegraRecordNamed("60D");
constexpr const Kind* kRecord60I = SintegraRecordNamed("60I");
constexpr const Kind* kRecord60R = SintegraRecordNamed("60R");
constexpr const Kind* kRecord61 = SintegraRecordNamed("61");
constexpr const Kind* kRecord75 = SintegraRecordNamed("75");
constexpr const Kind* kRecord90 = SintegraRecordNamed("90");

constexpr Field kMasterCnpj = LayoutField("10", "CNPJ");
constexpr Field kMasterIe = LayoutField("10", "inscrição estadual");
constexpr Field kPeriodStart = LayoutField("10", "data inicial");
constexpr Field kPeriodEnd = LayoutField("10", "data final");
constexpr Field kExtraNumber = LayoutField("11", "número");
constexpr Field kExtraComplement = LayoutField("11", "complemento");
constexpr Field kNoteCnpj = LayoutField("50", "CNPJ/CPF");
constexpr Field kNoteModel = LayoutField("50", "modelo");
constexpr Field kNoteSeries = LayoutField("50", "série");
constexpr Field kNoteNumber = LayoutField("50", "número");
constexpr Field kNoteCfop = LayoutField("50", "CFOP");
constexpr Field kItemCnpj = LayoutField("54", "CNPJ");
constexpr Field kItemCfop = LayoutField("54", "CFOP");
constexpr Field kSixtyDate = LayoutField("60M", "data de emissão");
constexpr Field kSixtySerial = LayoutField("60M", "número de série do ECF");
constexpr Field kGross = LayoutField("60M", "venda bruta");
constexpr Field kSituationA = LayoutField("60A", "situação tributária/alíquota");
constexpr Field kValueA = LayoutField("60A", "valor");
constexpr Field kNinetyCnpj = LayoutField("90", "CNPJ");
constexpr Field kNinetyIe = LayoutField("90", "IE");
constexpr Field kNinetyTotals = LayoutField("90", "totais");
constexpr Field kNinetyCount = LayoutField("90", "número de registros 90");
// The date and the serial stand side by side in every 60M, 60A, 60D and 60I.
static_assert(LayoutField("60A", "data").pos == kSixtyDate.pos &&
              LayoutField("60D", "série").pos == kSixtySerial.pos &&
              LayoutField("60I", "série").pos == kSixtySerial.pos &&
              kSixtyDate.pos + kSixtyDate.size == kSixtySerial.pos);
// A 54 names its note by CNPJ, modelo, série, número and CFOP in a row.
static_assert(kItemCfop.pos + kItemCfop.size - kItemCnpj.pos ==
              kNoteCnpj.size + kNoteModel.size + kNoteSeries.size + kNoteNumber.size +
                  kNoteCfop.size);

// Returns the kind of a line, or nullptr for a type the layout does not know.
const Kind* KindOf(std::string_view line) {
  // the first kind of each type number, found once
  static const std::vector<const Kind*> by_type = [] {
    std::vector<const Kind*> t(100, nullptr);
    for (const Kind& kind : kSintegraRecords) {
      int n = (kind.name[0] - '0') * 10 + (kind.name[1] - '0');
      if (!t[(std::size_t)n]) t[(std::size_t)n] = &kind;
    }
    return t;
  }();
  if (line.size() < 2 || line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9')
    return nullptr;
  const Kind* first = by_type[(std::size_t)((line[0] - '0') * 10 + (line[1] - '0'))];
  if (!first) return nullptr;
  char sub = line.size() > 2 ? line[2] : ' ';
  if (first == kRecord60M) {  // 60M, 60A, 60D, 60I, 60R stand in a row
    for (const Kind* kind = first; kind <= kRecord60R; ++kind)
      if (kind->name[2] == sub) return kind;
    return nullptr;
  }
  if (first == kRecord61) return sub == 'R' ? first + 1 : first;
  return first;
}

// The name of a line's record for messages: "60M", "61R", else its type.
std::string RecordName(std::string_view line) {
  if (line.size() >= 3 && line[0] == '6' && (line[1] == '0' || (line[1] == '1' && line[2] == 'R')))
    return std::string(line.substr(0, 3));
  return std::string(line.substr(0, std::min<std::size_t>(2, line.size())));
}

// ---------------------------------------------------------------------------
// Small readers.

// Eight bytes at a time: most of a record is digits and blanks.
inline std::uint64_t Load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = Load8(s.data() + i);
    // every byte 0x30..0x39: high nibble 3, and adding 6 keeps it 3
    if ((x & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL ||
        ((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL)
      return false;
  }
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// The index of the first control character (below 0x20, or 0x7F), or -1.
int FirstControl(std::string_view s) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x = Load8(s.data() + i);
    std::uint64_t below = (x - kOnes * 0x20) & ~x & kHighs;
    std::uint64_t del = x ^ (kOnes * 0x7F);
    std::uint64_t is_del = (del - kOnes) & ~del & kHighs;
    if (below | is_del) break;
  }
  for (; i < s.size(); ++i) {
    unsigned char u = (unsigned char)s[i];
    if (u < 0x20 || u == 0x7F) return (int)i;
  }
  return -1;
}
bool AllBlank(std::string_view s) {
  for (char c : s)
    if (c != ' ') return false;
  return true;
}
bool AllZeros(std::string_view s) {
  for (char c : s)
    if (c != '0') return false;
  return true;
}
std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}
int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}
long long LongNumber(std::string_view digits) {
  long long n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

int DaysIn(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

// AAAAMMDD of a real day, years 1900-2099: the day as AAAAMMDD number, or 0.
int DateValue(std::string_view s) {
  if (s.size() != 8 || !AllDigits(s)) return 0;
  int year = Number(s.substr(0, 4)), month = Number(s.substr(4, 2)), day = Number(s.substr(6, 2));
  if (year < 1900 || year > 2099 || month < 1 || month > 12 || day < 1 ||
      day > DaysIn(month, year))
    return 0;
  return year * 10000 + month * 100 + day;
}
// MMAAAA: the month as AAAAMM number, or 0.
int MonthValue(std::string_view s) {
  if (s.size() != 6 || !AllDigits(s)) return 0;
  int month = Number(s.substr(0, 2)), year = Number(s.substr(2, 4));
  if (year < 1900 || year > 2099 || month < 1 || month > 12) return 0;
  return year * 100 + month;
}
std::string DateText(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", value % 100, value / 100 % 100, value / 10000);
  return buf;
}
std::string MonthText(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%04d", value % 100, value / 100);
  return buf;
}
// A date of the file for a message: dd/mm/aaaa, or as it stands.
std::string ShownDate(std::string_view s) {
  int v = DateValue(s);
  return v ? DateText(v) : std::string(s);
}

// Cents as "1.234,56".
std::string Money(long long cents) {
  std::string whole = std::to_string(cents / 100);
  std::string out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out.push_back('.');
    out.push_back(whole[i]);
  }
  char frac[8];
  std::snprintf(frac, sizeof frac, ",%02lld", cents % 100);
  return out + frac;
}

bool ValidCnpj(std::string_view d) {
  if (d.size() != 14 || !AllDigits(d) || AllZeros(d)) return false;
  static const int w1[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  static const int w2[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int s = 0;
  for (int i = 0; i < 12; ++i) s += (d[(std::size_t)i] - '0') * w1[i];
  int dv1 = s % 11 < 2 ? 0 : 11 - s % 11;
  s = 0;
  for (int i = 0; i < 13; ++i) s += (d[(std::size_t)i] - '0') * w2[i];
  int dv2 = s % 11 < 2 ? 0 : 11 - s % 11;
  return d[12] - '0' == dv1 && d[13] - '0' == dv2;
}
bool ValidCpf(std::string_view d) {
  if (d.size() != 11 || !AllDigits(d) || AllZeros(d)) return false;
  int s = 0;
  for (int i = 0; i < 9; ++i) s += (d[(std::size_t)i] - '0') * (10 - i);
  int dv1 = (s * 10) % 11 % 10;
  s = 0;
  for (int i = 0; i < 10; ++i) s += (d[(std::size_t)i] - '0') * (11 - i);
  int dv2 = (s * 10) % 11 % 10;
  return d[9] - '0' == dv1 && d[10] - '0' == dv2;
}
// A CNPJ, or a CPF written as 000 and its 11 digits.
bool ValidTaxId(std::string_view d) {
  return ValidCnpj(d) || (d.substr(0, 3) == "000" && ValidCpf(d.substr(3)));
}

bool IsUf(std::string_view s) {
  static const char* kUfs[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO",
                               "MA", "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI",
                               "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"};
  for (const char* uf : kUfs)
    if (s == uf) return true;
  return false;
}

bool OneOf(std::string_view value, std::initializer_list<const char*> allowed) {
  for (const char* a : allowed)
    if (value == a) return true;
  return false;
}

std::string Format(const char* format, ...) {
  char buf[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

// Transparent hashing, so that lookups take the line's bytes without a copy.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <typename V>
using TextMap = std::unordered_map<std::string, V, TextHash, std::equal_to<>>;
using TextSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

}  // namespace

// ---------------------------------------------------------------------------
// The state of a check.

struct SintegraCheck {
  std::vector<SintegraFault> faults;
  long long line = 0;     // number of the current line
  long long records = 0;  // lines that are not empty

  // record 10 and 11
  long long master_line = 0, extra_line = 0;
  bool master_whole = false;  // the first record 10 is of the right length
  std::string master_cnpj, master_ie;
  int period_start = 0, period_end = 0;  // AAAAMMDD, 0 when unknown

  // order of types and of the type-60 records
  int last_type = -1;
  long long last_type_line = 0;
  std::string last_sixty_key;  // date, serial, order digit (folded)
  std::string last_sixty_name;
  long long last_sixty_line = 0;

  long long type_counts[100] = {};  // by the two digits of the type
  std::vector<std::pair<long long, std::string>> totals;  // the 90 lines

  // one entry per day and printer of the type-60 records
  struct Day {
    long long master_line = 0;  // of its 60M; 0 when none was seen
    long long gross = 0;        // venda bruta of the 60M, in cents
    long long sum = 0;          // of its 60A
    bool unsure = false;        // one of those lines is malformed
    std::string date, serial;
    std::vector<std::pair<std::string, long long>> situations;  // of its 60A, first line
    std::vector<std::pair<long long, std::string>> orphans;  // children before any 60M
  };
  TextMap<Day> days;
  Day* last_day = nullptr;
  std::string last_day_key;
  TextSet codes_used;       // by any record but 75
  TextSet codes_described;  // by a record 75
  // A second reading names every line that uses one of these codes.
  const TextSet* missing_codes = nullptr;
  TextSet notes;                                          // of the records 50
  std::vector<std::pair<long long, std::string>> items_waiting;  // 54 without a 50 so far

  void Add(const char* code, bool error, std::string text) {
    faults.push_back(SintegraFault{line, code, error, std::move(text)});
  }
  void AddAt(long long at, const char* code, bool error, std::string text) {
    faults.push_back(SintegraFault{at, code, error, std::move(text)});
  }
};

namespace {

constexpr bool kC = true;   // certain: an error
constexpr bool kR = false;  // a reading: a warning

int TypeNumber(std::string_view line) {
  if (line.size() < 2 || line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9')
    return -1;
  return (line[0] - '0') * 10 + (line[1] - '0');
}

// The field of a kind that names a product code (used or described), or
// nullptr.
const Field* CodeField(const Kind& kind) {
  static const std::vector<const Field*> fields = [] {
    std::vector<const Field*> t;
    for (const Kind& k : kSintegraRecords) {
      const Field* code = nullptr;
      for (int i = 0; i < k.count && !code; ++i) {
        Rule r = k.fields[i].rule;
        if (r == Rule::kProductCode || r == Rule::kItemCode || r == Rule::kCode75)
          code = &k.fields[i];
      }
      t.push_back(code);
    }
    return t;
  }();
  return fields[(std::size_t)(&kind - kSintegraRecords)];
}

// The references a line makes or gives (a 60M day, a product code, a 50
// note): taken from every line of a known type, also from one of the wrong
// length, so that one bad line gives one fault.
void NoteReferences(SintegraCheck& c, std::string_view line, const Kind& kind, bool whole) {
  const Kind* id = &kind;
  const char* name = kind.name;
  // A line of the wrong length is read as if blank-filled to 126.
  std::string padded;
  if (!whole) {
    padded.assign(line.substr(0, std::min(line.size(), (std::size_t)kSintegraRecordLength)));
    padded.resize((std::size_t)kSintegraRecordLength, ' ');
    line = padded;
  }
  auto at = [&](const Field& f) { return ReadSintegraField(line, f); };
  if (id == kRecord60M || id == kRecord60A || id == kRecord60D || id == kRecord60I) {
    std::string_view key = line.substr((std::size_t)kSixtyDate.pos - 1,
                                       (std::size_t)(kSixtyDate.size + kSixtySerial.size));
    // the records of one day and printer stand together: most lines find
    // the entry of the line before
    if (!c.last_day || key != std::string_view(c.last_day_key)) {
      auto it = c.days.find(key);
      if (it == c.days.end()) {
        it = c.days.emplace(std::string(key), SintegraCheck::Day{}).first;
        it->second.date = std::string(key.substr(0, (std::size_t)kSixtyDate.size));
        it->second.serial = std::string(TrimRight(key.substr((std::size_t)kSixtyDate.size)));
      }
      c.last_day = &it->second;  // entries stay where they are as the map grows
      c.last_day_key.assign(key);
    }
    SintegraCheck::Day& day = *c.last_day;
    if (id == kRecord60M) {
      if (day.master_line == 0) {
        day.master_line = c.line;
        std::string_view gross = at(kGross);
        if (whole && AllDigits(gross)) day.gross = LongNumber(gross);
        else day.unsure = true;
      }
    } else {
      if (day.master_line == 0) day.orphans.emplace_back(c.line, name);
      if (id == kRecord60A) {
        std::string_view value = at(kValueA);
        if (whole && AllDigits(value)) day.sum += LongNumber(value);
        else day.unsure = true;
        std::string_view situation = TrimRight(at(kSituationA));
        if (whole && !situation.empty()) {
          bool seen = false;
          for (const auto& [s, first] : day.situations) {
            if (s == situation) {
              c.Add("S73", kR,
                    Format("Linha %lld: situação tributária '%s' repetida nos 60A de %s, ECF %s "
                           "(primeira na linha %lld).",
                           c.line, s.c_str(), ShownDate(day.date).c_str(), day.serial.c_str(),
                           first));
              seen = true;
              break;
            }
          }
          if (!seen) day.situations.emplace_back(std::string(situation), c.line);
        }
      }
    }
  }
  // product codes
  if (const Field* code_field = CodeField(kind)) {
    std::string_view code = TrimRight(at(*code_field));
    if (code.empty()) {
    } else if (id == kRecord75) {
      if (c.codes_described.find(code) == c.codes_described.end()) c.codes_described.emplace(code);
    } else if (c.codes_used.find(code) == c.codes_used.end()) {
      c.codes_used.emplace(code);
    }
  }
  if (id == kRecord50) {
    std::string note;
    note.reserve(29);
    note.append(at(kNoteCnpj)).append(at(kNoteModel)).append(at(kNoteSeries)).append(at(kNoteNumber))
        .append(at(kNoteCfop));
    c.notes.insert(std::move(note));
  }
  if (id == kRecord54 && whole) {
    std::string_view note = line.substr((std::size_t)kItemCnpj.pos - 1,
                                        (std::size_t)(kItemCfop.pos + kItemCfop.size - kItemCnpj.pos));
    if (c.notes.find(note) == c.notes.end()) c.items_waiting.emplace_back(c.line, std::string(note));
  }
}

// The faults of one field of a record of `length` 126.
void CheckField(SintegraCheck& c, std::string_view line, const char* record, const Field& f) {
  std::string_view v = ReadSintegraField(line, f);
  const int last = f.pos + f.size - 1;
  const char* field = f.name;
  if (f.kind == SintegraKind::kBlank) {
    if (!AllBlank(v))
      c.Add("S52", kR,
            Format("Linha %lld: Posições %d-%d do registro %s devem ficar em branco e contêm '%s'.",
                   c.line, f.pos, last, record, std::string(TrimRight(v)).c_str()));
    return;
  }
  if (f.kind == SintegraKind::kNumeric) {
    if (!AllDigits(v)) {
      c.Add("S50", kC,
            Format("Linha %lld: campo %s do registro %s (posições %d-%d) é numérico e contém "
                   "'%s'; use só algarismos, com zeros à esquerda.",
                   c.line, field, record, f.pos, last, std::string(v).c_str()));
      return;
    }
  } else if (!v.empty() && v[0] == ' ' && !AllBlank(v)) {
    c.Add("S51", kR,
          Format("Linha %lld: campo %s do registro %s (posições %d-%d) começa com espaço ('%s'); "
                 "campos alfanuméricos são alinhados à esquerda.",
                 c.line, field, record, f.pos, last, std::string(TrimRight(v)).c_str()));
  }
  const std::string_view value = TrimRight(v);
  auto shown = [&]() { return std::string(value); };
  auto required = [&]() {
    if (!value.empty()) return true;
    c.Add("S37", kR,
          Format("Linha %lld: campo %s do registro %s em branco; o preenchimento é obrigatório.",
                 c.line, field, record));
    return false;
  };
  auto not_listed = [&](const char* code, bool error, const char* allowed) {
    c.Add(code, error,
          Format("Linha %lld: valor '%s' não previsto no campo %s do registro %s; valores "
                 "aceitos: %s.",
                 c.line, shown().c_str(), field, record, allowed));
  };
  auto bad_date = [&]() {
    c.Add("S40", kC,
          Format("Linha %lld: data '%s' inválida no campo %s do registro %s (posições %d-%d); use "
                 "AAAAMMDD com uma data do calendário.",
                 c.line, std::string(v).c_str(), field, record, f.pos, last));
  };
  auto outside = [&](const std::string& shown) {
    c.Add("S41", kC,
          Format("Linha %lld: data %s (campo %s do registro %s) fora do período do registro 10 "
                 "(%s a %s).",
                 c.line, shown.c_str(), field, record, DateText(c.period_start).c_str(),
                 DateText(c.period_end).c_str()));
  };
  auto bad_uf = [&]() {
    c.Add("S33", kC,
          Format("Linha %lld: UF '%s' inválida no campo %s do registro %s (posições %d-%d); use a "
                 "sigla da UF ou EX (exterior).",
                 c.line, shown().c_str(), field, record, f.pos, last));
  };
  auto master_code = [&](const char* allowed_text, std::initializer_list<const char*> allowed) {
    if (!OneOf(value, allowed))
      c.Add("S32", kC,
            Format("Linha %lld: código '%s' inválido no campo %s do registro 10 (posição %d); "
                   "valores aceitos: %s.",
                   c.line, shown().c_str(), field, f.pos, allowed_text));
  };
  switch (f.rule) {
    case Rule::kNone:
    case Rule::kType:
    case Rule::kTotals:
    case Rule::kStateData: break;
    case Rule::kDate:
      if (!DateValue(v)) bad_date();
      break;
    case Rule::kDateOrZeros:
      if (!AllZeros(v) && !DateValue(v)) bad_date();
      break;
    case Rule::kDateInPeriod: {
      int d = DateValue(v);
      if (!d) bad_date();
      else if (c.period_start && (d < c.period_start || d > c.period_end)) outside(DateText(d));
      break;
    }
    case Rule::kMonthYear:
      if (!MonthValue(v)) bad_date();
      break;
    case Rule::kMonthInPeriod: {
      int m = MonthValue(v);
      if (!m) bad_date();
      else if (c.period_start && (m < c.period_start / 100 || m > c.period_end / 100))
        outside(MonthText(m));
      break;
    }
    case Rule::kUf:
      if (!IsUf(value) && value != "EX") bad_uf();
      break;
    case Rule::kUfOrBlank:
      if (!value.empty() && !IsUf(value) && value != "EX") bad_uf();
      break;
    case Rule::kUfOfMaster:
      if (value.empty()) {
        c.Add("S35", kC,
              Format("Linha %lld: campo %s do registro 10 em branco; o preenchimento é "
                     "obrigatório.",
                     c.line, field));
      } else if (!IsUf(value)) {
        bad_uf();
      }
      break;
    case Rule::kRequiredMaster:
      if (value.empty())
        c.Add("S35", kC,
              Format("Linha %lld: campo %s do registro 10 em branco; o preenchimento é "
                     "obrigatório.",
                     c.line, field));
      break;
    case Rule::kCnpjOfMaster:
      if (!ValidTaxId(v))
        c.Add("S30", kC,
              Format("Linha %lld: CNPJ %s do registro 10 inválido (dígito verificador não "
                     "confere).",
                     c.line, std::string(v).c_str()));
      break;
    case Rule::kParticipant:
      if (!AllZeros(v) && !ValidTaxId(v))
        c.Add("S31", kR,
              Format("Linha %lld: CNPJ/CPF %s do registro %s (campo %s) inválido (dígito "
                     "verificador não confere).",
                     c.line, std::string(v).c_str(), record, field));
      break;
    case Rule::kSituation:
      if (!OneOf(value, {"N", "S", "E", "X", "2", "4"})) not_listed("S36", kR, "N, S, E, X, 2, 4");
      break;
    case Rule::kPossession:
      if (!OneOf(value, {"1", "2", "3"})) not_listed("S36", kR, "1, 2, 3");
      break;
    case Rule::kIssuer:
      if (!OneOf(value, {"P", "T"})) not_listed("S34", kC, "P, T");
      break;
    case Rule::kFreight:
      if (!OneOf(value, {"0", "1", "2"})) not_listed("S34", kC, "0, 1, 2");
      break;
    case Rule::kEcfModel:
      if (!OneOf(value, {"2B", "2C", "2D", "2E"})) not_listed("S34", kC, "2B, 2C, 2D, 2E");
      break;
    case Rule::kRequired:
    case Rule::kProductCode:
    case Rule::kCode75:
      required();
      break;
    case Rule::kItemCode: break;
    case Rule::kAgreement: master_code("1, 2, 3", {"1", "2", "3"}); break;
    case Rule::kNature: master_code("1, 2, 3", {"1", "2", "3"}); break;
    case Rule::kPurpose: master_code("1, 2, 3, 5", {"1", "2", "3", "5"}); break;
    case Rule::kSituation60A:
      if (required() && !(value.size() == 4 && AllDigits(value)) &&
          !OneOf(value, {"F", "I", "N", "CANC", "DESC", "ISS"}))
        c.Add("S71", kR,
              Format("Linha %lld: situação tributária '%s' inválida no registro 60A; use a "
                     "alíquota com 4 algarismos (ex.: 1800) ou F, I, N, CANC, DESC, ISS.",
                     c.line, shown().c_str()));
      break;
    case Rule::kSituation60:
      if (required() && !(value.size() == 4 && AllDigits(value)) &&
          !OneOf(value, {"F", "I", "N", "ISS"}))
        c.Add("S74", kR,
              Format("Linha %lld: situação tributária '%s' inválida no registro %s; use a "
                     "alíquota com 4 algarismos (ex.: 1800) ou F, I, N, ISS.",
                     c.line, shown().c_str(), record));
      break;
  }
}

// Record 10: the first one sets the period and the identity the 90s repeat.
// A record 10 or 11 of the wrong length still stands for the file's one
// record 10 or 11, though nothing is read from its fields.
void CheckMaster(SintegraCheck& c, std::string_view line, bool whole) {
  if (c.master_line) {
    c.Add("S12", kC,
          Format("Linha %lld: registro 10 repetido; o arquivo deve ter um único registro 10 (o "
                 "primeiro está na linha %lld).",
                 c.line, c.master_line));
    return;
  }
  c.master_line = c.line;
  c.master_whole = whole;
  if (!whole) return;
  c.master_cnpj = std::string(ReadSintegraField(line, kMasterCnpj));
  c.master_ie = std::string(ReadSintegraField(line, kMasterIe));
  int start = DateValue(ReadSintegraField(line, kPeriodStart));
  int end = DateValue(ReadSintegraField(line, kPeriodEnd));
  if (!start || !end) return;  // S40 says why
  bool whole_month = start % 100 == 1 && start / 100 == end / 100 &&
                     end % 100 == DaysIn(end / 100 % 100, end / 10000);
  if (!whole_month)
    c.Add("S42", kC,
          Format("Linha %lld: período do registro 10 (%s a %s) não é um mês completo; a data "
                 "inicial deve ser o dia 1 e a final o último dia do mesmo mês.",
                 c.line, DateText(start).c_str(), DateText(end).c_str()));
  if (start <= end) {
    c.period_start = start;
    c.period_end = end;
  }
}

// The order of the type-60 records: by date, printer, then M before A, D, I.
void CheckSixtyOrder(SintegraCheck& c, std::string_view line, const char* name) {
  // the report's own sort key, folded as the sort compares it
  char folded[kSintegraKeyLength];
  WriteSintegraSortKey(line.data(), line.size(), folded);
  if (folded[kSintegraKeyLength - 1] == '4') return;  // 60R
  for (char& k : folded) k = (char)SintegraFold(k);
  std::string_view key(folded, sizeof folded);
  if (!c.last_sixty_key.empty() && key < std::string_view(c.last_sixty_key)) {
    std::string_view prev = c.last_sixty_key;
    const std::size_t date_at = (std::size_t)kSixtyDate.pos - 2;  // the key drops the subtype
    const std::size_t serial_at = (std::size_t)kSixtySerial.pos - 2;
    c.Add("S21", kC,
          Format("Linha %lld: registro %s de %s, ECF %s, fora de ordem depois do %s de %s, ECF %s "
                 "(linha %lld); os registros 60 vão por data, por número de série do ECF e, em "
                 "cada dia e ECF, o 60M antes dos 60A, 60D e 60I.",
                 c.line, name, ShownDate(ReadSintegraField(line, kSixtyDate)).c_str(),
                 std::string(TrimRight(ReadSintegraField(line, kSixtySerial))).c_str(),
                 c.last_sixty_name.c_str(),
                 ShownDate(prev.substr(date_at, (std::size_t)kSixtyDate.size)).c_str(),
                 std::string(TrimRight(prev.substr(serial_at, (std::size_t)kSixtySerial.size)))
                     .c_str(),
                 c.last_sixty_line));
  }
  c.last_sixty_key.assign(key);  // in place: no allocation after the first
  c.last_sixty_name = name;
  c.last_sixty_line = c.line;
}

// The plain numeric fields of a kind (no rule of their own) as runs of
// positions (0-based start, length), neighbours merged.
const std::vector<std::pair<int, int>>& PlainDigitRuns(const Kind& kind) {
  static const std::vector<std::vector<std::pair<int, int>>> runs = [] {
    std::vector<std::vector<std::pair<int, int>>> all;
    for (const Kind& k : kSintegraRecords) {
      std::vector<std::pair<int, int>> r;
      for (int i = 0; i < k.count; ++i) {
        const Field& f = k.fields[i];
        if (f.kind != SintegraKind::kNumeric || f.rule != Rule::kNone) continue;
        if (!r.empty() && r.back().first + r.back().second == f.pos - 1) r.back().second += f.size;
        else r.emplace_back(f.pos - 1, f.size);
      }
      all.push_back(std::move(r));
    }
    return all;
  }();
  return runs[(std::size_t)(&kind - kSintegraRecords)];
}

void CheckRecord(SintegraCheck& c, std::string_view line, const Kind& kind) {
  const char* name = kind.name;
  int type = TypeNumber(line);
  if (c.last_type > type) {
    char prev[16];
    std::snprintf(prev, sizeof prev, "%02d", c.last_type);
    c.Add("S20", kC,
          Format("Linha %lld: registro %s depois de registro %s (linha %lld); os registros devem "
                 "estar em ordem crescente de tipo.",
                 c.line, std::string(line.substr(0, 2)).c_str(), prev, c.last_type_line));
  }
  c.last_type = type;
  c.last_type_line = c.line;
  if (name[0] == '6' && name[1] == '0') CheckSixtyOrder(c, line, name);
  if (&kind == kRecord11) {
    if (AllZeros(ReadSintegraField(line, kExtraNumber)) &&
        AllBlank(ReadSintegraField(line, kExtraComplement)))
      c.Add("S37", kR,
            Format("Linha %lld: campo %s do registro %s em branco; o preenchimento é obrigatório.",
                   c.line, kExtraNumber.name, name));
  }
  // Plain numeric fields, merged where they follow one another, are looked
  // at as runs of digits first; only when a run is not all digits are they
  // gone through field by field.
  bool plain_digits = true;
  for (const auto& [from, size] : PlainDigitRuns(kind)) {
    if (!AllDigits(line.substr((std::size_t)from, (std::size_t)size))) {
      plain_digits = false;
      break;
    }
  }
  for (int i = 0; i < kind.count; ++i) {
    const Field& f = kind.fields[i];
    if (f.rule == Rule::kType || f.rule == Rule::kTotals || f.rule == Rule::kStateData) continue;
    if (plain_digits && f.kind == SintegraKind::kNumeric && f.rule == Rule::kNone) continue;
    CheckField(c, line, name, f);
  }
}

// Second reading: a line that uses a product code no record 75 describes.
void NameMissingCodes(SintegraCheck& c, std::string_view line) {
  const Kind* kind = KindOf(line);
  if (!kind || kind == kRecord75 || AllBlank(line)) return;
  const Field* code_field = CodeField(*kind);
  if (!code_field) return;
  std::string_view code = TrimRight(ReadSintegraField(line, *code_field));
  if (code.empty() || !c.missing_codes->contains(code)) return;
  c.Add("S80", kR,
        Format("Linha %lld: código de produto '%s' do registro %s sem registro 75 "
               "correspondente.",
               c.line, std::string(code).c_str(), kind->name));
}

// Checks the next line (without its line end).
void CheckSintegraLine(SintegraCheck& c, std::string_view line, SintegraLineEnd end) {
  ++c.line;
  if (c.missing_codes) {
    NameMissingCodes(c, line);
    return;
  }
  const bool empty = AllBlank(line);
  if (empty) {
    c.Add("S03", kC,
          Format("Linha %lld: linha vazia; o arquivo só pode ter registros de 126 caracteres, sem "
                 "linhas em branco.",
                 c.line));
  } else {
    ++c.records;
  }
  if (end != SintegraLineEnd::kCrLf) {
    const char* how = end == SintegraLineEnd::kLf   ? "termina só com LF"
                      : end == SintegraLineEnd::kCr ? "termina só com CR"
                                                    : "não termina com CR LF";
    c.Add("S02", kC,
          Format("Linha %lld: a linha %s; cada registro deve terminar com CR LF logo após a "
                 "posição 126.",
                 c.line, how));
  }
  if (empty) return;
  int type = TypeNumber(line);
  if (type >= 0) ++c.type_counts[type];
  const Kind* kind = KindOf(line);
  const bool whole = line.size() == (std::size_t)kSintegraRecordLength;
  // a control character is often why a line has the wrong length
  if (int i = FirstControl(line); i >= 0)
    c.Add("S05", kR,
          Format("Linha %lld: caractere de controle (código %d) na posição %d; o registro só "
                 "pode ter letras, algarismos e espaços.",
                 c.line, (int)(unsigned char)line[(std::size_t)i], i + 1));
  if (kind == kRecord10) CheckMaster(c, line, whole);
  if (kind == kRecord11) {
    if (c.extra_line) {
      c.Add("S14", kC,
            Format("Linha %lld: registro 11 repetido; o arquivo deve ter um único registro 11 (o "
                   "primeiro está na linha %lld).",
                   c.line, c.extra_line));
    } else {
      c.extra_line = c.line;
    }
  }
  if (!whole) {
    std::string name = RecordName(line);
    c.Add("S01", kC,
          Format("Linha %lld: registro %s com %d caracteres; o leiaute pede 126.", c.line,
                 name.c_str(), (int)line.size()));
  } else if (!kind) {
    std::string name = RecordName(line);
    c.Add("S10", kC,
          Format("Linha %lld: tipo de registro '%s' desconhecido no leiaute do Convênio ICMS "
                 "57/95.",
                 c.line, name.c_str()));
  } else {
    CheckRecord(c, line, *kind);
  }
  if (kind) {
    NoteReferences(c, line, *kind, whole);
    if (type == 90) c.totals.emplace_back(c.line, whole ? std::string(line) : std::string());
  }
}


// The totals of the 90 records, against the whole file.
void CheckTotals(SintegraCheck& c) {
  if (c.totals.empty()) {
    c.AddAt(0, "S15", kC, "Arquivo sem registro 90 (totalização do arquivo).");
    return;
  }
  const long long count90 = (long long)c.totals.size();
  const long long last_line = c.totals.back().first;
  std::map<int, long long> totalled;  // type, line of the 90 that totals it
  bool grand_total_last = false;
  for (const auto& [at, line] : c.totals) {
    if (line.empty()) continue;  // of the wrong length: S01 said so
    std::string_view l = line;
    if (c.master_whole) {
      std::string_view cnpj = ReadSintegraField(l, kNinetyCnpj);
      std::string_view ie = ReadSintegraField(l, kNinetyIe);
      if (cnpj != c.master_cnpj)
        c.AddAt(at, "S68", kC,
                Format("Linha %lld: %s do registro 90 ('%s') diferente do registro 10 ('%s').", at,
                       kNinetyCnpj.name, std::string(cnpj).c_str(), c.master_cnpj.c_str()));
      if (ie != c.master_ie)
        c.AddAt(at, "S68", kC,
                Format("Linha %lld: %s do registro 90 ('%s') diferente do registro 10 ('%s').", at,
                       kNinetyIe.name, std::string(TrimRight(ie)).c_str(),
                       std::string(TrimRight(c.master_ie)).c_str()));
    }
    // not a digit: the field's own check (S50) said so
    char count_digit = ReadSintegraField(l, kNinetyCount)[0];
    if (count_digit >= '0' && count_digit <= '9' && count_digit - '0' != count90)
      c.AddAt(at, "S61", kC,
              Format("Linha %lld: a posição 126 do registro 90 informa %s registro(s) 90, mas o "
                     "arquivo tem %lld.",
                     at, std::string(1, count_digit).c_str(), count90));
    // 0-based: the first pair and the end of the totals area
    const std::size_t first = (std::size_t)kNinetyTotals.pos - 1;
    const std::size_t end = first + (std::size_t)kNinetyTotals.size;
    std::size_t pos = first;
    for (; pos + 10 <= end; pos += 10) {
      std::string_view pair = l.substr(pos, 10);
      if (AllBlank(pair)) break;
      if (!AllDigits(pair)) {
        c.AddAt(at, "S67", kC,
                Format("Linha %lld: área de totais do registro 90 mal formada na posição %d "
                       "('%s'); cada total é o tipo (2 algarismos) seguido da quantidade (8 "
                       "algarismos), e o resto fica em branco.",
                       at, (int)pos + 1, std::string(pair).c_str()));
        continue;
      }
      int type = Number(pair.substr(0, 2));
      long long count = LongNumber(pair.substr(2, 8));
      char type_text[16];
      std::snprintf(type_text, sizeof type_text, "%02d", type);
      auto seen = totalled.find(type);
      if (type == 99) {
        if (at != last_line) {
          c.AddAt(at, "S64", kC,
                  Format("Linha %lld: o total geral (tipo 99) deve estar só no último registro 90 "
                         "(linha %lld).",
                         at, last_line));
        } else {
          if (grand_total_last)
            c.AddAt(at, "S66", kR,
                    Format("Linha %lld: o tipo %s aparece mais de uma vez nos totais do registro "
                           "90 (antes na linha %lld).",
                           at, type_text, at));
          grand_total_last = true;
          if (count != c.records)
            c.AddAt(at, "S63", kC,
                    Format("Linha %lld: o total geral (tipo 99) do registro 90 é %lld, mas o "
                           "arquivo tem %lld registros.",
                           at, count, c.records));
        }
        continue;
      }
      if (type == 10 || type == 11 || type == 90) {
        c.AddAt(at, "S65", kC,
                Format("Linha %lld: o registro 90 totaliza o tipo %s, que não deve ser totalizado "
                       "(os tipos 10, 11 e 90 entram só no total geral, tipo 99).",
                       at, type_text));
        continue;
      }
      // every total is held against the file, the repeated ones too
      if (seen != totalled.end()) {
        c.AddAt(at, "S66", kR,
                Format("Linha %lld: o tipo %s aparece mais de uma vez nos totais do registro 90 "
                       "(antes na linha %lld).",
                       at, type_text, seen->second));
      } else {
        totalled[type] = at;
      }
      long long in_file = c.type_counts[type];
      if (count != in_file)
        c.AddAt(at, "S60", kC,
                Format("Linha %lld: o registro 90 informa %lld registro(s) do tipo %s, mas o "
                       "arquivo tem %lld.",
                       at, count, type_text, in_file));
    }
    // after the pairs, blanks to the end of the totals area
    if (pos < end) {
      std::string_view rest = l.substr(pos, end - pos);
      std::size_t odd = rest.find_first_not_of(' ');
      if (odd != std::string_view::npos)
        c.AddAt(at, "S67", kC,
                Format("Linha %lld: área de totais do registro 90 mal formada na posição %d "
                       "('%s'); cada total é o tipo (2 algarismos) seguido da quantidade (8 "
                       "algarismos), e o resto fica em branco.",
                       at, (int)(pos + odd) + 1, std::string(TrimRight(rest.substr(odd))).c_str()));
    }
  }
  if (!c.totals.back().second.empty()) {
    if (!grand_total_last)
      c.AddAt(last_line, "S64", kC,
              Format("Linha %lld: o último registro 90 não informa o total geral (tipo 99) de "
                     "registros do arquivo.",
                     last_line));
    for (int type = 0; type < 100; ++type) {
      const long long count = c.type_counts[type];
      // 99 names the grand total: lines of that type can have no total of their own
      if (count == 0 || type == 10 || type == 11 || type == 90 || type == 99 ||
          totalled.count(type))
        continue;
      c.AddAt(last_line, "S62", kC,
              Format("Linha %lld: o tipo %02d (%lld registro(s) no arquivo) não está totalizado no "
                     "registro 90.",
                     last_line, type, count));
    }
  }
}

// What only the whole file tells. Leaves in missing the product codes that
// no record 75 describes.
void EndSintegraCheck(SintegraCheck& c, TextSet& missing) {
  if (!c.master_line) c.AddAt(0, "S11", kC, "Arquivo sem registro 10 (mestre do estabelecimento).");
  if (!c.extra_line)
    c.AddAt(0, "S13", kC, "Arquivo sem registro 11 (dados complementares do informante).");
  CheckTotals(c);
  for (const auto& [key, day] : c.days) {
    if (day.master_line == 0) {
      for (const auto& [at, name] : day.orphans)
        c.AddAt(at, "S70", kR,
                Format("Linha %lld: registro %s de %s, ECF %s, sem o registro 60M do mesmo dia e "
                       "equipamento.",
                       at, name.c_str(), ShownDate(day.date).c_str(), day.serial.c_str()));
      continue;
    }
    if (!day.unsure && day.gross != day.sum)
      c.AddAt(day.master_line, "S72", kR,
              Format("Linha %lld: venda bruta do 60M de %s, ECF %s, é %s, mas a soma dos 60A do "
                     "mesmo dia e ECF é %s.",
                     day.master_line, ShownDate(day.date).c_str(), day.serial.c_str(),
                     Money(day.gross).c_str(), Money(day.sum).c_str()));
  }
  for (const std::string& code : c.codes_used)
    if (!c.codes_described.contains(code)) missing.insert(code);
  for (const auto& [at, note] : c.items_waiting) {
    if (c.notes.contains(note)) continue;
    // the note's key: CNPJ, modelo, série, número and CFOP one after another
    std::string_view key = note;
    auto part = [&key](const Field& f) {
      std::string_view p = key.substr(0, (std::size_t)f.size);
      key.remove_prefix(p.size());
      return std::string(p);
    };
    std::string cnpj = part(kNoteCnpj), model = part(kNoteModel);
    std::string series(TrimRight(part(kNoteSeries)));
    std::string number = part(kNoteNumber), cfop = part(kNoteCfop);
    c.AddAt(at, "S81", kC,
            Format("Linha %lld: item do registro 54 (CNPJ %s, modelo %s, série '%s', nota %s, "
                   "CFOP %s) sem registro 50 correspondente.",
                   at, cnpj.c_str(), model.c_str(), series.c_str(), number.c_str(),
                   cfop.c_str()));
  }
}


// Splits bytes into lines and feeds them; returns how many bytes were used
// (a last line without its end is kept for more bytes unless at_end).
std::size_t FeedLines(SintegraCheck& check, std::string_view bytes, bool at_end) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const char* base = bytes.data() + start;
    std::size_t left = bytes.size() - start;
    const char* lf = (const char*)std::memchr(base, '\n', left);
    std::size_t scan = lf ? (std::size_t)(lf - base) : left;
    const char* cr = (const char*)std::memchr(base, '\r', scan);
    if (cr && cr + 1 < base + scan) {  // a CR alone inside, before any LF
      CheckSintegraLine(check, std::string_view(base, (std::size_t)(cr - base)),
                        SintegraLineEnd::kCr);
      start += (std::size_t)(cr - base) + 1;
      continue;
    }
    if (!lf) {
      if (!at_end) return start;
      std::string_view rest(base, left);
      if (rest == "\x1A") return bytes.size();  // the old end-of-file mark
      if (!rest.empty() && rest.back() == '\r') {
        CheckSintegraLine(check, rest.substr(0, rest.size() - 1), SintegraLineEnd::kCr);
      } else {
        CheckSintegraLine(check, rest, SintegraLineEnd::kNone);
      }
      return bytes.size();
    }
    if (cr) {  // the CR right before the LF
      CheckSintegraLine(check, std::string_view(base, scan - 1), SintegraLineEnd::kCrLf);
    } else {
      CheckSintegraLine(check, std::string_view(base, scan), SintegraLineEnd::kLf);
    }
    start += scan + 1;
  }
  return start;
}

// Reads the file at path in blocks and feeds its lines. Returns 1 when it
// was read to its end, else 0.
int FeedFile(const std::string& path, SintegraCheck& check) {
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  if (!in) return 0;
  constexpr std::size_t kBlock = 1 << 20;
  std::string buffer;
  buffer.resize(kBlock);
  std::size_t held = 0;  // bytes of an unfinished line kept at the start
  for (;;) {
    if (buffer.size() - held < kBlock / 2) buffer.resize(buffer.size() * 2);
    std::size_t n = PlatRead(in, buffer.data() + held, buffer.size() - held);
    bool at_end = n == 0;
    std::size_t used = FeedLines(check, std::string_view(buffer.data(), held + n), at_end);
    held = held + n - used;
    if (held) std::memmove(buffer.data(), buffer.data() + used, held);
    if (at_end) break;
  }
  bool failed = PlatFailed(in);
  PlatClose(in);
  return failed ? 0 : 1;
}

// One pass over the source; a second reading, only when some product code
// has no record 75, names every line that uses such a code. feed(check)
// reads the whole source into check and returns 1, or 0 when it could not.
template <typename Feed>
int CheckSource(Feed feed, std::vector<SintegraFault>& faults) {
  SintegraCheck check;
  if (!feed(check)) return 0;
  TextSet missing;
  EndSintegraCheck(check, missing);
  if (!missing.empty()) {
    SintegraCheck uses;
    uses.missing_codes = &missing;
    if (!feed(uses)) return 0;
    check.faults.insert(check.faults.end(), std::make_move_iterator(uses.faults.begin()),
                        std::make_move_iterator(uses.faults.end()));
  }
  std::stable_sort(check.faults.begin(), check.faults.end(),
                   [](const SintegraFault& a, const SintegraFault& b) {
                     if (a.line != b.line) return a.line < b.line;
                     return std::strcmp(a.code, b.code) < 0;
                   });
  faults = std::move(check.faults);
  return 1;
}

}  // namespace

void CheckSintegraText(std::string_view bytes, std::vector<SintegraFault>& faults) {
  CheckSource(
      [bytes](SintegraCheck& check) {
        FeedLines(check, bytes, true);
        return 1;
      },
      faults);
}

int CheckSintegraFile(const std::string& path, std::vector<SintegraFault>& faults) {
  faults.clear();
  return CheckSource([&path](SintegraCheck& check) { return FeedFile(path, check); }, faults);
}
