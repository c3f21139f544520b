// The Sintegra record layout of the Convênio ICMS 57/95, as data: every
// record type's fields in position order, with the names the published
// layout gives them, their positions and sizes, their kind and the rule the
// checker holds them to. The printer library stand-in builds its records
// through these rows, the checker reads them through them, and the order of
// the type-60 records (the report's sort and the checker's order check) is
// the one sort key below.
//
// Each type's rows cover positions 1 to 126 with no gap and no overlap; the
// build stops when they do not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Characters of a record, without its CR LF.
constexpr int kSintegraRecordLength = 126;
// Characters of a line that make up its sort key.
constexpr int kSintegraKeyLength = 31;

// N: digits, right-aligned, zero-filled. X: left-aligned, blank-filled.
// Blank: positions the layout reserves as "brancos".
enum class SintegraKind : unsigned char { kNumeric, kAlpha, kBlank };

// What a field must hold beyond its kind.
enum class SintegraRule : unsigned char {
  kNone,
  kType,           // the record type (and the subtype letter of 60 and 61R)
  kDate,           // AAAAMMDD of a real day
  kDateOrZeros,    // the same, or zeros when absent
  kDateInPeriod,   // a document date: also inside the period of record 10
  kMonthYear,      // MMAAAA
  kMonthInPeriod,  // MMAAAA inside the period of record 10
  kUf,             // one of the 27 siglas or EX
  kUfOrBlank,      // the same, or blank
  kUfOfMaster,     // record 10: a sigla, required
  kCnpjOfMaster,   // record 10: check digits
  kParticipant,    // zeros, a CNPJ or 000 + a CPF, check digits right
  kSituation,      // N S E X 2 4
  kPossession,     // 1 2 3
  kIssuer,         // P T
  kFreight,        // 0 1 2
  kEcfModel,       // 2B 2C 2D 2E
  kRequired,       // not blank
  kRequiredMaster, // record 10: not blank
  kAgreement,      // record 10: 1 2 3
  kNature,         // record 10: 1 2 3
  kPurpose,        // record 10: 1 2 3 5
  kSituation60A,   // rate of 4 digits, F I N CANC DESC ISS
  kSituation60,    // rate of 4 digits, F I N ISS
  kProductCode,    // required; needs a record 75 of that code
  kItemCode,       // record 54: needs a record 75 when given
  kCode75,         // required; the code a record 75 describes
  kTotals,         // record 90: pairs of type and count, then blanks
  kStateData,      // record 88: each state's own layout, not looked into
};

struct SintegraLayoutField {
  const char* name;  // as the published layout names it
  int pos;           // 1-based
  int size;
  SintegraKind kind;
  SintegraRule rule = SintegraRule::kNone;
};

struct SintegraRecordLayout {
  const char* name;  // "10", "60M", "61R"
  const SintegraLayoutField* fields;
  int count;
};

namespace sintegra_layout {

using F = SintegraLayoutField;
using R = SintegraRule;
constexpr SintegraKind N = SintegraKind::kNumeric;
constexpr SintegraKind X = SintegraKind::kAlpha;
constexpr SintegraKind B = SintegraKind::kBlank;
constexpr F kType{"tipo", 1, 2, N, R::kType};
constexpr F kSubtype{"subtipo", 3, 1, X, R::kType};

inline constexpr F k10[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kCnpjOfMaster},
    {"inscrição estadual", 17, 14, X, R::kRequired},
    {"nome do contribuinte", 31, 35, X, R::kRequiredMaster},
    {"município", 66, 30, X, R::kRequiredMaster},
    {"UF", 96, 2, X, R::kUfOfMaster},
    {"fax", 98, 10, N},
    {"data inicial", 108, 8, N, R::kDate},
    {"data final", 116, 8, N, R::kDate},
    {"código do convênio", 124, 1, X, R::kAgreement},
    {"natureza das operações", 125, 1, X, R::kNature},
    {"finalidade", 126, 1, X, R::kPurpose},
};
inline constexpr F k11[] = {
    kType,
    {"logradouro", 3, 34, X, R::kRequired},
    {"número", 37, 5, N},
    {"complemento", 42, 22, X},
    {"bairro", 64, 15, X},
    {"CEP", 79, 8, N},
    {"contato", 87, 28, X},
    {"telefone", 115, 12, N},
};
inline constexpr F k50[] = {
    kType,
    {"CNPJ/CPF", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"UF", 39, 2, X, R::kUf},
    {"modelo", 41, 2, N},
    {"série", 43, 3, X},
    {"número", 46, 6, N},
    {"CFOP", 52, 4, N},
    {"emitente", 56, 1, X, R::kIssuer},
    {"valores", 57, 13, N},
    {"valores", 70, 13, N},
    {"valores", 83, 13, N},
    {"valores", 96, 13, N},
    {"valores", 109, 13, N},
    {"alíquota", 122, 4, N},
    {"situação", 126, 1, X, R::kSituation},
};
inline constexpr F k51[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"UF", 39, 2, X, R::kUf},
    {"série", 41, 3, X},
    {"número", 44, 6, N},
    {"CFOP", 50, 4, N},
    {"valores", 54, 13, N},
    {"valores", 67, 13, N},
    {"valores", 80, 13, N},
    {"valores", 93, 13, N},
    {"brancos", 106, 20, B},
    {"situação", 126, 1, X, R::kSituation},
};
inline constexpr F k53[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"UF", 39, 2, X, R::kUf},
    {"modelo", 41, 2, N},
    {"série", 43, 3, X},
    {"número", 46, 6, N},
    {"CFOP", 52, 4, N},
    {"emitente", 56, 1, X, R::kIssuer},
    {"base ST", 57, 13, N},
    {"ICMS retido", 70, 13, N},
    {"despesas", 83, 13, N},
    {"situação", 96, 1, X, R::kSituation},
    {"código da antecipação", 97, 1, X},
    {"brancos", 98, 29, B},
};
inline constexpr F k54[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"modelo", 17, 2, N},
    {"série", 19, 3, X},
    {"número", 22, 6, N},
    {"CFOP", 28, 4, N},
    {"CST", 32, 3, X},
    {"item", 35, 3, N},
    {"código", 38, 14, X, R::kItemCode},
    {"quantidade", 52, 11, N},
    {"valores", 63, 12, N},
    {"valores", 75, 12, N},
    {"valores", 87, 12, N},
    {"valores", 99, 12, N},
    {"valores", 111, 12, N},
    {"alíquota", 123, 4, N},
};
inline constexpr F k55[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDate},
    {"UF substituto", 39, 2, X, R::kUf},
    {"UF favorecida", 41, 2, X, R::kUf},
    {"banco", 43, 3, N},
    {"agência", 46, 4, N},
    {"número", 50, 20, X},
    {"valor", 70, 13, N},
    {"vencimento", 83, 8, N, R::kDate},
    {"mês/ano", 91, 6, N, R::kMonthYear},
    {"convênio/protocolo", 97, 30, X},
};
inline constexpr F k56[] = {
    kType,
    {"CNPJ/CPF", 3, 14, N, R::kParticipant},
    {"modelo", 17, 2, N},
    {"série", 19, 3, X},
    {"número", 22, 6, N},
    {"CFOP", 28, 4, N},
    {"CST", 32, 3, N},
    {"item", 35, 3, N},
    {"código", 38, 14, X},
    {"tipo de operação", 52, 1, N},
    {"CNPJ concessionária", 53, 14, N, R::kParticipant},
    {"alíquota IPI", 67, 4, N},
    {"chassi", 71, 17, X},
    {"brancos", 88, 39, B},
};
inline constexpr F k57[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"modelo", 31, 2, N},
    {"série", 33, 3, X},
    {"número", 36, 6, N},
    {"CFOP", 42, 4, N},
    {"CST", 46, 3, X},
    {"item", 49, 3, N},
    {"código", 52, 14, X},
    {"lote", 66, 20, X},
    {"brancos", 86, 41, B},
};
inline constexpr F k60M[] = {
    kType,
    kSubtype,
    {"data de emissão", 4, 8, N, R::kDateInPeriod},
    {"número de série do ECF", 12, 20, X, R::kRequired},
    {"número de ordem do ECF", 32, 3, N},
    {"modelo", 35, 2, X, R::kEcfModel},
    {"COO inicial", 37, 6, N},
    {"COO final", 43, 6, N},
    {"contador de redução Z", 49, 6, N},
    {"contador de reinício", 55, 3, N},
    {"venda bruta", 58, 16, N},
    {"totalizador geral", 74, 16, N},
    {"brancos", 90, 37, B},
};
inline constexpr F k60A[] = {
    kType,
    kSubtype,
    {"data", 4, 8, N, R::kDateInPeriod},
    {"série", 12, 20, X, R::kRequired},
    {"situação tributária/alíquota", 32, 4, X, R::kSituation60A},
    {"valor", 36, 12, N},
    {"brancos", 48, 79, B},
};
inline constexpr F k60D[] = {
    kType,
    kSubtype,
    {"data", 4, 8, N, R::kDateInPeriod},
    {"série", 12, 20, X, R::kRequired},
    {"código", 32, 14, X, R::kProductCode},
    {"quantidade", 46, 13, N},
    {"valor", 59, 16, N},
    {"base", 75, 16, N},
    {"situação", 91, 4, X, R::kSituation60},
    {"ICMS", 95, 13, N},
    {"brancos", 108, 19, B},
};
inline constexpr F k60I[] = {
    kType,
    kSubtype,
    {"data", 4, 8, N, R::kDateInPeriod},
    {"série", 12, 20, X, R::kRequired},
    {"modelo", 32, 2, X, R::kEcfModel},
    {"COO", 34, 6, N},
    {"item", 40, 3, N},
    {"código", 43, 14, X, R::kProductCode},
    {"quantidade", 57, 13, N},
    {"valor unitário", 70, 13, N},
    {"base", 83, 12, N},
    {"situação", 95, 4, X, R::kSituation60},
    {"ICMS", 99, 12, N},
    {"brancos", 111, 16, B},
};
inline constexpr F k60R[] = {
    kType,
    kSubtype,
    {"mês/ano", 4, 6, N, R::kMonthInPeriod},
    {"código", 10, 14, X, R::kProductCode},
    {"quantidade", 24, 13, N},
    {"valor", 37, 16, N},
    {"base", 53, 16, N},
    {"situação", 69, 4, X, R::kSituation60},
    {"brancos", 73, 54, B},
};
inline constexpr F k61[] = {
    kType,
    {"brancos", 3, 14, B},
    {"brancos", 17, 14, B},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"modelo", 39, 2, N},
    {"série", 41, 3, X},
    {"subsérie", 44, 2, X},
    {"número inicial", 46, 6, N},
    {"número final", 52, 6, N},
    {"total", 58, 13, N},
    {"base", 71, 13, N},
    {"ICMS", 84, 12, N},
    {"isenta", 96, 13, N},
    {"outras", 109, 13, N},
    {"alíquota", 122, 4, N},
    {"branco", 126, 1, B},
};
inline constexpr F k61R[] = {
    kType,
    kSubtype,
    {"mês/ano", 4, 6, N, R::kMonthInPeriod},
    {"código", 10, 14, X, R::kProductCode},
    {"quantidade", 24, 13, N},
    {"valor bruto", 37, 16, N},
    {"base", 53, 16, N},
    {"alíquota", 69, 4, N},
    {"brancos", 73, 54, B},
};
inline constexpr F k70[] = {
    kType,
    {"CNPJ", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"UF", 39, 2, X, R::kUf},
    {"modelo", 41, 2, N},
    {"série", 43, 1, X},
    {"subsérie", 44, 2, X},
    {"número", 46, 6, N},
    {"CFOP", 52, 4, N},
    {"total", 56, 13, N},
    {"valores", 69, 14, N},
    {"valores", 83, 14, N},
    {"valores", 97, 14, N},
    {"valores", 111, 14, N},
    {"frete", 125, 1, N, R::kFreight},
    {"situação", 126, 1, X, R::kSituation},
};
inline constexpr F k71[] = {
    kType,
    {"CNPJ tomador", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"data", 31, 8, N, R::kDateInPeriod},
    {"UF", 39, 2, X, R::kUf},
    {"modelo", 41, 2, N},
    {"série", 43, 1, X},
    {"subsérie", 44, 2, X},
    {"número", 46, 6, N},
    {"UF rem./dest.", 52, 2, X, R::kUf},
    {"CNPJ rem./dest.", 54, 14, N, R::kParticipant},
    {"IE", 68, 14, X},
    {"data da NF", 82, 8, N, R::kDate},
    {"modelo NF", 90, 2, X},
    {"série NF", 92, 3, X},
    {"número NF", 95, 6, N},
    {"valor NF", 101, 14, N},
    {"brancos", 115, 12, B},
};
inline constexpr F k74[] = {
    kType,
    {"data", 3, 8, N, R::kDate},
    {"código", 11, 14, X, R::kProductCode},
    {"quantidade", 25, 13, N},
    {"valor", 38, 13, N},
    {"posse", 51, 1, X, R::kPossession},
    {"CNPJ possuidor", 52, 14, N, R::kParticipant},
    {"IE", 66, 14, X},
    {"UF", 80, 2, X, R::kUfOrBlank},
    {"brancos", 82, 45, B},
};
inline constexpr F k75[] = {
    kType,
    {"data inicial", 3, 8, N, R::kDate},
    {"data final", 11, 8, N, R::kDate},
    {"código", 19, 14, X, R::kCode75},
    {"NCM", 33, 8, X},
    {"descrição", 41, 53, X},
    {"unidade", 94, 6, X},
    {"alíq. IPI", 100, 5, N},
    {"alíq. ICMS", 105, 4, N},
    {"redução", 109, 5, N},
    {"base ST", 114, 13, N},
};
inline constexpr F k76[] = {
    kType,
    {"CNPJ/CPF", 3, 14, N, R::kParticipant},
    {"IE", 17, 14, X},
    {"modelo", 31, 2, N},
    {"série", 33, 2, X},
    {"subsérie", 35, 2, X},
    {"número", 37, 10, N},
    {"CFOP", 47, 4, N},
    {"tipo de receita", 51, 1, N},
    {"data", 52, 8, N, R::kDateInPeriod},
    {"UF", 60, 2, X, R::kUf},
    {"total", 62, 13, N},
    {"base", 75, 13, N},
    {"ICMS", 88, 12, N},
    {"isenta", 100, 12, N},
    {"outras", 112, 12, N},
    {"alíquota", 124, 2, N},
    {"situação", 126, 1, X, R::kSituation},
};
inline constexpr F k77[] = {
    kType,
    {"CNPJ/CPF", 3, 14, N, R::kParticipant},
    {"modelo", 17, 2, N},
    {"série", 19, 2, X},
    {"subsérie", 21, 2, X},
    {"número", 23, 10, N},
    {"CFOP", 33, 4, N},
    {"tipo de receita", 37, 1, N},
    {"item", 38, 3, N},
    {"código", 41, 11, X},
    {"quantidade", 52, 13, N},
    {"valor", 65, 12, N},
    {"desconto", 77, 12, N},
    {"base", 89, 12, N},
    {"alíquota", 101, 2, N},
    {"CNPJ/MF", 103, 14, N, R::kParticipant},
    {"terminal", 117, 10, N},
};
inline constexpr F k85[] = {
    kType,
    {"declaração", 3, 11, N},
    {"data", 14, 8, N, R::kDateOrZeros},
    {"natureza", 22, 1, X},
    {"registro", 23, 12, N},
    {"data", 35, 8, N, R::kDateOrZeros},
    {"conhecimento", 43, 16, X},
    {"data", 59, 8, N, R::kDateOrZeros},
    {"tipo", 67, 2, N},
    {"país", 69, 4, N},
    {"reservado", 73, 8, N},
    {"averbação", 81, 8, N, R::kDateOrZeros},
    {"NF", 89, 6, N},
    {"data NF", 95, 8, N, R::kDateOrZeros},
    {"modelo", 103, 2, N},
    {"série", 105, 3, N},
    {"brancos", 108, 19, B},
};
inline constexpr F k86[] = {
    kType,
    {"registro", 3, 12, N},
    {"data", 15, 8, N, R::kDateOrZeros},
    {"CNPJ", 23, 14, N, R::kParticipant},
    {"IE", 37, 14, X},
    {"UF", 51, 2, X, R::kUf},
    {"NF", 53, 6, N},
    {"data", 59, 8, N, R::kDateOrZeros},
    {"modelo", 67, 2, N},
    {"série", 69, 3, X},
    {"código", 72, 14, X},
    {"quantidade", 86, 11, N},
    {"valor unitário", 97, 12, N},
    {"valor", 109, 12, N},
    {"relacionamento", 121, 1, N},
    {"brancos", 122, 5, B},
};
inline constexpr F k88[] = {
    kType,
    {"registro do estado", 3, 124, X, R::kStateData},
};
inline constexpr F k90[] = {
    kType,
    {"CNPJ", 3, 14, N},
    {"IE", 17, 14, X},
    {"totais", 31, 95, X, R::kTotals},
    {"número de registros 90", 126, 1, N},
};

template <std::size_t Count>
constexpr SintegraRecordLayout Record(const char* name, const F (&fields)[Count]) {
  return {name, fields, (int)Count};
}

}  // namespace sintegra_layout

// Every record of the layout. The subtypes of 60 stand in a row, 60M first,
// and 61R right after 61.
inline constexpr SintegraRecordLayout kSintegraRecords[] = {
    sintegra_layout::Record("10", sintegra_layout::k10),
    sintegra_layout::Record("11", sintegra_layout::k11),
    sintegra_layout::Record("50", sintegra_layout::k50),
    sintegra_layout::Record("51", sintegra_layout::k51),
    sintegra_layout::Record("53", sintegra_layout::k53),
    sintegra_layout::Record("54", sintegra_layout::k54),
    sintegra_layout::Record("55", sintegra_layout::k55),
    sintegra_layout::Record("56", sintegra_layout::k56),
    sintegra_layout::Record("57", sintegra_layout::k57),
    sintegra_layout::Record("60M", sintegra_layout::k60M),
    sintegra_layout::Record("60A", sintegra_layout::k60A),
    sintegra_layout::Record("60D", sintegra_layout::k60D),
    sintegra_layout::Record("60I", sintegra_layout::k60I),
    sintegra_layout::Record("60R", sintegra_layout::k60R),
    sintegra_layout::Record("61", sintegra_layout::k61),
    sintegra_layout::Record("61R", sintegra_layout::k61R),
    sintegra_layout::Record("70", sintegra_layout::k70),
    sintegra_layout::Record("71", sintegra_layout::k71),
    sintegra_layout::Record("74", sintegra_layout::k74),
    sintegra_layout::Record("75", sintegra_layout::k75),
    sintegra_layout::Record("76", sintegra_layout::k76),
    sintegra_layout::Record("77", sintegra_layout::k77),
    sintegra_layout::Record("85", sintegra_layout::k85),
    sintegra_layout::Record("86", sintegra_layout::k86),
    sintegra_layout::Record("88", sintegra_layout::k88),
    sintegra_layout::Record("90", sintegra_layout::k90),
};
constexpr int kSintegraRecordCount = (int)(sizeof kSintegraRecords / sizeof kSintegraRecords[0]);

// The index in kSintegraRecords of the first record whose rows do not cover
// positions 1-126 one after another, or -1 when all do.
constexpr int FirstSintegraRecordNotCovered() {
  for (int r = 0; r < kSintegraRecordCount; ++r) {
    int next = 1;
    for (int i = 0; i < kSintegraRecords[r].count; ++i) {
      const SintegraLayoutField& f = kSintegraRecords[r].fields[i];
      if (f.pos != next || f.size < 1) return r;
      next += f.size;
    }
    if (next != kSintegraRecordLength + 1) return r;
  }
  return -1;
}
static_assert(FirstSintegraRecordNotCovered() == -1,
              "a record's fields must cover positions 1-126 with no gap or overlap");

// The "totais" field of record 90 holds pairs of a record type and how many
// records of that type the file has, one after another, then blanks.
constexpr int kSintegraTotalTypeSize = 2;
constexpr int kSintegraTotalCountSize = 8;
constexpr int kSintegraTotalSize = kSintegraTotalTypeSize + kSintegraTotalCountSize;

// Appends the pair of type (two digits) and count (zero-filled to
// kSintegraTotalCountSize digits) to totals. Returns totals.
std::string& AppendSintegraTotal(std::string& totals, std::string_view type, long long count);

// The layout of a record by its name ("10", "60M", "61R"); nullptr for a
// record the layout does not have.
constexpr const SintegraRecordLayout* SintegraRecordNamed(std::string_view name) {
  for (const SintegraRecordLayout& r : kSintegraRecords)
    if (name == r.name) return &r;
  return nullptr;
}

// The nth field (1 the first) of that name in record; a field of size 0 at
// position 0 when there is none.
// (Found by walking the table rather than through SintegraRecordNamed: a
// pointer compared with null is no constant expression where the build
// checks pointers for null.)
constexpr SintegraLayoutField SintegraFieldNamed(std::string_view record, std::string_view name,
                                                 int nth = 1) {
  for (const SintegraRecordLayout& r : kSintegraRecords) {
    if (record != r.name) continue;
    for (int i = 0; i < r.count; ++i)
      if (name == r.fields[i].name && --nth == 0) return r.fields[i];
    break;
  }
  return {"", 0, 0, SintegraKind::kBlank};
}

// The bytes of field in record: fewer, or none, when the record is short.
constexpr std::string_view ReadSintegraField(std::string_view record,
                                             const SintegraLayoutField& field) {
  std::size_t at = (std::size_t)field.pos - 1;
  if (field.size <= 0 || at >= record.size()) return {};
  std::size_t size = record.size() - at;
  return record.substr(at, size < (std::size_t)field.size ? size : (std::size_t)field.size);
}

// Puts text into field of record, first made 126 characters long (blank
// filled) when shorter: a numeric field right-aligned and zero-filled,
// keeping the last characters of a longer text; the others left-aligned,
// blank-filled and cut. The text goes in as it is, digits or not. Returns
// record.
std::string& PutSintegraField(std::string& record, const SintegraLayoutField& field,
                              std::string_view text);
// The same with a number, written in digits (a negative one as its
// magnitude).
std::string& PutSintegraField(std::string& record, const SintegraLayoutField& field,
                              long long value);

// A new record of the named layout: its type (and subtype letter) written,
// numeric fields zeros, every other position blank. An unknown name gives
// 126 blanks with the name at the start. Returns record.
std::string& NewSintegraRecord(std::string& record, std::string_view name);

// One case fold for the report's order: ASCII letters to upper case, every
// other byte (blank, digits, accented letters) as it is.
constexpr unsigned char SintegraFold(char c) {
  unsigned char u = (unsigned char)c;
  return (u >= 'a' && u <= 'z') ? (unsigned char)(u - 'a' + 'A') : u;
}

// 1 when a line is of type 60 (its first two characters are "60").
constexpr bool IsSintegraTypeSixty(const char* line, std::size_t length) {
  return length >= 2 && line[0] == '6' && line[1] == '0';
}

// Writes the kSintegraKeyLength bytes of the sort key of a line (its line
// end removed; a short line reads as blank-filled): for type 60, "60", its
// characters 4-31 (the date and the printer's serial) and the order digit of
// its subtype, folded (M 0, A 1, D 2, I 3, any other 4); for any other type,
// its first two characters and blanks. The key itself is not folded.
constexpr void WriteSintegraSortKey(const char* line, std::size_t length, char* key) {
  auto at = [line, length](std::size_t i) { return i < length ? line[i] : ' '; };
  key[0] = at(0);
  key[1] = at(1);
  if (!IsSintegraTypeSixty(line, length)) {
    for (std::size_t i = 2; i < (std::size_t)kSintegraKeyLength; ++i) key[i] = ' ';
    return;
  }
  // characters 4-31, those past a short line's end blank
  const std::size_t end = (std::size_t)kSintegraKeyLength;
  std::size_t i = 3;
  for (; i < end && i < length; ++i) key[i - 1] = line[i];
  for (; i < end; ++i) key[i - 1] = ' ';
  char order;
  switch (SintegraFold(at(2))) {
    case 'M': order = '0'; break;
    case 'A': order = '1'; break;
    case 'D': order = '2'; break;
    case 'I': order = '3'; break;
    default: order = '4'; break;
  }
  key[kSintegraKeyLength - 1] = order;
}
