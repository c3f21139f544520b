#include "palm/palm_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "codecs/number.h"
#include "codecs/text.h"
#include "palm/palm_layout.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "records/record_file.h"
#include "platform/trouble.h"

namespace {

// Output lines are gathered in memory and handed to the file in chunks of
// this size, and masters are read in blocks of about this many bytes, so
// memory stays flat however many records the masters hold.
constexpr std::size_t kWriteChunk = 256 * 1024;
constexpr std::size_t kReadBlock = 1024 * 1024;

// ---------------------------------------------------------------------------
// Export files. Every table of a run is written under a temporary name of
// its own ("~Cliente.<process>.tmp"), so two exports into one folder never
// share a file. Only when all sixteen are complete does the run, holding the
// folder's export lock, write its journal (VriExport.jnl), move every old
// table aside ("~Cliente.<process>.old"), put every new one in place, and
// remove the old ones and then the journal. A failure at any step puts every
// old table back; a run ended half-way is finished or undone whole, from its
// journal, by the next export before it writes anything. So the tables the
// Palm side loads always come from one export.
//
// Each run holds a lock of its own (~VriExport.<process>.lck) while it lives:
// the files of a run whose lock can be taken belong to a run that ended, and
// the next export removes them.

struct ExportFile {
  PlatReplacement out;
  std::string pending;  // whole lines not yet written
  PalmTable table = kPalmFornecedor;
  long long lines = 0;
};

// One run: its folder, its number and the temporary files complete so far
// (in kPalmTables order), the master that stopped it, if any, and what
// vri-batch says of a failure.
struct ExportRun {
  std::string folder;
  std::string tag;
  std::vector<std::string> complete;
  std::string unreadable;
  std::string detail;
  PalmExportSummary summary;
};

// The journal of a run that moves the old tables aside: one line for each
// table that had no old one, then the run's number and this mark, each line
// ended by CR LF; it is written whole before any table is touched. Runs of
// earlier versions wrote the number alone and renamed their tables over the
// old ones.
constexpr char kAsideMark[] = " aside";

const char kKeptOld[] = "; as tabelas anteriores foram mantidas";

int OpenExportFile(ExportFile& file, ExportRun& run, PalmTable table) {
  std::string path, temp;
  PalmFilePath(path, run.folder, kPalmTables[table], kPalmTextExtension);
  PalmTemporaryPath(temp, run.folder, kPalmTables[table], run.tag);
  file.pending.clear();
  file.pending.reserve(kWriteChunk + 2 * kPalmPersonLineLength);
  file.table = table;
  file.lines = 0;
  if (PlatBeginReplacement(file.out, path, temp)) return 1;
  run.detail = "a tabela " + PlatNativePath(temp) +
               " não pôde ser criada (pasta somente leitura, cheia ou acesso negado)" + kKeptOld;
  return 0;
}

void FlushPending(ExportFile& file) {
  if (!file.pending.empty()) PlatReplacementWrite(file.out, file.pending.data(), file.pending.size());
  file.pending.clear();
}

// Writes a chunk once enough lines have gathered.
void FlushFull(ExportFile& file) {
  if (file.pending.size() >= kWriteChunk) FlushPending(file);
}

// Removes every temporary file of the run: the old tables stay as they were.
void AbandonRun(ExportRun& run) {
  for (const std::string& path : run.complete) PlatRemove(path);
  run.complete.clear();
}

// Drops files[0..count): closed, their temporary files removed.
void DropFiles(ExportFile* files, int count) {
  for (int i = 0; i < count; ++i) PlatDropReplacement(files[i].out);
}

// Writes out and closes files[0..count). 1 when every byte reached them
// (they join the run's complete files); 0 when one failed, its temporary
// file removed and the others joining the run, to be removed with it.
int FinishFiles(ExportRun& run, ExportFile* files, int count) {
  int ok = 1;
  for (int i = 0; i < count; ++i) {
    FlushPending(files[i]);
    if (PlatFinishReplacement(files[i].out, 0)) {
      run.complete.push_back(files[i].out.temp);
      run.summary.lines[files[i].table] = files[i].lines;
    } else {
      ok = 0;
      run.detail = "a tabela " + PlatNativePath(files[i].out.temp) +
                   " não pôde ser gravada (disco cheio ou acesso negado)" + kKeptOld;
    }
  }
  return ok;
}

// The names of one table in a run: the table, the run's new one and the old
// one moved aside.
struct TableNames {
  std::string table, temp, aside;
};
TableNames NamesOf(const std::string& folder, const char* table, const std::string& tag) {
  TableNames n;
  PalmFilePath(n.table, folder, table, kPalmTextExtension);
  PalmTemporaryPath(n.temp, folder, table, tag);
  PalmAsidePath(n.aside, folder, table, tag);
  return n;
}

// A rename, tried once more when it fails (a scanner holding the file for a
// moment).
int RenameTwice(const std::string& from, const std::string& to) {
  return PlatRename(from, to) || PlatRename(from, to);
}

// Puts back what the run `tag` changed, in two passes so that it can be
// ended and done again at any point: first each old table moved aside goes
// back in place and each new table put where there was none (`fresh`, the
// tables that had no old one) goes; only then are the run's new tables
// removed, so that while one is left the run is not taken for finished. 1
// when every table is as before the run and no file of the run is left; 0
// otherwise (`detail` says which table), the journal then to be kept.
int UndoRun(const std::string& folder, const std::string& tag,
            const std::vector<std::string>& fresh, std::string& detail) {
  int ok = 1;
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(folder, table, tag);
    if (PlatFileExists(n.aside)) {
      if (RenameTwice(n.aside, n.table)) continue;
      ok = 0;
      detail = "a tabela anterior " + PlatNativePath(n.aside) + " não pôde voltar a ser " +
               PlatNativePath(n.table) + "; a próxima exportação termina de recolocá-la";
    } else if (std::find(fresh.begin(), fresh.end(), table) != fresh.end() &&
               !PlatFileExists(n.temp) && PlatFileExists(n.table) && !PlatRemove(n.table)) {
      ok = 0;
      detail = "a tabela " + PlatNativePath(n.table) +
               " não pôde ser apagada; a próxima exportação termina de desfazer esta";
    }
  }
  if (!ok) return 0;
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(folder, table, tag);
    if (PlatFileExists(n.temp) && !PlatRemove(n.temp)) {
      ok = 0;
      detail = "o arquivo " + PlatNativePath(n.temp) + " não pôde ser apagado";
    }
  }
  return ok;
}

// Removes the old tables the run `tag` moved aside once all its new ones are
// in place. A file that cannot be removed is left to the next export.
void DropAsideTables(const std::string& folder, const std::string& tag) {
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(folder, table, tag);
    if (PlatFileExists(n.aside)) PlatRemove(n.aside);
  }
}

// 1 when every new table of the run `tag` is in place.
int AllInPlace(const std::string& folder, const std::string& tag) {
  for (const char* table : kPalmTables)
    if (PlatFileExists(NamesOf(folder, table, tag).temp)) return 0;
  return 1;
}

// Renames the temporary files `tag` of a run of an earlier version over the
// tables. 1 when none is left.
int RenameTables(const std::string& folder, const std::string& tag) {
  int ok = 1;
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(folder, table, tag);
    if (PlatFileExists(n.temp) && !RenameTwice(n.temp, n.table) && PlatFileExists(n.temp)) ok = 0;
  }
  return ok;
}

// Takes the folder's export lock, waiting as for a busy file. kNoHandle when
// another export kept it all that time, or it cannot be made.
PlatHandle TakeFolderLock(const std::string& folder) {
  std::string name;
  return LockFileWaiting(PalmExportLockPath(name, folder));
}

// Moves the old tables aside and puts the run's in place, the journal
// written first; run.complete holds all sixteen. Under the folder lock.
int PutTablesInPlace(ExportRun& run) {
  std::string journal;
  PalmJournalPath(journal, run.folder);
  PlatStream* out = PlatOpen(journal, PlatOpenMode::kCreate);
  // the tables that have no old one, then the run's line
  std::vector<std::string> fresh;
  std::string text;
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(run.folder, table, run.tag);
    if (PlatFileExists(n.table) || PlatFolderExists(n.table)) continue;
    fresh.push_back(table);
    text.append(table).append("\r\n");
  }
  text.append(run.tag).append(kAsideMark).append("\r\n");
  int written = out && PlatWrite(out, text.data(), text.size());
  if (!PlatClose(out)) written = 0;
  if (!written) {
    PlatRemove(journal);
    AbandonRun(run);
    run.detail = "o diário " + PlatNativePath(journal) + " não pôde ser gravado" + kKeptOld;
    return 0;
  }
  int ok = 1;
  for (const char* table : kPalmTables) {
    TableNames n = NamesOf(run.folder, table, run.tag);
    if (PlatFolderExists(n.table)) {
      run.detail = PlatNativePath(n.table) + " é uma pasta, não uma tabela";
      ok = 0;
    } else if (PlatFileExists(n.table) && !RenameTwice(n.table, n.aside)) {
      run.detail = "a tabela " + PlatNativePath(n.table) +
                   " não pôde ser substituída: está aberta em outro programa (o programa de "
                   "sincronização do Palm?) ou o acesso foi negado";
      ok = 0;
    }
    if (!ok) break;
  }
  for (const char* table : kPalmTables) {
    if (!ok) break;
    TableNames n = NamesOf(run.folder, table, run.tag);
    if (!RenameTwice(n.temp, n.table)) {
      run.detail = "a tabela nova " + PlatNativePath(n.temp) + " não pôde ser posta no lugar de " +
                   PlatNativePath(n.table);
      ok = 0;
    }
  }
  run.complete.clear();
  if (ok) {
    DropAsideTables(run.folder, run.tag);
  } else {
    std::string undo;
    if (!UndoRun(run.folder, run.tag, fresh, undo)) {
      run.detail += "; " + undo;  // the journal stays: the next export undoes the run
      return 0;
    }
    run.detail += kKeptOld;
  }
  // A journal that cannot be removed names a run with nothing left to do.
  PlatRemove(journal);
  return ok;
}

// Finishes or undoes, from its journal, a run ended while it put its tables
// in place. Under the folder lock, so no run is putting tables in place. 1
// when no journal is left.
int RecoverRun(const std::string& folder, std::string& detail) {
  std::string journal;
  PalmJournalPath(journal, folder);
  if (!PlatFileExists(journal)) return 1;
  std::string text;
  if (!PlatReadWhole(journal, text)) {
    detail = "o diário " + PlatNativePath(journal) + " não pôde ser lido";
    return 0;
  }
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  std::string last = lines.empty() || at != text.size() ? "" : lines.back();
  std::size_t digits = last.find_first_not_of("0123456789");
  std::string tag = last.substr(0, digits);
  std::string mark = digits == std::string::npos ? "" : last.substr(digits);
  int ok = 1;
  if (tag.empty() || (mark != "" && mark != kAsideMark)) {
    // cut short while it was written: no table had been touched
  } else if (mark.empty()) {
    ok = lines.size() != 1 || RenameTables(folder, tag);
    if (!ok) detail = "uma tabela da exportação anterior não pôde ser posta no lugar";
  } else if (AllInPlace(folder, tag)) {
    DropAsideTables(folder, tag);
  } else {
    lines.pop_back();
    ok = UndoRun(folder, tag, lines, detail);
  }
  if (!ok) return 0;
  if (PlatRemove(journal) || !PlatFileExists(journal)) return 1;
  detail = "o diário " + PlatNativePath(journal) + " não pôde ser apagado";
  return 0;
}

// Puts the complete tables of the run in place under the folder lock. A run
// that another export left half-way while this one wrote its tables is
// finished or undone first: writing this run's journal over its journal
// would leave its old tables moved aside with nothing to put them back.
int CommitRun(ExportRun& run) {
  PlatHandle lock = TakeFolderLock(run.folder);
  if (lock == kNoHandle) {
    AbandonRun(run);
    run.detail = "outra exportação está colocando as suas tabelas na pasta " +
                 PlatNativePath(run.folder) + kKeptOld;
    return 0;
  }
  int ok = RecoverRun(run.folder, run.detail);
  if (ok) ok = PutTablesInPlace(run);
  else AbandonRun(run);
  PlatUnlockFile(lock);
  return ok;
}

// Removes the files of runs that ended without removing them (killed, or
// their files could not be removed): each run whose own lock can be taken.
// Under the folder lock, after RecoverRun, so no journal names them.
void SweepEndedRuns(const std::string& folder) {
  std::vector<std::string> names;
  if (!PlatListFolder(folder, names)) return;
  std::vector<std::pair<std::string, std::string>> owned;  // tag, name
  for (const std::string& name : names) {
    std::string tag;
    if (PalmRunTagOf(name, tag)) owned.emplace_back(tag, name);
  }
  std::sort(owned.begin(), owned.end());
  std::string lock_name;
  for (std::size_t i = 0; i < owned.size();) {
    const std::string tag = owned[i].first;
    std::size_t end = i;
    while (end < owned.size() && owned[end].first == tag) ++end;
    PlatHandle lock = PlatLockFile(PalmRunLockPath(lock_name, folder, tag));
    if (lock != kNoHandle) {  // its run has ended
      const std::string lock_file = lock_name.substr(lock_name.rfind('\\') + 1);
      for (std::size_t k = i; k < end; ++k)
        if (owned[k].second != lock_file) PlatRemove(folder + "\\" + owned[k].second);
      PlatUnlockFile(lock);
      PlatRemove(lock_name);
    }
    i = end;
  }
}

// ---------------------------------------------------------------------------
// Line forms. Each table's line is laid out once from its rows: the
// constant columns put in place, blanks elsewhere, CR LF at the end. A line
// is then a copy of that form with the columns that take a value filled in
// at their offsets; each such column costs one copy of its value. Values
// come from the record as it stands; a column is cut to its width, so no
// value can shift the rest of a line.

// A column that takes a value: its row, where it goes in the line and where
// its field lies in the master record (an empty field when the record has
// no such field).
struct FormColumn {
  PalmColumn column;
  std::size_t at = 0;
  std::size_t field_offset = 0;
  std::size_t field_width = 0;
  int same_as = -1;  // an earlier column of the form that writes the same value, or -1
};

struct LineForm {
  std::string blank;  // the line with its constant columns and CR LF
  std::vector<FormColumn> fill;
};

// A digits column: the value rounded to a whole number (ties to even, as
// the C library's "%.0f" rounds) with leading zeros. A digits column never
// carries a sign: negative values, negative zero and values that are not
// numbers are written as zero, and a value too large for the column as the
// largest that fits, so the line keeps its length.
void PutDigits(char* column, double value, int width) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                            1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                            1e14, 1e15, 1e16, 1e17, 1e18};
  constexpr int kWidest = 18;
  if (width > kWidest) width = kWidest;
  if (width < 1) return;
  double largest = kPowersOfTen[width] - 1;
  double rounded = std::nearbyint(value);
  if (!(rounded > 0)) rounded = 0;  // also NaN and -0
  if (rounded > largest) rounded = largest;
  unsigned long long digits = (unsigned long long)rounded;
  // two digits at a time, from the right; zeros once the value is used up
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  int i = width;
  for (; i >= 2 && digits > 0; i -= 2, digits /= 100)
    std::memcpy(column + i - 2, kPairs + 2 * (digits % 100), 2);
  if (i > 0 && digits > 0) column[--i] = (char)('0' + digits % 10);
  if (i > 0) std::memset(column, '0', (std::size_t)i);
}

// The first `width` digits of a text (anything else in it passed over),
// right-aligned with leading zeros: '12.345-6' in 8 columns is '00123456'.
void PutZeroFilledDigits(char* column, std::string_view text, std::size_t width) {
  std::memset(column, '0', width);
  std::size_t count = 0;
  for (char c : text) {
    if (count == width) break;
    if (c >= '0' && c <= '9') column[count++] = c;
  }
  // the digits to the right of the column, zeros before them
  if (count < width) {
    std::memmove(column + (width - count), column, count);
    std::memset(column, '0', width - count);
  }
}

// A number column from a field of plain digits with at most one separator
// ("1234,56", "2.5", "12") and no more decimals than the scale has zeros:
// its digits moved by the scale, which is what reading the number, scaling
// it and rounding it give (the whole number is exact, and the column's
// digits are too few for a double's error to reach a unit). 0, writing
// nothing, for a text of any other form or a scale that is no power of ten,
// which take the plain rule.
int PutScaledDigits(char* column, std::string_view text, const PalmColumn& c) {
  constexpr int kMostDigits = 15;
  if (c.width > 9 || text.empty() || text.size() > kMostDigits + 1) return 0;
  int zeros = 0;
  unsigned long long unit = 1;
  while (unit < c.scale && zeros < 3) unit *= 10, ++zeros;
  if ((double)unit != c.scale) return 0;
  unsigned long long whole = 0;
  int digits = 0, decimals = -1;
  for (char ch : text) {
    if (ch >= '0' && ch <= '9') {
      whole = whole * 10 + (unsigned long long)(ch - '0');
      ++digits;
      if (decimals >= 0) ++decimals;
    } else if ((ch == ',' || ch == '.') && decimals < 0) {
      decimals = 0;
    } else {
      return 0;
    }
  }
  if (digits == 0 || decimals > zeros) return 0;
  for (int i = decimals < 0 ? 0 : decimals; i < zeros; ++i) whole *= 10;
  // the bound compares the value before scaling: whole / unit > zero_above
  if (c.zero_above < 1e15 && (double)whole > c.zero_above * (double)unit) whole = 0;
  PutDigits(column, (double)whole, c.width);
  return 1;
}

// Lays out the form of `columns` for records of `layout`.
LineForm MakeLineForm(PalmColumns columns, const RecordLayout& layout) {
  LineForm form;
  form.blank.assign((std::size_t)PalmLineLength(columns), ' ');
  std::size_t at = 0;
  for (const PalmColumn& c : columns) {
    if (c.kind == PalmColumnKind::kText) {
      std::size_t n = std::min(std::strlen(c.text), (std::size_t)c.width);
      form.blank.replace(at, n, c.text, n);
    } else if (c.kind != PalmColumnKind::kBlank) {
      FormColumn f{c, at};
      if (c.field >= 0 && (std::size_t)c.field < layout.widths.size()) {
        f.field_offset = (std::size_t)LayoutFieldOffset(layout, c.field);
        f.field_width = (std::size_t)layout.widths[(std::size_t)c.field];
      }
      for (std::size_t i = 0; i < form.fill.size(); ++i) {
        const PalmColumn& e = form.fill[i].column;
        if (c.kind == PalmColumnKind::kNumber && e.kind == c.kind && e.field == c.field &&
            e.width == c.width && e.scale == c.scale && e.zero_above == c.zero_above)
          f.same_as = (int)i;
      }
      form.fill.push_back(f);
    }
    at += (std::size_t)c.width;
  }
  form.blank.append("\r\n");
  return form;
}

// The bytes of a column's field as the record holds them, trailing blanks
// included; shorter or empty when the record ends inside or before it.
std::string_view FieldBytes(std::string_view record, const FormColumn& f) {
  if (f.field_width == 0 || f.field_offset >= record.size()) return {};
  return record.substr(f.field_offset, f.field_width);
}

// The field's text without its trailing blanks.
std::string_view FieldText(std::string_view record, const FormColumn& f) {
  std::string_view bytes = FieldBytes(record, f);
  return bytes.substr(0, TrimmedLengthFast(bytes.data(), bytes.size()));
}

// Puts the value of column `f` of `record` into the line at `line`.
void PutColumn(char* line, const FormColumn& f, std::string_view record) {
  const PalmColumn& c = f.column;
  char* at = line + f.at;
  const std::size_t width = (std::size_t)c.width;
  switch (c.kind) {
    case PalmColumnKind::kLeft: {
      // The field's bytes as they stand: its trailing blanks fall on blanks
      // of the line, so this puts the same as its trimmed text, without
      // looking for where the blanks begin.
      std::string_view bytes = FieldBytes(record, f);
      std::size_t n = std::min({bytes.size(), c.cut > 0 ? (std::size_t)c.cut : width, width});
      if (n) std::memcpy(at, bytes.data(), n);
      break;
    }
    case PalmColumnKind::kRight: {
      std::string_view text = FieldText(record, f);
      std::size_t n = std::min(text.size(), width);
      if (n) std::memcpy(at + (width - n), text.data(), n);
      break;
    }
    case PalmColumnKind::kTaxKind:
      *at = FieldText(record, f).size() <= 14 ? 'F' : 'J';
      break;
    case PalmColumnKind::kDigitsOf:
      PutZeroFilledDigits(at, FieldText(record, f), width);
      break;
    case PalmColumnKind::kNumber: {
      std::string_view text = FieldText(record, f);
      if (PutScaledDigits(at, text, c)) break;
      double value = ParseNum(text);
      PutDigits(at, value > c.zero_above ? 0 : value * c.scale, c.width);
      break;
    }
    case PalmColumnKind::kBlank:
    case PalmColumnKind::kText:
    case PalmColumnKind::kSeller:
      break;
  }
}

// Fills the columns of `form` from `record` into the line at `line`, which
// holds the form's blank line. A column that writes the same value as one
// before it (the stock quantity twice) copies that column's digits.
void FillLine(char* line, const LineForm& form, std::string_view record) {
  for (const FormColumn& f : form.fill) {
    if (f.same_as >= 0) {
      const FormColumn& e = form.fill[(std::size_t)f.same_as];
      std::memcpy(line + f.at, line + e.at, (std::size_t)f.column.width);
    } else {
      PutColumn(line, f, record);
    }
  }
}

// Appends one line of `form` for `record` to `file`.
void PutLine(ExportFile& file, const LineForm& form, std::string_view record) {
  std::size_t start = file.pending.size();
  file.pending.append(form.blank);
  ++file.lines;
  FillLine(file.pending.data() + start, form, record);
  FlushFull(file);
}

// ---------------------------------------------------------------------------
// Master scans read whole blocks of records and take each record's fields by
// offset, with the field reader's rules: a field is read when at least one
// of its characters lies inside the file, and its trailing blanks are
// removed. The scan ends at the first record whose first-read field cannot
// be read.

struct MasterScan {
  std::string name;
  PlatStream* in = nullptr;
  RecordBuffer r;         // the record handed out last, over `block`
  std::string block;      // whole records read at once
  std::size_t size = 0;   // bytes of the block read
  std::size_t next = 0;   // offset of the next record in the block
  int records = 0;        // records handed out
  bool ended = false;     // the last block read was the file's last
};

// Opens a master for a scan. A missing master gives 0 and `ok` 1 (its table
// has no lines); one that exists but cannot be opened gives 0 and `ok` 0,
// its name kept in the run for the message. 1 when the scan can begin.
int OpenMaster(MasterScan& scan, const std::string& name, const RecordLayout& layout,
               ExportRun& run, int& ok) {
  ok = 1;
  scan.name = name;
  scan.r = RecordBuffer{layout, {}, {}};
  if (name.empty()) return 0;
  scan.in = PlatOpen(name, PlatOpenMode::kRead);
  if (!scan.in && (PlatFileExists(name) || PlatFolderExists(name))) {
    // held by another program, no access, or a folder of that name
    run.unreadable = name;
    run.detail = PlatNativePath(name) + (PlatFolderExists(name)
                                             ? " é uma pasta, não um arquivo"
                                             : ": aberto em outro programa ou acesso negado");
    ok = 0;
  }
  if (!scan.in) {
    if (ok && !name.empty()) run.summary.missing.push_back(name);
    return 0;
  }
  std::size_t length = (std::size_t)layout.record_length;
  scan.block.resize(std::max<std::size_t>(1, kReadBlock / length) * length);
  return 1;
}

// The next record of the scan in scan.r (a partial last record shorter):
// 1 while its field `first_field` was read, 0 at the end.
int NextRecord(MasterScan& scan, int first_field) {
  const std::size_t length = (std::size_t)scan.r.layout.record_length;
  if (scan.next >= scan.size && !scan.ended) {
    // the block used up: the next one (a shorter one is the file's end)
    scan.size = PlatRead(scan.in, scan.block.data(), scan.block.size());
    scan.next = 0;
    scan.ended = scan.size < scan.block.size();
  }
  scan.r.bytes = std::string_view(scan.block).substr(0, scan.size).substr(
      std::min(scan.next, scan.size), length);
  if (scan.r.bytes.empty() || !HasRecordField(scan.r, first_field)) return 0;
  scan.next += length;
  ++scan.records;
  return 1;
}

// Closes a master after its scan. 1 when the scan reached the end of the
// file (or a last record too short for the fields it needs); 0 when a read
// failed short of it.
int CloseMaster(MasterScan& scan, ExportRun& run) {
  long long size = PlatSize(scan.in);
  bool short_read = PlatFailed(scan.in) ||
                    (scan.r.bytes.empty() &&
                     (size < 0 || (long long)scan.records * scan.r.layout.record_length < size));
  PlatClose(scan.in);
  scan.in = nullptr;
  if (!short_read) return 1;
  run.unreadable = scan.name;
  run.detail = PlatNativePath(scan.name) + ": erro de leitura antes do fim do arquivo";
  return 0;
}

// Sets room aside in `file` for `line_bytes` per record of the scan's master:
// the most the table can take (free and inactive records give no line), so
// the table is laid out at once rather than as the lines come.
void ReserveForMaster(ExportFile& file, const MasterScan& scan, std::size_t line_bytes) {
  long long size = PlatSize(scan.in);
  if (size > 0)
    PlatReserveReplacement(file.out, size / scan.r.layout.record_length * (long long)line_bytes);
}

const std::string kActive = "0";

// ---------------------------------------------------------------------------
// Suppliers and customers share one layout.

// Scans one person master into `file`; a missing master gives no lines.
int WritePersons(ExportRun& run, ExportFile& file, const std::string& master,
                 const RecordLayout& layout, int file_type, int first_field, PalmColumns columns) {
  MasterScan scan;
  int ok;
  if (!OpenMaster(scan, master, layout, run, ok)) return ok;
  LineForm form = MakeLineForm(columns, layout);
  ReserveForMaster(file, scan, form.blank.size());
  while (NextRecord(scan, first_field)) {
    if (IsFreeRecordBuffer(scan.r) || !IsActiveInRecord(scan.r, file_type, kActive)) continue;
    PutLine(file, form, scan.r.bytes);
  }
  return CloseMaster(scan, run);
}

// ---------------------------------------------------------------------------
// Products: four tables from one pass.

constexpr int kProductTables = 4;  // Produto, TabPreco_Produto, Estoque, Produto_Adic
static_assert(kPalmProduto + 1 == kPalmTabPrecoProduto && kPalmProduto + 2 == kPalmEstoque &&
              kPalmProduto + 3 == kPalmProdutoAdic);

// The stock lines of one product: one per seller, alike but for the seller
// column, which comes first. `lines` holds them, seller columns and line
// ends in place, from one product to the next; each product only fills the
// first line's other columns and copies them into the rest.
struct StockBlock {
  LineForm form;
  std::string lines;
  std::size_t line_length = 0;  // with its CR LF
  std::size_t product_at = 0;   // where the product's columns begin
};
static_assert(kPalmStockColumns[0].kind == PalmColumnKind::kSeller);

void PrepareStockBlock(StockBlock& block, const std::vector<std::string>& sellers) {
  block.form = MakeLineForm(kPalmStockColumns, kProductLayout);
  block.lines.clear();
  block.line_length = block.form.blank.size();
  block.product_at = (std::size_t)kPalmStockColumns[0].width;
  const std::size_t cut = (std::size_t)kPalmStockColumns[0].cut;
  for (const std::string& seller : sellers) {
    std::size_t start = block.lines.size();
    block.lines.append(block.form.blank);
    block.lines.replace(start, std::min(cut, seller.size()), seller, 0, cut);
  }
}

// The product's columns into every seller's line, the block then appended
// to `file`.
void PutStockLines(ExportFile& file, StockBlock& block, std::string_view record) {
  if (block.lines.empty()) return;
  char* first = block.lines.data();
  const std::size_t rest = block.line_length - 2 - block.product_at;
  // blank again what the last product put there, then this one's columns
  std::memcpy(first + block.product_at, block.form.blank.data() + block.product_at, rest);
  FillLine(first, block.form, record);
  for (std::size_t at = block.line_length; at < block.lines.size(); at += block.line_length)
    std::memcpy(first + at + block.product_at, first + block.product_at, rest);
  file.pending.append(block.lines);
  file.lines += (long long)(block.lines.size() / block.line_length);
  FlushFull(file);
}

int WriteProducts(ExportRun& run, ExportFile* files, const std::vector<std::string>& sellers) {
  std::string master;
  MasterScan scan;
  int ok;
  if (!OpenMaster(scan, CompanyFilePath(master, kProductFile), kProductLayout, run, ok)) return ok;
  LineForm produto = MakeLineForm(kPalmProductColumns, kProductLayout);
  LineForm price = MakeLineForm(kPalmPriceColumns, kProductLayout);
  LineForm extra = MakeLineForm(kPalmProductExtraColumns, kProductLayout);
  StockBlock stock;
  PrepareStockBlock(stock, sellers);
  ReserveForMaster(files[0], scan, produto.blank.size());
  ReserveForMaster(files[1], scan, price.blank.size());
  ReserveForMaster(files[2], scan, stock.lines.size());
  ReserveForMaster(files[3], scan, extra.blank.size());
  std::string product_class;
  while (NextRecord(scan, kProductClass)) {
    product_class.assign(RecordFieldText(scan.r, kProductClass));
    if (IsFreeRecordBuffer(scan.r) || ToInt(product_class) != 0 ||
        !IsActiveInRecord(scan.r, kFileTypeProduct, kActive))
      continue;
    PutLine(files[0], produto, scan.r.bytes);
    PutLine(files[1], price, scan.r.bytes);
    PutStockLines(files[2], stock, scan.r.bytes);
    PutLine(files[3], extra, scan.r.bytes);
  }
  return CloseMaster(scan, run);
}

// ---------------------------------------------------------------------------
// Sellers and payment conditions.

int WriteSellers(ExportRun& run, ExportFile& file) {
  std::string master;
  MasterScan scan;
  int ok;
  if (!OpenMaster(scan, CompanyFilePath(master, kSellerFile), kSellerLayout, run, ok)) return ok;
  LineForm form = MakeLineForm(kPalmSellerColumns, kSellerLayout);
  while (NextRecord(scan, kSellerCode)) {
    if (IsFreeRecordBuffer(scan.r) || !IsActiveInRecord(scan.r, kFileTypeSeller, kActive)) continue;
    PutLine(file, form, scan.r.bytes);
  }
  return CloseMaster(scan, run);
}

int WriteConditions(ExportRun& run, ExportFile& file) {
  MasterScan scan;
  int ok;
  if (!OpenMaster(scan, kPaymentFile, kPaymentLayout, run, ok)) return ok;
  LineForm form = MakeLineForm(kPalmConditionColumns, kPaymentLayout);
  while (NextRecord(scan, kPaymentKind)) {
    // Only the payment methods of sales (kind beginning with "1") go to the Palm.
    if (IsFreeRecordBuffer(scan.r) || RecordFieldText(scan.r, kPaymentKind).substr(0, 1) != "1")
      continue;
    PutLine(file, form, scan.r.bytes);
  }
  return CloseMaster(scan, run);
}

// ---------------------------------------------------------------------------
// Fixed tables: their rows of constant text.

void WriteFixedTable(ExportFile& file, PalmTable table) {
  for (const PalmFixedLine& line : kPalmFixedLines) {
    if (line.table != table) continue;
    std::size_t used = 0;
    while (used < line.columns.size() && line.columns[used].width > 0) ++used;
    LineForm form = MakeLineForm(PalmColumns(line.columns.data(), used), RecordLayout{0, {}});
    file.pending.append(form.blank);
    ++file.lines;
  }
}

// Writes table(s) [first, first + count) under the run's temporary names
// with `fill`; 1 when all of them are complete. On a failure every
// temporary file of the run is removed.
template <typename Fill>
int WriteTables(ExportRun& run, PalmTable first, int count, Fill fill) {
  ExportFile files[kProductTables];
  for (int i = 0; i < count; ++i) {
    if (!OpenExportFile(files[i], run, (PalmTable)(first + i))) {
      DropFiles(files, i);
      AbandonRun(run);
      return 0;
    }
  }
  if (!fill(files)) {
    DropFiles(files, count);
    AbandonRun(run);
    return 0;
  }
  if (!FinishFiles(run, files, count)) {
    AbandonRun(run);
    return 0;
  }
  return 1;
}

int WriteAllTables(ExportRun& run, const std::vector<std::string>& sellers) {
  if (!WriteTables(run, kPalmFornecedor, 1, [&run](ExportFile* f) {
        return WritePersons(run, f[0], kSupplierFile, kSupplierLayout, kFileTypeSupplier,
                            kPersonCode, kPalmSupplierColumns);
      }))
    return 0;
  if (!WriteTables(run, kPalmCliente, 1, [&run](ExportFile* f) {
        return WritePersons(run, f[0], kCustomerFile, kCustomerLayout, kFileTypeCustomer,
                            kPalmCustomerRegion, kPalmCustomerColumns);
      }))
    return 0;
  if (!WriteTables(run, kPalmProduto, kProductTables,
                   [&run, &sellers](ExportFile* f) { return WriteProducts(run, f, sellers); }))
    return 0;
  if (!WriteTables(run, kPalmVendedor, 1, [&run](ExportFile* f) { return WriteSellers(run, f[0]); }))
    return 0;
  if (!WriteTables(run, kPalmCondicao, 1,
                   [&run](ExportFile* f) { return WriteConditions(run, f[0]); }))
    return 0;
  for (int table = kPalmFirstFixedTable; table < kPalmTableCount; ++table)
    if (!WriteTables(run, (PalmTable)table, 1, [table](ExportFile* f) {
          WriteFixedTable(f[0], (PalmTable)table);
          return 1;
        }))
      return 0;
  return CommitRun(run);
}

// Windows-1252 letters with their base letter, lower case; 0 for the rest.
char BaseLetter(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (char)(c - 'A' + 'a');
  if (c >= 'a' && c <= 'z') return (char)c;
  switch (c) {
    case 0x8A: case 0x9A: return 's';  // Š š
    case 0x8E: case 0x9E: return 'z';  // Ž ž
    case 0x9F: case 0xDD: case 0xFD: case 0xFF: return 'y';  // Ÿ Ý ý ÿ
    case 0xC7: case 0xE7: return 'c';  // Ç ç
    case 0xD0: case 0xF0: return 'd';  // Ð ð
    case 0xD1: case 0xF1: return 'n';  // Ñ ñ
    case 0xDF: return 's';             // ß
    default: break;
  }
  if ((c >= 0xC0 && c <= 0xC6) || (c >= 0xE0 && c <= 0xE6)) return 'a';
  if ((c >= 0xC8 && c <= 0xCB) || (c >= 0xE8 && c <= 0xEB)) return 'e';
  if ((c >= 0xCC && c <= 0xCF) || (c >= 0xEC && c <= 0xEF)) return 'i';
  if ((c >= 0xD2 && c <= 0xD6) || c == 0xD8 || (c >= 0xF2 && c <= 0xF6) || c == 0xF8) return 'o';
  if ((c >= 0xD9 && c <= 0xDC) || (c >= 0xF9 && c <= 0xFC)) return 'u';
  return 0;
}

// Sort weight of one byte: letters by their base letter, everything else by
// its own value (so the blank of a padded name sorts before any letter).
int SortWeight(unsigned char c) {
  char base = BaseLetter(c);
  return base ? (unsigned char)base : c;
}

}  // namespace

int PalmLayoutNumber(const std::string& text) { return ToInt(text); }

int ComparePalmNames(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    int wa = SortWeight((unsigned char)a[i]);
    int wb = SortWeight((unsigned char)b[i]);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

std::vector<std::string>& BuildSellerList(std::vector<std::string>& sellers) {
  sellers.clear();
  std::string master;
  PlatStream* in = CompanyFilePath(master, kSellerFile).empty()
                       ? nullptr
                       : PlatOpen(master, PlatOpenMode::kRead);
  if (!in) return sellers;
  struct Entry {
    std::string name;  // the whole 40-character name field, blank-padded
    std::string code;  // the first five characters of the code
    std::string text;
  };
  std::vector<Entry> entries;
  RecordBuffer r{kSellerLayout, {}, {}};
  for (int n = 0; ReadRecord(in, n, r); ++n) {
    if (IsFreeRecordBuffer(r) || !IsActiveInRecord(r, kFileTypeSeller, "0")) continue;
    Entry e;
    e.name.assign(RecordFieldText(r, kSellerName));
    e.name.resize(40, ' ');
    std::string code(RecordFieldText(r, kSellerCode));
    code.resize(11, ' ');
    e.code = code.substr(0, 5);
    e.text = e.code + " " + std::string(RecordFieldText(r, kSellerName).substr(0, 30));
    while (!e.text.empty() && e.text.back() == ' ') e.text.pop_back();
    entries.push_back(std::move(e));
  }
  PlatClose(in);
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
    int c = ComparePalmNames(x.name, y.name);
    if (c == 0) c = ComparePalmNames(x.code, y.code);
    return c < 0;
  });
  for (Entry& e : entries) sellers.push_back(std::move(e.text));
  return sellers;
}

int FinishPalmExport(const std::string& folder, std::string& detail) {
  PlatHandle lock = TakeFolderLock(folder);
  if (lock == kNoHandle) {
    detail = "outra exportação está colocando as suas tabelas na pasta " + PlatNativePath(folder);
    return 0;
  }
  int ok = RecoverRun(folder, detail);
  if (ok) SweepEndedRuns(folder);
  PlatUnlockFile(lock);
  return ok;
}

int FinishPalmExport(const std::string& folder) {
  std::string detail;
  return FinishPalmExport(folder, detail);
}

int PalmExport(PlatWindow owner, const std::string& folder, int layout,
               const std::vector<std::string>& sellers) {
  PalmExportSummary summary;
  return PalmExport(owner, folder, layout, sellers, summary);
}

int PalmExport(PlatWindow owner, const std::string& folder, int layout,
               const std::vector<std::string>& sellers, PalmExportSummary& summary) {
  summary = PalmExportSummary{};
  if (layout == kPalmLayoutOnSoft && Company().company_code.empty()) {
    // Tables of no company would empty every table of the handheld.
    PlatShowMessage(owner, kPalmExportNoCompany, kPalmExportCaption, PlatIcon::kError);
    return 0;
  }
  ExportRun run;
  run.folder = folder;
  run.tag = std::to_string(PlatProcessId());
  int ok = 1;
  if (layout == kPalmLayoutOnSoft) {
    WaitCursor wait;
    std::string run_lock_name;
    PlatHandle run_lock = PlatLockFile(PalmRunLockPath(run_lock_name, folder, run.tag));
    if (run_lock == kNoHandle)
      run.detail = PlatFolderExists(folder) ? "pasta " + PlatShownPath(folder) +
                                                  ": não é possível gravar nela (somente leitura "
                                                  "ou acesso negado)"
                                            : FolderTrouble(folder);
    ok = run_lock != kNoHandle && FinishPalmExport(folder, run.detail) &&
         WriteAllTables(run, sellers);
    if (run_lock != kNoHandle) {
      PlatUnlockFile(run_lock);
      PlatRemove(run_lock_name);
    }
  }
  if (!ok) {
    if (!run.unreadable.empty())
      PlatShowMessage(owner, "Erro ao ler o arquivo " + run.unreadable + ".", kPalmExportCaption,
                      PlatIcon::kError, run.detail);
    else
      PlatShowMessage(owner, kPalmFileError, kPalmExportCaption, PlatIcon::kError, run.detail);
    return 0;
  }
  summary = run.summary;
  PlatShowMessage(owner, kPalmExportDone, kPalmExportCaption, PlatIcon::kInformation);
  return 1;
}
