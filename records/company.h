// The company context: process-wide, written at start-up (job mode, company
// code and record), read everywhere else.
#pragma once

#include <string>

constexpr int kModeFiscal = 565;
constexpr int kModePalm = 566;
constexpr int kModeNone = 0;

struct CompanyContext {
  int job_mode = kModeNone;
  // The company's code as stored in field 0 of its master record, trailing
  // blanks removed; empty when no company could be loaded.
  std::string company_code = "00001";
  // Record number in F00R0.DAT; -1 = none.
  int company_record = -1;
};

// The one context of the process.
CompanyContext& Company();
