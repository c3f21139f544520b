// The fiscal printer job, step by step as both front ends run it: the
// dialog calls each step when its user gets there, vri-batch runs them all
// in one go with RunFiscalJob. Neither does a step of its own.
#pragma once

#include <string>
#include <vector>

#include "codecs/date.h"
#include "fiscal/sintegra.h"
#include "fiscal/sintegra_check.h"
#include "platform/platform.h"

// Opening the job: puts back a previous report that a generation ended
// half-way left aside, loads the printer library at `library` and asks it
// for its version. Returns 1 and the version; 0 after the message that
// stopped it (the library then stays unloaded when it could not be loaded,
// loaded when only the version call failed).
int StartFiscalJob(PlatWindow owner, const std::string& library, std::string& version);

// The fields as the dialog leaves them when the user moves on: the month/year
// completed with today's year, the CEP as "12345-678".
void NormaliseSintegraFields(SintegraRequest& request, const DateRec& today);

// Where the checker's findings on the last report are written.
inline constexpr char kSintegraCheckReportPath[] = "C:\\Kmar\\Arquivos\\Sintegra-verificacao.txt";
// The caption of the checker's findings.
inline constexpr char kSintegraCheckCaption[] = "Sintegra";

// What the checker found in a report.
struct SintegraVerdict {
  int checked = 0;  // the file could be read and was checked
  int errors = 0;
  int warnings = 0;
  std::vector<SintegraFault> faults;
};

// Checks the file at path: its faults, and how many of them are errors and
// how many warnings. Returns verdict.checked: 1, or 0 when the file could not
// be read (no faults then).
int CheckSintegraVerdict(const std::string& path, SintegraVerdict& verdict);

// The counts of a verdict as the summaries give them: "2 erro(s), 1 aviso(s)".
std::string SintegraCounts(const SintegraVerdict& verdict);

// The summary line of the check of the file at path, as the findings report
// ends and vri-batch prints it: "verificado: <path>: " and the counts, or
// that the file could not be read.
std::string SintegraCheckSummary(const std::string& path, const SintegraVerdict& verdict);

// "&Gerar Sintegra": the fields normalised, then the generation (which sorts
// the file); after a successful one the sorted file is checked and the
// findings written to kSintegraCheckReportPath (Windows-1252, CR LF, one
// finding a line as vri-batch prints it, then the summary line), replacing
// it whole. Returns as SintegraGenerate; `verdict` the check's outcome.
int GenerateSintegraStep(PlatWindow owner, SintegraRequest request, const DateRec& today,
                         SintegraVerdict& verdict);

// After a generation whose check found errors: the warning that the state's
// validator may refuse the file, and where the findings are (caption "Vri").
// Nothing for a verdict without errors.
void ShowSintegraVerdict(PlatWindow owner, const SintegraVerdict& verdict);

// Closing the job: the library released. 1, or 0 after its message.
int EndFiscalJob(PlatWindow owner);

// What the whole job came to.
struct FiscalJobOutcome {
  int loaded = 0;       // the library was loaded
  std::string version;  // its version (empty when the call failed)
  int generated = 0;    // the report was made ("Arquivo Sintegra.txt gerado com sucesso.")
  SintegraVerdict verdict;  // the check of the report made
  int ok = 0;           // every step succeeded, the library released included
};

// The whole job for vri-batch: start, generate, end; a failed version call
// is shown and the job goes on, as in the dialog. Returns outcome.ok.
int RunFiscalJob(PlatWindow owner, const std::string& library, SintegraRequest request,
                 const DateRec& today, FiscalJobOutcome& outcome);
