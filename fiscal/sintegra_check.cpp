#include "fiscal/sintegra_check.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "codecs/br_ids.h"
#include "codecs/calendar.h"
#include "codecs/digits.h"
#include "fiscal/sintegra_layout.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------
// The catalogue of checks: every message of the checker is made from one of
// these rows. An error is a certain rule of the published layout; a warning
// a reading of it.

namespace {

constexpr bool kError = true;
constexpr bool kWarning = false;

// The rows, by the message they make.
enum class Msg : int {
  kS01, kS02Lf, kS02Cr, kS02None, kS03, kS05, kS10, kS11, kS12, kS13, kS14, kS15, kS20, kS21,
  kS30, kS31, kS32, kS33, kS34, kS35, kS36, kS37, kS40, kS41, kS42, kS50, kS51, kS52, kS60,
  kS61, kS62, kS63, kS64Missing, kS64NotLast, kS65, kS66, kS67, kS68, kS70, kS71, kS72, kS73,
  kS74, kS80, kS81, kCount
};

const SintegraCheckRule kCatalogue[] = {
    {"S01", kError, "Linha %lld: registro %s com %d caracteres; o leiaute pede 126."},
    {"S02", kError,
     "Linha %lld: a linha termina só com LF; cada registro deve terminar com CR LF logo após a "
     "posição 126."},
    {"S02", kError,
     "Linha %lld: a linha termina só com CR; cada registro deve terminar com CR LF logo após a "
     "posição 126."},
    {"S02", kError,
     "Linha %lld: a linha não termina com CR LF; cada registro deve terminar com CR LF logo após "
     "a posição 126."},
    {"S03", kError,
     "Linha %lld: linha vazia; o arquivo só pode ter registros de 126 caracteres, sem linhas em "
     "branco."},
    {"S05", kWarning,
     "Linha %lld: caractere de controle (código %d) na posição %d; o registro só pode ter "
     "letras, algarismos e espaços."},
    {"S10", kError,
     "Linha %lld: tipo de registro '%s' desconhecido no leiaute do Convênio ICMS 57/95."},
    {"S11", kError, "Arquivo sem registro 10 (mestre do estabelecimento)."},
    {"S12", kError,
     "Linha %lld: registro 10 repetido; o arquivo deve ter um único registro 10 (o primeiro está "
     "na linha %lld)."},
    {"S13", kError, "Arquivo sem registro 11 (dados complementares do informante)."},
    {"S14", kError,
     "Linha %lld: registro 11 repetido; o arquivo deve ter um único registro 11 (o primeiro está "
     "na linha %lld)."},
    {"S15", kError, "Arquivo sem registro 90 (totalização do arquivo)."},
    {"S20", kError,
     "Linha %lld: registro %s depois de registro %s (linha %lld); os registros devem estar em "
     "ordem crescente de tipo."},
    {"S21", kError,
     "Linha %lld: registro %s de %s, ECF %s, fora de ordem depois do %s de %s, ECF %s (linha "
     "%lld); os registros 60 vão por data, por número de série do ECF e, em cada dia e ECF, o "
     "60M antes dos 60A, 60D e 60I."},
    {"S30", kError, "Linha %lld: CNPJ %s do registro 10 inválido (dígito verificador não confere)."},
    {"S31", kWarning,
     "Linha %lld: CNPJ/CPF %s do registro %s (campo %s) inválido (dígito verificador não "
     "confere)."},
    {"S32", kError,
     "Linha %lld: código '%s' inválido no campo %s do registro 10 (posição %d); valores aceitos: "
     "%s."},
    {"S33", kError,
     "Linha %lld: UF '%s' inválida no campo %s do registro %s (posições %d-%d); use a sigla da UF "
     "ou EX (exterior)."},
    {"S34", kError,
     "Linha %lld: valor '%s' não previsto no campo %s do registro %s; valores aceitos: %s."},
    {"S35", kError,
     "Linha %lld: campo %s do registro 10 em branco; o preenchimento é obrigatório."},
    {"S36", kWarning,
     "Linha %lld: valor '%s' não previsto no campo %s do registro %s; valores aceitos: %s."},
    {"S37", kWarning,
     "Linha %lld: campo %s do registro %s em branco; o preenchimento é obrigatório."},
    {"S40", kError,
     "Linha %lld: data '%s' inválida no campo %s do registro %s (posições %d-%d); use AAAAMMDD "
     "com uma data do calendário."},
    {"S41", kError,
     "Linha %lld: data %s (campo %s do registro %s) fora do período do registro 10 (%s a %s)."},
    {"S42", kError,
     "Linha %lld: período do registro 10 (%s a %s) não é um mês completo; a data inicial deve ser "
     "o dia 1 e a final o último dia do mesmo mês."},
    {"S50", kError,
     "Linha %lld: campo %s do registro %s (posições %d-%d) é numérico e contém '%s'; use só "
     "algarismos, com zeros à esquerda."},
    {"S51", kWarning,
     "Linha %lld: campo %s do registro %s (posições %d-%d) começa com espaço ('%s'); campos "
     "alfanuméricos são alinhados à esquerda."},
    {"S52", kWarning,
     "Linha %lld: Posições %d-%d do registro %s devem ficar em branco e contêm '%s'."},
    {"S60", kError,
     "Linha %lld: o registro 90 informa %lld registro(s) do tipo %s, mas o arquivo tem %lld."},
    {"S61", kError,
     "Linha %lld: a posição 126 do registro 90 informa %s registro(s) 90, mas o arquivo tem "
     "%lld."},
    {"S62", kError,
     "Linha %lld: o tipo %02d (%lld registro(s) no arquivo) não está totalizado no registro 90."},
    {"S63", kError,
     "Linha %lld: o total geral (tipo 99) do registro 90 é %lld, mas o arquivo tem %lld "
     "registros."},
    {"S64", kError,
     "Linha %lld: o último registro 90 não informa o total geral (tipo 99) de registros do "
     "arquivo."},
    {"S64", kError,
     "Linha %lld: o total geral (tipo 99) deve estar só no último registro 90 (linha %lld)."},
    {"S65", kError,
     "Linha %lld: o registro 90 totaliza o tipo %s, que não deve ser totalizado (os tipos 10, 11 "
     "e 90 entram só no total geral, tipo 99)."},
    {"S66", kWarning,
     "Linha %lld: o tipo %s aparece mais de uma vez nos totais do registro 90 (antes na linha "
     "%lld)."},
    {"S67", kError,
     "Linha %lld: área de totais do registro 90 mal formada na posição %d ('%s'); cada total é o "
     "tipo (2 algarismos) seguido da quantidade (8 algarismos), e o resto fica em branco."},
    {"S68", kError, "Linha %lld: %s do registro 90 ('%s') diferente do registro 10 ('%s')."},
    {"S70", kWarning,
     "Linha %lld: registro %s de %s, ECF %s, sem o registro 60M do mesmo dia e equipamento."},
    {"S71", kWarning,
     "Linha %lld: situação tributária '%s' inválida no registro 60A; use a alíquota com 4 "
     "algarismos (ex.: 1800) ou F, I, N, CANC, DESC, ISS."},
    {"S72", kWarning,
     "Linha %lld: venda bruta do 60M de %s, ECF %s, é %s, mas a soma dos 60A do mesmo dia e ECF "
     "é %s."},
    {"S73", kWarning,
     "Linha %lld: situação tributária '%s' repetida nos 60A de %s, ECF %s (primeira na linha "
     "%lld)."},
    {"S74", kWarning,
     "Linha %lld: situação tributária '%s' inválida no registro %s; use a alíquota com 4 "
     "algarismos (ex.: 1800) ou F, I, N, ISS."},
    {"S80", kWarning,
     "Linha %lld: código de produto '%s' do registro %s sem registro 75 correspondente."},
    {"S81", kError,
     "Linha %lld: item do registro 54 (CNPJ %s, modelo %s, série '%s', nota %s, CFOP %s) sem "
     "registro 50 correspondente."},
};
static_assert(sizeof kCatalogue / sizeof kCatalogue[0] == (std::size_t)Msg::kCount,
              "one catalogue row per message");

}  // namespace

std::span<const SintegraCheckRule> SintegraCatalogue() { return kCatalogue; }

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
constexpr const Kind* kRecord75 = SintegraRecordNamed("75");

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
// A note of record 50 is known by its CNPJ, modelo, série, número and CFOP,
// and a 54 names its note by those in a row.
constexpr int kNoteKeySize =
    kNoteCnpj.size + kNoteModel.size + kNoteSeries.size + kNoteNumber.size + kNoteCfop.size;
static_assert(kItemCfop.pos + kItemCfop.size - kItemCnpj.pos == kNoteKeySize);

// How the checker looks at the lines of one kind, made once from the
// layout: the field that names a product code; its plain numeric fields (no
// rule of their own) as runs of positions (0-based start, length),
// neighbours merged; the fields the record pass checks one by one, with and
// without those plain ones.
struct KindPlan {
  const Kind* kind = nullptr;
  const Field* code = nullptr;  // a product code used or described, or nullptr
  std::vector<std::pair<int, int>> plain_runs;
  std::vector<const Field*> ruled;  // every checked field but the plain numeric ones
  std::vector<const Field*> all;    // every checked field
};

// The plan of every kind, in the order of kSintegraRecords; by type number,
// the index of its kind named by the type alone and of those named by the
// type and a subtype letter A-Z (60M, 61R); -1 for none.
struct KindPlans {
  KindPlan of[kSintegraRecordCount];
  struct Type {
    signed char plain = -1;
    signed char lettered[26];
  } by_type[100];
};
static_assert(kSintegraRecordCount <= 127, "a kind's index fits a signed char");
// Every kind is named by two digits and at most a letter A-Z.
constexpr bool KindNamesFitThePlans() {
  for (const Kind& k : kSintegraRecords) {
    const char* n = k.name;
    if (n[0] < '0' || n[0] > '9' || n[1] < '0' || n[1] > '9') return false;
    if (n[2] != '\0' && (n[2] < 'A' || n[2] > 'Z' || n[3] != '\0')) return false;
  }
  return true;
}
static_assert(KindNamesFitThePlans());

// The type of a line, its first two characters as a number; -1 when they
// are not two digits.
int TypeNumber(std::string_view line) {
  if (line.size() < 2 || line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9')
    return -1;
  return (line[0] - '0') * 10 + (line[1] - '0');
}

KindPlan PlanFor(const Kind& k) {
  KindPlan plan;
  plan.kind = &k;
  std::vector<std::pair<int, int>>& r = plan.plain_runs;
  for (int i = 0; i < k.count; ++i) {
    const Field& f = k.fields[i];
    if (!plan.code &&
        (f.rule == Rule::kProductCode || f.rule == Rule::kItemCode || f.rule == Rule::kCode75))
      plan.code = &f;
    // the type is known by now; the totals of a 90 have their own pass;
    // each state's record 88 is not looked into
    if (f.rule == Rule::kType || f.rule == Rule::kTotals || f.rule == Rule::kStateData) continue;
    plan.all.push_back(&f);
    if (f.kind != SintegraKind::kNumeric || f.rule != Rule::kNone) {
      plan.ruled.push_back(&f);
      continue;
    }
    if (!r.empty() && r.back().first + r.back().second == f.pos - 1) r.back().second += f.size;
    else r.emplace_back(f.pos - 1, f.size);
  }
  return plan;
}

const KindPlans& Plans() {
  static const KindPlans plans = [] {
    KindPlans p;
    for (KindPlans::Type& t : p.by_type)
      for (signed char& i : t.lettered) i = -1;
    for (int i = 0; i < kSintegraRecordCount; ++i) {
      const Kind& kind = kSintegraRecords[i];
      p.of[i] = PlanFor(kind);
      KindPlans::Type& t = p.by_type[TypeNumber(kind.name)];
      if (kind.name[2] == '\0') t.plain = (signed char)i;
      else t.lettered[kind.name[2] - 'A'] = (signed char)i;
    }
    return p;
  }();
  return plans;
}

// Returns the plan of a line's kind, or nullptr for a type the layout does
// not know: a subtype letter of its type (60M, 61R) else the type alone
// (61), so a 60 needs a letter of the layout.
const KindPlan* PlanOfLine(std::string_view line) {
  const int number = TypeNumber(line);
  if (number < 0) return nullptr;
  const KindPlans& plans = Plans();
  const KindPlans::Type& type = plans.by_type[number];
  int i = type.plain;
  if (line.size() > 2 && line[2] >= 'A' && line[2] <= 'Z' && type.lettered[line[2] - 'A'] >= 0)
    i = type.lettered[line[2] - 'A'];
  return i < 0 ? nullptr : &plans.of[i];
}

// The name of a line's record for messages: "60M", "61R", else its type.
std::string RecordName(std::string_view line) {
  if (line.size() >= 3 && line[0] == '6' && (line[1] == '0' || (line[1] == '1' && line[2] == 'R')))
    return std::string(line.substr(0, 3));
  return std::string(line.substr(0, std::min<std::size_t>(2, line.size())));
}

// ---------------------------------------------------------------------------
// Values as the messages show them.

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
  int v = CompactDateValue(s);
  return v ? DateText(v) : std::string(s);
}

// Cents as "1.234,56".
std::string Money(long long cents) {
  std::string text;
  return FormatCents(cents, text);
}

// The values a coded field accepts, each spelled once: the check and the
// list its message gives are made from the same values.
using Allowed = std::initializer_list<std::string_view>;

bool OneOf(std::string_view value, Allowed allowed) {
  for (std::string_view a : allowed)
    if (value == a) return true;
  return false;
}

// The values as a message lists them: "1, 2, 3".
std::string Listed(Allowed allowed) {
  std::string text;
  for (std::string_view a : allowed) {
    if (!text.empty()) text += ", ";
    text += a;
  }
  return text;
}

// Folds n bytes of text (n a multiple of 8) as SintegraFold folds each,
// eight at a time: only a-z change, by their 0x20 bit.
void FoldWords(char* text, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, text + i, 8);
    // on the low seven bits, no carry leaves a byte: the high bit tells
    std::uint64_t low = x & (kOnes * 0x7F);
    std::uint64_t from_a = low + kOnes * (0x80 - 'a');
    std::uint64_t past_z = low + kOnes * (0x80 - 'z' - 1);
    std::uint64_t lower = from_a & ~past_z & ~x & (kOnes * 0x80);
    x ^= lower >> 2;
    std::memcpy(text + i, &x, 8);
  }
}
static_assert((kSintegraKeyLength + 1) % 8 == 0, "the sort key and a blank fold in whole words");

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
  // The last AAAAMMDD read and its value (CompactDateValue): the lines of a
  // day repeat their date. Value -1 before the first.
  std::uint64_t last_date_text = 0;
  int last_date_value = -1;

  // order of types and of the type-60 records
  int last_type = -1;
  long long last_type_line = 0;
  char last_sixty_key[kSintegraKeyLength] = {};  // the sort key of the last one, folded
  const char* last_sixty_name = "";  // its record's name in the layout
  long long last_sixty_line = 0;     // 0 before the first

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

};

namespace {

// Makes the message of a catalogue row, its template filled in with args,
// and adds it as a fault of line at.
void Fault(SintegraCheck& c, long long at, Msg message, ...) {
  const SintegraCheckRule& rule = kCatalogue[(int)message];
  va_list args;
  va_start(args, message);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, rule.text, args);
  va_end(args);
  std::string text((std::size_t)(length > 0 ? length : 0), '\0');
  std::vsnprintf(text.data(), text.size() + 1, rule.text, again);
  va_end(again);
  c.faults.push_back(SintegraFault{at, rule.code, rule.error, std::move(text)});
}

// The references a line makes or gives (a 60M day, a product code, a 50
// note): taken from every line of a known type, also from one of the wrong
// length, so that one bad line gives one fault.
void NoteReferences(SintegraCheck& c, std::string_view line, const KindPlan& plan, bool whole) {
  const Kind* id = plan.kind;
  const char* name = id->name;
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
        it->second.serial = std::string(TrimBlanks(key.substr((std::size_t)kSixtyDate.size)));
      }
      c.last_day = &it->second;  // entries stay where they are as the map grows
      c.last_day_key.assign(key);
    }
    SintegraCheck::Day& day = *c.last_day;
    if (id == kRecord60M) {
      if (day.master_line == 0) {
        day.master_line = c.line;
        std::string_view gross = at(kGross);
        if (whole && AllDigits(gross)) day.gross = DigitsValue(gross);
        else day.unsure = true;
      }
    } else {
      if (day.master_line == 0) day.orphans.emplace_back(c.line, name);
      if (id == kRecord60A) {
        std::string_view value = at(kValueA);
        if (whole && AllDigits(value)) day.sum += DigitsValue(value);
        else day.unsure = true;
        std::string_view situation = TrimBlanks(at(kSituationA));
        if (whole && !situation.empty()) {
          bool seen = false;
          for (const auto& [s, first] : day.situations) {
            if (s == situation) {
              Fault(c, c.line, Msg::kS73, c.line, s.c_str(), ShownDate(day.date).c_str(), day.serial.c_str(), first);
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
  if (const Field* code_field = plan.code) {
    std::string_view code = TrimBlanks(at(*code_field));
    if (code.empty()) {
    } else if (id == kRecord75) {
      if (c.codes_described.find(code) == c.codes_described.end()) c.codes_described.emplace(code);
    } else if (c.codes_used.find(code) == c.codes_used.end()) {
      c.codes_used.emplace(code);
    }
  }
  if (id == kRecord50) {
    std::string note;
    note.reserve(kNoteKeySize);
    note.append(at(kNoteCnpj)).append(at(kNoteModel)).append(at(kNoteSeries)).append(at(kNoteNumber))
        .append(at(kNoteCfop));
    c.notes.insert(std::move(note));
  }
  if (id == kRecord54 && whole) {
    std::string_view note = line.substr((std::size_t)kItemCnpj.pos - 1, (std::size_t)kNoteKeySize);
    if (c.notes.find(note) == c.notes.end()) c.items_waiting.emplace_back(c.line, std::string(note));
  }
}

// The faults of the field rules, one procedure each, so that the rules'
// common path keeps nothing in memory for them.
void BadDate(SintegraCheck& c, const char* record, const Field& f, std::string_view v) {
  Fault(c, c.line, Msg::kS40, c.line, std::string(v).c_str(), f.name, record, f.pos,
        f.pos + f.size - 1);
}
void OutsidePeriod(SintegraCheck& c, const char* record, const Field& f, const std::string& shown) {
  Fault(c, c.line, Msg::kS41, c.line, shown.c_str(), f.name, record,
        DateText(c.period_start).c_str(), DateText(c.period_end).c_str());
}
void BadUf(SintegraCheck& c, const char* record, const Field& f, std::string_view value) {
  Fault(c, c.line, Msg::kS33, c.line, std::string(value).c_str(), f.name, record, f.pos,
        f.pos + f.size - 1);
}
// Says so (message) when value is none of allowed.
void NotListed(SintegraCheck& c, const char* record, const Field& f, std::string_view value,
               Msg message, Allowed allowed) {
  if (OneOf(value, allowed)) return;
  Fault(c, c.line, message, c.line, std::string(value).c_str(), f.name, record,
        Listed(allowed).c_str());
}
// 1 when the field is not blank, else says so (S37) and returns 0.
int Required(SintegraCheck& c, const char* record, const Field& f, std::string_view value) {
  if (!value.empty()) return 1;
  Fault(c, c.line, Msg::kS37, c.line, f.name, record);
  return 0;
}
void MasterCode(SintegraCheck& c, const Field& f, std::string_view value, Allowed allowed) {
  if (!OneOf(value, allowed))
    Fault(c, c.line, Msg::kS32, c.line, std::string(value).c_str(), f.name, f.pos,
          Listed(allowed).c_str());
}

// CompactDateValue of v; kept from the last date read when that one had the
// same eight characters (the lines of a day repeat their date).
int DateValue(SintegraCheck& c, std::string_view v) {
  if (v.size() != 8) return CompactDateValue(v);
  std::uint64_t text;
  std::memcpy(&text, v.data(), 8);
  if (c.last_date_value < 0 || text != c.last_date_text) {
    c.last_date_text = text;
    c.last_date_value = CompactDateValue(v);
  }
  return c.last_date_value;
}

// The faults of one field's rule, v its characters and value those without
// the trailing blanks.
void CheckRule(SintegraCheck& c, const char* record, const Field& f, std::string_view v,
               std::string_view value) {
  const char* field = f.name;
  switch (f.rule) {
    case Rule::kNone:
    case Rule::kType:
    case Rule::kTotals:
    case Rule::kStateData: break;
    case Rule::kDate:
      if (!DateValue(c, v)) BadDate(c, record, f, v);
      break;
    case Rule::kDateOrZeros:
      if (!AllZeros(v) && !DateValue(c, v)) BadDate(c, record, f, v);
      break;
    case Rule::kDateInPeriod: {
      int d = DateValue(c, v);
      if (!d) BadDate(c, record, f, v);
      else if (c.period_start && (d < c.period_start || d > c.period_end))
        OutsidePeriod(c, record, f, DateText(d));
      break;
    }
    case Rule::kMonthYear:
      if (!CompactMonthValue(v)) BadDate(c, record, f, v);
      break;
    case Rule::kMonthInPeriod: {
      int m = CompactMonthValue(v);
      if (!m) BadDate(c, record, f, v);
      else if (c.period_start && (m < c.period_start / 100 || m > c.period_end / 100))
        OutsidePeriod(c, record, f, MonthText(m));
      break;
    }
    case Rule::kUf:
      if (!IsUf(value) && value != "EX") BadUf(c, record, f, value);
      break;
    case Rule::kUfOrBlank:
      if (!value.empty() && !IsUf(value) && value != "EX") BadUf(c, record, f, value);
      break;
    case Rule::kUfOfMaster:
      if (value.empty()) {
        Fault(c, c.line, Msg::kS35, c.line, field);
      } else if (!IsUf(value)) {
        BadUf(c, record, f, value);
      }
      break;
    case Rule::kRequiredMaster:
      if (value.empty())
        Fault(c, c.line, Msg::kS35, c.line, field);
      break;
    case Rule::kCnpjOfMaster:
      if (!ValidCnpjOrCpf(v))
        Fault(c, c.line, Msg::kS30, c.line, std::string(v).c_str());
      break;
    case Rule::kParticipant:
      if (!AllZeros(v) && !ValidCnpjOrCpf(v))
        Fault(c, c.line, Msg::kS31, c.line, std::string(v).c_str(), record, field);
      break;
    case Rule::kSituation:
      NotListed(c, record, f, value, Msg::kS36, {"N", "S", "E", "X", "2", "4"});
      break;
    case Rule::kPossession: NotListed(c, record, f, value, Msg::kS36, {"1", "2", "3"}); break;
    case Rule::kIssuer: NotListed(c, record, f, value, Msg::kS34, {"P", "T"}); break;
    case Rule::kFreight: NotListed(c, record, f, value, Msg::kS34, {"0", "1", "2"}); break;
    case Rule::kEcfModel:
      NotListed(c, record, f, value, Msg::kS34, {"2B", "2C", "2D", "2E"});
      break;
    case Rule::kRequired:
    case Rule::kProductCode:
    case Rule::kCode75:
      Required(c, record, f, value);
      break;
    case Rule::kItemCode: break;
    case Rule::kAgreement: MasterCode(c, f, value, {"1", "2", "3"}); break;
    case Rule::kNature: MasterCode(c, f, value, {"1", "2", "3"}); break;
    case Rule::kPurpose: MasterCode(c, f, value, {"1", "2", "3", "5"}); break;
    case Rule::kSituation60A:
      if (Required(c, record, f, value) && !(value.size() == 4 && AllDigits(value)) &&
          !OneOf(value, {"F", "I", "N", "CANC", "DESC", "ISS"}))
        Fault(c, c.line, Msg::kS71, c.line, std::string(value).c_str());
      break;
    case Rule::kSituation60:
      if (Required(c, record, f, value) && !(value.size() == 4 && AllDigits(value)) &&
          !OneOf(value, {"F", "I", "N", "ISS"}))
        Fault(c, c.line, Msg::kS74, c.line, std::string(value).c_str(), record);
      break;
  }
}

// The faults of one field of a record of length 126.
void CheckField(SintegraCheck& c, std::string_view line, const char* record, const Field& f) {
  std::string_view v = ReadSintegraField(line, f);
  if (f.kind == SintegraKind::kBlank) {
    if (!AllBlank(v))
      Fault(c, c.line, Msg::kS52, c.line, f.pos, f.pos + f.size - 1, record,
            std::string(TrimBlanks(v)).c_str());
    return;
  }
  if (f.kind == SintegraKind::kNumeric) {
    if (!AllDigits(v)) {
      Fault(c, c.line, Msg::kS50, c.line, f.name, record, f.pos, f.pos + f.size - 1,
            std::string(v).c_str());
      return;
    }
  } else if (!v.empty() && v[0] == ' ' && !AllBlank(v)) {
    Fault(c, c.line, Msg::kS51, c.line, f.name, record, f.pos, f.pos + f.size - 1,
          std::string(TrimBlanks(v)).c_str());
  }
  if (f.rule != Rule::kNone) CheckRule(c, record, f, v, TrimBlanks(v));
}

// Record 10: the first one sets the period and the identity the 90s repeat.
// A record 10 or 11 of the wrong length still stands for the file's one
// record 10 or 11, though nothing is read from its fields.
void CheckMaster(SintegraCheck& c, std::string_view line, bool whole) {
  if (c.master_line) {
    Fault(c, c.line, Msg::kS12, c.line, c.master_line);
    return;
  }
  c.master_line = c.line;
  c.master_whole = whole;
  if (!whole) return;
  c.master_cnpj = std::string(ReadSintegraField(line, kMasterCnpj));
  c.master_ie = std::string(ReadSintegraField(line, kMasterIe));
  int start = CompactDateValue(ReadSintegraField(line, kPeriodStart));
  int end = CompactDateValue(ReadSintegraField(line, kPeriodEnd));
  if (!start || !end) return;  // S40 says why
  bool whole_month = start % 100 == 1 && start / 100 == end / 100 &&
                     end % 100 == DaysInMonth(end / 100 % 100, end / 10000);
  if (!whole_month)
    Fault(c, c.line, Msg::kS42, c.line, DateText(start).c_str(), DateText(end).c_str());
  if (start <= end) {
    c.period_start = start;
    c.period_end = end;
  }
}

// The order of the type-60 records: by date, printer, then M before A, D, I.
void CheckSixtyOrder(SintegraCheck& c, std::string_view line, const char* name) {
  // the report's own sort key, folded as the sort compares it; one more
  // byte, a blank, so that it folds in whole words
  char folded[kSintegraKeyLength + 1];
  WriteSintegraSortKey(line.data(), line.size(), folded);
  if (folded[kSintegraKeyLength - 1] == '4') return;  // 60R
  folded[kSintegraKeyLength] = ' ';
  FoldWords(folded, sizeof folded);
  std::string_view key(folded, (std::size_t)kSintegraKeyLength);
  std::string_view prev(c.last_sixty_key, sizeof c.last_sixty_key);
  if (c.last_sixty_line && key < prev) {
    const std::size_t date_at = (std::size_t)kSixtyDate.pos - 2;  // the key drops the subtype
    const std::size_t serial_at = (std::size_t)kSixtySerial.pos - 2;
    Fault(c, c.line, Msg::kS21, c.line, name, ShownDate(ReadSintegraField(line, kSixtyDate)).c_str(), std::string(TrimBlanks(ReadSintegraField(line, kSixtySerial))).c_str(), c.last_sixty_name, ShownDate(prev.substr(date_at, (std::size_t)kSixtyDate.size)).c_str(), std::string(TrimBlanks(prev.substr(serial_at, (std::size_t)kSixtySerial.size))) .c_str(), c.last_sixty_line);
  }
  std::memcpy(c.last_sixty_key, folded, sizeof c.last_sixty_key);
  c.last_sixty_name = name;
  c.last_sixty_line = c.line;
}

// The record pass of a whole line of a known kind and type.
void CheckRecord(SintegraCheck& c, std::string_view line, const KindPlan& plan, int type) {
  const Kind& kind = *plan.kind;
  const char* name = kind.name;
  if (c.last_type > type) {
    char prev[16];
    std::snprintf(prev, sizeof prev, "%02d", c.last_type);
    Fault(c, c.line, Msg::kS20, c.line, std::string(line.substr(0, 2)).c_str(), prev, c.last_type_line);
  }
  c.last_type = type;
  c.last_type_line = c.line;
  if (name[0] == '6' && name[1] == '0') CheckSixtyOrder(c, line, name);
  if (&kind == kRecord11) {
    if (AllZeros(ReadSintegraField(line, kExtraNumber)) &&
        AllBlank(ReadSintegraField(line, kExtraComplement)))
      Fault(c, c.line, Msg::kS37, c.line, kExtraNumber.name, name);
  }
  // Plain numeric fields, merged where they follow one another, are looked
  // at as runs of digits first; only when a run is not all digits are they
  // gone through field by field.
  bool plain_digits = true;
  for (const auto& [from, size] : plan.plain_runs) {
    if (!AllDigits(line.substr((std::size_t)from, (std::size_t)size))) {
      plain_digits = false;
      break;
    }
  }
  for (const Field* f : plain_digits ? plan.ruled : plan.all) CheckField(c, line, name, *f);
}

// Second reading: a line that uses a product code no record 75 describes.
void NameMissingCodes(SintegraCheck& c, std::string_view line) {
  const KindPlan* plan = PlanOfLine(line);
  if (!plan || plan->kind == kRecord75 || AllBlank(line)) return;
  const Kind* kind = plan->kind;
  const Field* code_field = plan->code;
  if (!code_field) return;
  std::string_view code = TrimBlanks(ReadSintegraField(line, *code_field));
  if (code.empty() || !c.missing_codes->contains(code)) return;
  Fault(c, c.line, Msg::kS80, c.line, std::string(code).c_str(), kind->name);
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
    Fault(c, c.line, Msg::kS03, c.line);
  } else {
    ++c.records;
  }
  if (end != SintegraLineEnd::kCrLf) {
    Fault(c, c.line,
          end == SintegraLineEnd::kLf   ? Msg::kS02Lf
          : end == SintegraLineEnd::kCr ? Msg::kS02Cr
                                        : Msg::kS02None,
          c.line);
  }
  if (empty) return;
  int type = TypeNumber(line);
  if (type >= 0) ++c.type_counts[type];
  const KindPlan* plan = PlanOfLine(line);
  const Kind* kind = plan ? plan->kind : nullptr;
  const bool whole = line.size() == (std::size_t)kSintegraRecordLength;
  // a control character is often why a line has the wrong length
  if (int i = FirstControl(line); i >= 0)
    Fault(c, c.line, Msg::kS05, c.line, (int)(unsigned char)line[(std::size_t)i], i + 1);
  if (kind == kRecord10) CheckMaster(c, line, whole);
  if (kind == kRecord11) {
    if (c.extra_line) {
      Fault(c, c.line, Msg::kS14, c.line, c.extra_line);
    } else {
      c.extra_line = c.line;
    }
  }
  if (!whole) {
    std::string name = RecordName(line);
    Fault(c, c.line, Msg::kS01, c.line, name.c_str(), (int)line.size());
  } else if (!kind) {
    std::string name = RecordName(line);
    Fault(c, c.line, Msg::kS10, c.line, name.c_str());
  } else {
    CheckRecord(c, line, *plan, type);
  }
  if (kind) {
    NoteReferences(c, line, *plan, whole);
    if (type == 90) c.totals.emplace_back(c.line, whole ? std::string(line) : std::string());
  }
}


// The totals of the 90 records, against the whole file.
void CheckTotals(SintegraCheck& c) {
  if (c.totals.empty()) {
    Fault(c, 0, Msg::kS15);
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
        Fault(c, at, Msg::kS68, at, kNinetyCnpj.name, std::string(cnpj).c_str(), c.master_cnpj.c_str());
      if (ie != c.master_ie)
        Fault(c, at, Msg::kS68, at, kNinetyIe.name, std::string(TrimBlanks(ie)).c_str(), std::string(TrimBlanks(c.master_ie)).c_str());
    }
    // not a digit: the field's own check (S50) said so
    char count_digit = ReadSintegraField(l, kNinetyCount)[0];
    if (count_digit >= '0' && count_digit <= '9' && count_digit - '0' != count90)
      Fault(c, at, Msg::kS61, at, std::string(1, count_digit).c_str(), count90);
    // 0-based: the first pair and the end of the totals area
    const std::size_t first = (std::size_t)kNinetyTotals.pos - 1;
    const std::size_t end = first + (std::size_t)kNinetyTotals.size;
    std::size_t pos = first;
    for (; pos + kSintegraTotalSize <= end; pos += kSintegraTotalSize) {
      std::string_view pair = l.substr(pos, kSintegraTotalSize);
      if (AllBlank(pair)) break;
      if (!AllDigits(pair)) {
        Fault(c, at, Msg::kS67, at, (int)pos + 1, std::string(pair).c_str());
        continue;
      }
      int type = (int)DigitsValue(pair.substr(0, kSintegraTotalTypeSize));
      long long count = DigitsValue(pair.substr(kSintegraTotalTypeSize, kSintegraTotalCountSize));
      char type_text[16];
      std::snprintf(type_text, sizeof type_text, "%02d", type);
      auto seen = totalled.find(type);
      if (type == 99) {
        if (at != last_line) {
          Fault(c, at, Msg::kS64NotLast, at, last_line);
        } else {
          if (grand_total_last)
            Fault(c, at, Msg::kS66, at, type_text, at);
          grand_total_last = true;
          if (count != c.records)
            Fault(c, at, Msg::kS63, at, count, c.records);
        }
        continue;
      }
      if (type == 10 || type == 11 || type == 90) {
        Fault(c, at, Msg::kS65, at, type_text);
        continue;
      }
      // every total is held against the file, the repeated ones too
      if (seen != totalled.end()) {
        Fault(c, at, Msg::kS66, at, type_text, seen->second);
      } else {
        totalled[type] = at;
      }
      long long in_file = c.type_counts[type];
      if (count != in_file)
        Fault(c, at, Msg::kS60, at, count, type_text, in_file);
    }
    // after the pairs, blanks to the end of the totals area
    if (pos < end) {
      std::string_view rest = l.substr(pos, end - pos);
      std::size_t odd = rest.find_first_not_of(' ');
      if (odd != std::string_view::npos)
        Fault(c, at, Msg::kS67, at, (int)(pos + odd) + 1, std::string(TrimBlanks(rest.substr(odd))).c_str());
    }
  }
  if (!c.totals.back().second.empty()) {
    if (!grand_total_last)
      Fault(c, last_line, Msg::kS64Missing, last_line);
    for (int type = 0; type < 100; ++type) {
      const long long count = c.type_counts[type];
      // 99 names the grand total: lines of that type can have no total of their own
      if (count == 0 || type == 10 || type == 11 || type == 90 || type == 99 ||
          totalled.count(type))
        continue;
      Fault(c, last_line, Msg::kS62, last_line, type, count);
    }
  }
}

// What only the whole file tells. Leaves in missing the product codes that
// no record 75 describes.
void EndSintegraCheck(SintegraCheck& c, TextSet& missing) {
  if (!c.master_line) Fault(c, 0, Msg::kS11);
  if (!c.extra_line)
    Fault(c, 0, Msg::kS13);
  CheckTotals(c);
  for (const auto& [key, day] : c.days) {
    if (day.master_line == 0) {
      for (const auto& [at, name] : day.orphans)
        Fault(c, at, Msg::kS70, at, name.c_str(), ShownDate(day.date).c_str(), day.serial.c_str());
      continue;
    }
    if (!day.unsure && day.gross != day.sum)
      Fault(c, day.master_line, Msg::kS72, day.master_line, ShownDate(day.date).c_str(), day.serial.c_str(), Money(day.gross).c_str(), Money(day.sum).c_str());
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
    std::string series(TrimBlanks(part(kNoteSeries)));
    std::string number = part(kNoteNumber), cfop = part(kNoteCfop);
    Fault(c, at, Msg::kS81, at, cnpj.c_str(), model.c_str(), series.c_str(), number.c_str(), cfop.c_str());
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
