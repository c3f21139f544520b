#include "fiscal/fiscal_job.h"

#include "fiscal/ecf_binding.h"

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

int GenerateSintegraStep(PlatWindow owner, SintegraRequest request, const DateRec& today) {
  NormaliseSintegraFields(request, today);
  return SintegraGenerate(owner, request);
}

int EndFiscalJob(PlatWindow owner) { return ReleaseEcfLibrary(owner); }

int RunFiscalJob(PlatWindow owner, const std::string& library, SintegraRequest request,
                 const DateRec& today, FiscalJobOutcome& outcome) {
  outcome = FiscalJobOutcome{};
  int started = StartFiscalJob(owner, library, outcome.version);
  outcome.loaded = EcfLibrary() != nullptr;
  if (!outcome.loaded) return 0;
  request.library_version = outcome.version;
  outcome.generated = GenerateSintegraStep(owner, request, today);
  int released = EndFiscalJob(owner);
  outcome.ok = started && outcome.generated && released;
  return outcome.ok;
}
