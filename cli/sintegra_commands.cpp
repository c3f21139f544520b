// sintegra, sintegra-sort and sintegra-check: the fiscal printer job from a
// shell, through the same binding and the same generation as the fiscal
// printer dialog, and the checker of a Sintegra file.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "codecs/date.h"
#include "fiscal/ecf_binding.h"
#include "fiscal/fiscal_job.h"
#include "fiscal/sintegra.h"
#include "fiscal/sintegra_check.h"
#include "platform/platform.h"
#include "records/company.h"

namespace {

// Why a file is not a Sintegra file (every line begins with two digits and
// lines end in CR LF or LF, no NUL byte), or the empty text. A file that
// cannot be read or is empty is left to the sort, which says so.
std::string NotSintegra(const std::string& path) {
  PlatStream* s = PlatOpen(path, PlatOpenMode::kRead);
  if (!s) return "";
  std::string text;
  char buf[65536];
  for (std::size_t n; (n = PlatRead(s, buf, sizeof buf)) > 0;) text.append(buf, n);
  PlatClose(s);
  if (text.empty()) return "";
  if (text.find('\0') != std::string::npos) return "tem bytes nulos (é um arquivo binário)";
  if (text.find('\n') == std::string::npos) return "não tem quebras de linha";
  std::size_t at = 0;
  for (int line = 1; at < text.size(); ++line) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string l = text.substr(at, end - at);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (l.size() < 2 || l[0] < '0' || l[0] > '9' || l[1] < '0' || l[1] > '9') {
      return "a linha " + std::to_string(line) + " não começa com dois dígitos (\"" +
             l.substr(0, 20) + (l.size() > 20 ? "..." : "") + "\")";
    }
    at = end + 1;
  }
  return "";
}

// Shows the verdict on the file at path: one message per fault (an error, or
// a warning for a reading of the layout), each JSON line with its line and
// code, then the counts on standard output. Returns 1 and the number of
// errors; 0 after the message that the file could not be read.
int ShowVerdict(const std::string& path, const SintegraVerdict& verdict, int& errors) {
  errors = verdict.errors;
  if (!verdict.checked) {
    PlatShowMessage(nullptr, "Não foi possível ler o arquivo " + PlatShownPath(path) + ".",
                    kSintegraCheckCaption, PlatIcon::kError);
    return 0;
  }
  for (const SintegraFault& f : verdict.faults) {
    SetMessageFields("\"line\": " + std::to_string(f.line) + ", \"code\": \"" + f.code + "\"");
    PlatShowMessage(nullptr, f.text, kSintegraCheckCaption,
                    f.error ? PlatIcon::kError : PlatIcon::kWarning);
  }
  SetMessageFields("");
  PrintOut(SintegraCheckSummary(path, verdict));
  return 1;
}

// The one ARQUIVO of sintegra-sort and sintegra-check: 1, or 0 after the
// usage error (exit status in `status`).
int ReadOneFile(const std::string& command, const std::vector<std::string>& args, int& status) {
  if (args.size() != 1 || args[0].empty()) {
    status = UsageError(command + ": informe exatamente um ARQUIVO");
    return 0;
  }
  if (args[0].size() > 1 && args[0].compare(0, 2, "--") == 0) {
    status = UsageError(command + ": opção desconhecida: " + args[0]);
    return 0;
  }
  return 1;
}

}  // namespace

std::string DefaultLibrary() {
#if defined(_WIN32)
  return kEcfLibraryName;
#else
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "libbemafi32.so";
  return (self.parent_path() / "libbemafi32.so").string();
#endif
}

int RunSintegra(const std::vector<std::string>& args) {
  SintegraRequest request;
  std::string library;
  bool month_given = false;
  bool check = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.compare(0, 2, "--") != 0) return UsageError("sintegra: argumento inesperado: " + a);
    if (a == "--check") {
      check = true;
      continue;
    }
    if (i + 1 >= args.size()) return UsageError("sintegra: " + a + " precisa de um valor");
    const std::string& value = args[++i];
    if (a == "--library") {
      if (value.empty()) return UsageError("sintegra: --library precisa de um caminho");
      library = value;
      continue;
    }
    const SintegraFieldInfo* option = nullptr;
    for (const SintegraFieldInfo& f : kSintegraFields) {
      if (f.option && a == f.option) option = &f;
    }
    if (!option) return UsageError("sintegra: opção desconhecida: " + a);
    if ((int)value.size() > option->limit) {
      return UsageError("sintegra: " + a + " aceita no máximo " + std::to_string(option->limit) +
                        " caracteres (recebeu " + std::to_string(value.size()) + ")");
    }
    request.*option->text = value;
    if (option->field == SintegraField::kMonthYear) month_given = true;
  }
  if (!month_given) return UsageError("sintegra: falta --month MM/AAAA");
  if (library.empty()) library = DefaultLibrary();
  else library = TypedPath(library);

  if (!StartUp(kModeFiscal)) return kExitFailed;
  std::string loaded = library;
  if (library.find_first_of("\\/") == std::string::npos) PlatSearchLibrary(library, loaded);
  DateRec today;
  Today(today, PlatNow());
  FiscalJobOutcome outcome;
  RunFiscalJob(nullptr, library, request, today, outcome);
  if (!outcome.loaded) return kExitFailed;
  PrintOut("biblioteca: " + PlatShownPath(loaded));
  if (!outcome.version.empty()) PrintOut("versão da biblioteca: " + outcome.version);
  if (outcome.generated) PrintOut("arquivo: " + PlatShownPath(kSintegraPath));
  if (!outcome.ok) return kExitFailed;
  PrintOut("verificação: " + PlatShownPath(kSintegraCheckReportPath) + ": " +
           SintegraCounts(outcome.verdict));
  if (!check) return kExitSuccess;
  int errors = 0;
  if (!ShowVerdict(kSintegraPath, outcome.verdict, errors)) return kExitFailed;
  if (errors == 0) return kExitSuccess;
  PlatShowMessage(nullptr,
                  std::string("O arquivo ") + PlatShownPath(kSintegraPath) +
                      " foi gerado, mas a verificação encontrou " + std::to_string(errors) +
                      " erro(s); ele ficou no lugar. Corrija-os antes de entregar o arquivo.",
                  kSintegraCheckCaption, PlatIcon::kError);
  return kExitFailed;
}

int RunSintegraSort(const std::vector<std::string>& args) {
  int status = kExitUsage;
  if (!ReadOneFile("sintegra-sort", args, status)) return status;
  std::string path = TypedPath(args[0]);
  std::string why = NotSintegra(path);
  if (!why.empty()) {
    PlatShowMessage(nullptr,
                    "O arquivo " + ShownPath(path) + " não é um arquivo Sintegra: " + why +
                        ". Nada foi alterado.",
                    "vri-batch", PlatIcon::kError);
    return kExitFailed;
  }
  if (!SortSintegraFile(nullptr, path)) return kExitFailed;
  PlatShowMessage(nullptr, "Arquivo " + ShownPath(path) + " ordenado com sucesso.", "Vri",
                  PlatIcon::kInformation);
  return kExitSuccess;
}

int RunSintegraCheck(const std::vector<std::string>& args) {
  int status = kExitUsage;
  if (!ReadOneFile("sintegra-check", args, status)) return status;
  std::string path = TypedPath(args[0]);
  SintegraVerdict verdict;
  CheckSintegraVerdict(path, verdict);
  int errors = 0;
  if (!ShowVerdict(path, verdict, errors)) return kExitUsage;
  return errors ? kExitFailed : kExitSuccess;
}
