#include "fiscal/fiscal_job.h"

#include "fiscal/ecf_binding.h"
#include "platform/message_sink.h"
#include "platform/trouble.h"

int StartFiscalJob(PlatWindow owner, const std::string& library, std::string& version) {
  version.clear();
  if (!LoadEcfLibrary(owner, library)) return 0;
  RestorePreviousSintegra(owner);
  return SintegraVersion(owner, version);
}

void NormaliseSintegraFields(SintegraRequest& request, const DateRec& today) {
  NormMonthYear(request.month_year, today.year);
  NormCep(request.cep);
}

int CheckSintegraVerdict(const std::string& path, SintegraVerdict& verdict) {
  verdict = SintegraVerdict{};
  verdict.checked = CheckSintegraFile(path, verdict.faults);
  for (const SintegraFault& f : verdict.faults) (f.error ? verdict.errors : verdict.warnings)++;
  return verdict.checked;
}

std::string SintegraCounts(const SintegraVerdict& verdict) {
  return std::to_string(verdict.errors) + " erro(s), " + std::to_string(verdict.warnings) +
         " aviso(s)";
}

std::string SintegraCheckSummary(const std::string& path, const SintegraVerdict& verdict) {
  return "verificado: " + PlatShownPath(path) + ": " +
         (verdict.checked ? SintegraCounts(verdict) : "o arquivo não pôde ser lido");
}

namespace {

// The sorted report checked, its findings written beside it. A report that
// cannot be written is no failure of the generation: the findings are also
// in the verdict.
void CheckReport(SintegraVerdict& verdict) {
  CheckSintegraVerdict(kSintegraPath, verdict);
  std::string text;
  for (const SintegraFault& f : verdict.faults) {
    const PlatIcon icon = f.error ? PlatIcon::kError : PlatIcon::kWarning;
    text.append(MessageLine(icon, kSintegraCheckCaption, f.text)).append("\r\n");
  }
  text.append(SintegraCheckSummary(kSintegraPath, verdict)).append("\r\n");
  PlatReplaceWhole(kSintegraCheckReportPath, std::string(kSintegraCheckReportPath) + ".tmp", text,
                   0);
}

}  // namespace

int GenerateSintegraStep(PlatWindow owner, SintegraRequest request, const DateRec& today,
                         SintegraVerdict& verdict) {
  verdict = SintegraVerdict{};
  NormaliseSintegraFields(request, today);
  if (!SintegraGenerate(owner, request)) return 0;
  CheckReport(verdict);
  return 1;
}

void ShowSintegraVerdict(PlatWindow owner, const SintegraVerdict& verdict) {
  if (verdict.errors == 0) return;
  PlatShowMessage(owner,
                  "O arquivo Sintegra.txt tem " + std::to_string(verdict.errors) +
                      " erro(s) que o validador do estado pode recusar. Veja o relatório em " +
                      PlatShownPath(kSintegraCheckReportPath) + ".",
                  "Vri", PlatIcon::kWarning);
}

int EndFiscalJob(PlatWindow owner) { return ReleaseEcfLibrary(owner); }

int RunFiscalJob(PlatWindow owner, const std::string& library, SintegraRequest request,
                 const DateRec& today, FiscalJobOutcome& outcome) {
  outcome = FiscalJobOutcome{};
  int started = StartFiscalJob(owner, library, outcome.version);
  outcome.loaded = EcfLibrary() != nullptr;
  if (!outcome.loaded) return 0;
  request.library_version = outcome.version;
  outcome.generated = GenerateSintegraStep(owner, request, today, outcome.verdict);
  int released = EndFiscalJob(owner);
  outcome.ok = started && outcome.generated && released;
  return outcome.ok;
}
