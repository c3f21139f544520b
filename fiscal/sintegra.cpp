#include "fiscal/sintegra.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codecs/date.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "fiscal/ecf_binding.h"
#include "platform/trouble.h"

namespace {

// Bytes of the CEP field the dialog holds ('12345-678').
constexpr int kCepFieldLength = 9;
// Digits of a CEP passed to the library.
constexpr int kCepDigits = 8;

// The lines of a report, held in one text: each line is a span of it.
struct LineSpan {
  std::size_t offset;
  std::size_t length;
};

// Each line is compared by its comparison text, folded: the sort key and the
// whole line, less what the key already holds. For type 60 that is the key,
// the subtype letter and the line from character 32 on (characters 1-2 are
// "60" and 4-31 stand in the key); for the other types the line itself, its
// type blank-filled to two characters. Comparing these texts orders exactly
// as comparing key and line does (SortSintegraLines, the rule), and the first
// bytes of the texts, kept in the entry itself, settle nearly every
// comparison without touching the lines.
constexpr std::size_t kHeadBytes = 48;
constexpr std::size_t kTypeSixtyPrefix = kSintegraKeyLength + 1;

struct SortEntry {
  unsigned char head[kHeadBytes];  // start of the comparison text, 0-filled
  std::size_t rest;                // offset in the text where the comparison text goes on
  std::uint32_t rest_length;
  std::uint32_t compare_length;  // of the whole comparison text
  std::uint32_t line_length;
  std::uint32_t index;  // equal lines keep the order they were read in
};

void MakeEntry(const std::string& text, const LineSpan& span, std::uint32_t index, SortEntry& e) {
  const char* line = text.data() + span.offset;
  std::size_t length = span.length;
  std::memset(e.head, 0, kHeadBytes);
  std::size_t prefix;
  std::size_t from;  // where the comparison text takes up the line
  if (IsSintegraTypeSixty(line, length)) {
    char key[kSintegraKeyLength];
    WriteSintegraSortKey(line, length, key);
    for (int i = 0; i < kSintegraKeyLength; ++i) e.head[i] = SintegraFold(key[i]);
    e.head[kSintegraKeyLength] = SintegraFold(length > 2 ? line[2] : ' ');
    prefix = kTypeSixtyPrefix;
    from = kSintegraKeyLength;
  } else {
    e.head[0] = SintegraFold(length > 0 ? line[0] : ' ');
    e.head[1] = SintegraFold(length > 1 ? line[1] : ' ');
    prefix = 2;
    from = 2;
  }
  std::size_t tail = length > from ? length - from : 0;
  std::size_t in_head = std::min(tail, kHeadBytes - prefix);
  for (std::size_t i = 0; i < in_head; ++i) e.head[prefix + i] = SintegraFold(line[from + i]);
  e.rest = span.offset + from + in_head;
  e.rest_length = (std::uint32_t)(tail - in_head);
  e.compare_length = (std::uint32_t)(prefix + tail);
  e.line_length = (std::uint32_t)length;
  e.index = index;
}

// The report order of the lines, the fast way: indexes into spans.
std::vector<std::uint32_t> ReportOrder(const std::string& text, const std::vector<LineSpan>& spans) {
  std::vector<SortEntry> entries(spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i)
    MakeEntry(text, spans[i], (std::uint32_t)i, entries[i]);
  const char* base = text.data();
  std::sort(entries.begin(), entries.end(), [base](const SortEntry& a, const SortEntry& b) {
    int c = std::memcmp(a.head, b.head, kHeadBytes);
    if (c != 0) return c < 0;
    std::uint32_t n = std::min(a.rest_length, b.rest_length);
    for (std::uint32_t i = 0; i < n; ++i) {
      unsigned char x = SintegraFold(base[a.rest + i]);
      unsigned char y = SintegraFold(base[b.rest + i]);
      if (x != y) return x < y;
    }
    if (a.compare_length != b.compare_length) return a.compare_length < b.compare_length;
    if (a.line_length != b.line_length) return a.line_length < b.line_length;
    return a.index < b.index;
  });
  std::vector<std::uint32_t> order(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].index;
  return order;
}

std::string UnsortedMessage(const std::string& path, const char* reason) {
  return std::string(reason) + " " + PlatShownPath(path) + ".";
}

// The sorted file replaces the original only once every byte of it is on the
// disk; any failure on the way removes the temporary file and leaves the
// original untouched.
int ReplaceWithLines(const std::string& path, const std::string& text,
                     const std::vector<LineSpan>& spans, const std::vector<std::uint32_t>& order) {
  PlatReplacement out;
  if (!PlatBeginReplacement(out, path, SintegraSortTemporary(path))) return 0;
  std::string chunk;
  chunk.reserve(64 * 1024 + 256);
  for (std::uint32_t i : order) {
    chunk.append(text, spans[i].offset, spans[i].length);
    chunk += "\r\n";
    if (chunk.size() >= 64 * 1024) {
      if (!PlatReplacementWrite(out, chunk.data(), chunk.size())) break;
      chunk.clear();
    }
  }
  PlatReplacementWrite(out, chunk.data(), chunk.size());
  return PlatCommitReplacement(out, 1);
}

// What becomes of the previous report kept aside.
constexpr char kPreviousComesBack[] =
    " e volta a ser o Sintegra.txt na próxima vez que o Vri for iniciado para a impressora "
    "fiscal.";

// The previous report's place, as the user sees it, between two texts.
std::string AboutPrevious(const std::string& before, const char* after) {
  return before + PlatShownPath(kSintegraPreviousPath) + after;
}

// After a failed generation: the library's file, whole or not, sorted or
// not, does not stay as the report; the previous report comes back.
void DropGeneratedFile(PlatWindow owner, bool had_previous) {
  if (had_previous && PlatRename(kSintegraPreviousPath, kSintegraPath)) return;
  if (PlatFileExists(kSintegraPath)) PlatRemove(kSintegraPath);
  if (had_previous) {
    PlatShowMessage(owner,
                    AboutPrevious("O arquivo anterior ficou guardado como ", kPreviousComesBack),
                    "Vri", PlatIcon::kWarning);
  }
}

}  // namespace

int SintegraLimitOf(SintegraField field) {
  for (const SintegraFieldInfo& f : kSintegraFields) {
    if (f.field == field) return f.limit;
  }
  return 0;
}

std::string* SintegraFieldText(SintegraRequest& request, SintegraField field) {
  for (const SintegraFieldInfo& f : kSintegraFields) {
    if (f.field == field) return f.text ? &(request.*f.text) : nullptr;
  }
  return nullptr;
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

int SintegraGenerate(PlatWindow owner, const SintegraRequest& typed) {
  // Every field is taken at most as long as its limit, whoever filled it in.
  SintegraRequest request = typed;
  for (const SintegraFieldInfo& f : kSintegraFields) {
    if (f.text) CutAt(request.*f.text, f.limit);
  }
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
  DigitField(request.cep, kCepDigits, DigitsLeft);

  // The previous report waits aside until the new one is whole; the
  // library is still given the report's own path.
  if (!RestorePreviousSintegra(owner)) return 0;
  bool had_previous = PlatFileExists(kSintegraPath);
  if (had_previous && !PlatRename(kSintegraPath, kSintegraPreviousPath)) {
    PlatShowMessage(owner,
                    std::string("Não foi possível guardar o arquivo anterior ") +
                        PlatShownPath(kSintegraPath) +
                        " como " + kSintegraPreviousName + "; nada foi gerado.",
                    "Vri", PlatIcon::kError);
    return 0;
  }

  auto fn = reinterpret_cast<EcfSintegraFn>(LoadFuncDll(owner, EcfLibrary(), kEcfSintegraName));
  int sorted = 0;
  if (fn) {
    int code = fn(report, path.data(), month.data(), year.data(), request.name.data(),
                  request.street.data(), request.number.data(), request.complement.data(),
                  request.district.data(), request.city.data(), request.cep.data(),
                  request.phone.data(), request.fax.data(), request.contact.data());
    sorted = CheckEcfReturn(owner, "RelatorioSintegraMFD", code) &&
             SortSintegraFile(owner, kSintegraPath,
                              had_previous ? "O arquivo anterior foi mantido."
                                           : "Nenhum arquivo foi gravado.");
  }
  if (!sorted) {
    DropGeneratedFile(owner, had_previous);
    return 0;
  }
  // A rehearsal's report never takes the place of the shop's: the previous
  // one stays aside and comes back at the next start.
  const bool rehearsal =
      IsRehearsalLibrary(request.library_version) != 0 || EcfLibraryIsRehearsal() != 0;
  // A previous report that cannot be removed would come back at the next
  // start in place of the new one: said at once, while the user is there.
  if (had_previous && !rehearsal && !PlatRemove(kSintegraPreviousPath) &&
      !PlatRemove(kSintegraPreviousPath)) {
    PlatShowMessage(owner,
                    AboutPrevious("Não foi possível apagar o arquivo anterior ",
                                  "; apague-o antes de iniciar o Vri de novo, ou ele voltará a "
                                  "ser o Sintegra.txt."),
                    "Vri", PlatIcon::kWarning);
  }
  PlatShowMessage(owner, "Arquivo Sintegra.txt gerado com sucesso.", "Vri",
                  PlatIcon::kInformation);
  if (rehearsal) {
    std::string text =
        "O Sintegra.txt gerado agora é de um ensaio: a biblioteca da impressora é o simulador" +
        (request.library_version.empty() ? std::string()
                                         : " (" + request.library_version + ")") +
        ".";
    if (had_previous)
      text = AboutPrevious(text + " O arquivo anterior foi guardado como ", kPreviousComesBack);
    else
      text += " Não entregue este arquivo.";
    PlatShowMessage(owner, text, "Vri", PlatIcon::kWarning);
  }
  return 1;
}

int IsRehearsalLibrary(const std::string& version) {
  const std::string mark = "Simulador";
  for (std::size_t at = 0; at + mark.size() <= version.size(); ++at)
    if (EqualNoCaseAscii(version.substr(at, mark.size()), mark)) return 1;
  return 0;
}

int RestorePreviousSintegra(PlatWindow owner) {
  // the sorted file of a generation ended before it was put in place
  std::string temporary = SintegraSortTemporary(kSintegraPath);
  if (PlatFileExists(temporary)) PlatRemove(temporary);
  if (!PlatFileExists(kSintegraPreviousPath)) return 1;
  if (PlatRename(kSintegraPreviousPath, kSintegraPath)) return 1;
  PlatShowMessage(owner,
                  std::string("Não foi possível recolocar o arquivo anterior ") +
                      PlatShownPath(kSintegraPreviousPath) + " como Sintegra.txt.",
                  "Vri", PlatIcon::kError);
  return 0;
}

std::string& SintegraSortKey(const std::string& line, std::string& key) {
  key.assign(kSintegraKeyLength, ' ');
  WriteSintegraSortKey(line.data(), line.size(), key.data());
  return key;
}

void SortSintegraLines(std::vector<std::string>& lines) {
  auto folded = [](const std::string& line) {
    std::string text;
    SintegraSortKey(line, text) += line;
    for (char& c : text) c = (char)SintegraFold(c);
    return text;
  };
  // std::string compares its bytes as unsigned char
  std::stable_sort(lines.begin(), lines.end(),
                   [&folded](const std::string& a, const std::string& b) {
                     return folded(a) < folded(b);
                   });
}

void SortSintegraLinesFast(std::vector<std::string>& lines) {
  std::string text;
  std::vector<LineSpan> spans;
  for (const std::string& l : lines) {
    spans.push_back({text.size(), l.size()});
    text += l;
  }
  std::vector<std::uint32_t> order = ReportOrder(text, spans);
  std::vector<std::string> sorted;
  sorted.reserve(lines.size());
  for (std::uint32_t i : order) sorted.push_back(std::move(lines[i]));
  lines.swap(sorted);
}

int SortSintegraFile(PlatWindow owner, const std::string& path, const char* kept) {
  std::string text;
  std::vector<LineSpan> spans;
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  bool whole = false;
  if (in) {
    long long size = PlatSize(in);
    if (size > 0) text.reserve((std::size_t)size);
    std::string line;
    while (PlatReadLine(in, line)) {
      spans.push_back({text.size(), line.size()});
      text += line;
    }
    // A read that stopped short of the end is an error, not the end.
    whole = PlatTell(in) == size && !PlatFailed(in);
    PlatClose(in);
  }
  if (!in || !whole) {
    PlatShowMessage(owner, UnsortedMessage(path, "Não foi possível ler o arquivo"), "Vri",
                    PlatIcon::kError);
    return 0;
  }
  if (spans.empty()) {
    PlatShowMessage(owner,
                    "O arquivo " + PlatShownPath(path) + " está vazio: nenhum registro foi gravado.",
                    "Vri", PlatIcon::kError);
    return 0;
  }
  if (!ReplaceWithLines(path, text, spans, ReportOrder(text, spans))) {
    PlatShowMessage(owner,
                    UnsortedMessage(path, "Não foi possível gravar os registros ordenados no "
                                          "arquivo") +
                        " " + kept,
                    "Vri", PlatIcon::kError);
    return 0;
  }
  return 1;
}

std::string SintegraSortTemporary(const std::string& path) { return path + ".tmp"; }
