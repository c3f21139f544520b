// The company context: process-wide, written at start-up (job mode, company
// code and record) and by the document store (kind letter and year of the
// document being saved), read everywhere else.
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
  // Character code of the kind of the document being saved ('0', '1', 'A',
  // 'B', 'C'); selects L50A or L54A.
  int doc_kind_code = 0;
  // Year of the document being saved: the number of its document file.
  int doc_year = 0;
};

// The one context of the process.
CompanyContext& Company();
