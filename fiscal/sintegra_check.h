// The Sintegra checker: a file of the Convênio ICMS 57/95 layout checked on
// its own, offline, against the published record layout (lengths, line ends,
// field formats and values, record order, the totals of record 90 and the
// references between records). Each fault is one message in Portuguese, in
// words a support technician understands, with its line and its code.
//
// One pass over the file: memory grows with the keys that must be
// remembered (one entry per day and printer of the 60M records, per product
// code, per note of record 50), not with the size of the file. Only a file
// that uses product codes no record 75 describes is read a second time, to
// name every line that uses them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fiscal/sintegra_layout.h"

// A row of the catalogue of checks: its code, whether it is an error (a
// certain rule of the layout) or a warning (a reading of it), and the
// template (printf, Windows-1252) its messages are made from. Some codes
// have more than one row.
struct SintegraCheckRule {
  const char* code;
  bool error;
  const char* text;
};

// Every row of the catalogue, in the order of the codes.
std::span<const SintegraCheckRule> SintegraCatalogue();

struct SintegraFault {
  long long line = 0;  // 1-based; 0 for a fault of the whole file
  const char* code = "";  // "S01" ...
  bool error = true;      // certain rule: error; a reading of the layout: warning
  std::string text;       // Windows-1252
};

// Checks the bytes of a whole file (a lone Ctrl-Z after the last CR LF is
// accepted). Never fails.
void CheckSintegraText(std::string_view bytes, std::vector<SintegraFault>& faults);

// Checks the file at path, read in blocks. Returns 1 and the faults; 0 when
// the file cannot be opened or read to its end, either time (faults then
// empty). Shows nothing.
int CheckSintegraFile(const std::string& path, std::vector<SintegraFault>& faults);
