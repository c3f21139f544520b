#include "palm/palm_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "codecs/number.h"
#include "codecs/text.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

// Output lines are gathered in memory and handed to the stream in chunks of
// this size, so memory stays flat however many records the masters hold.
constexpr std::size_t kWriteChunk = 256 * 1024;

// ---------------------------------------------------------------------------
// Export files. Every table of a run is written under a temporary name of
// its own ("~Cliente.<process>.tmp"), so two exports into one folder never
// share a file; only when all sixteen are complete does the run write its
// journal (VriExport.jnl, the run's number) and rename them over the old
// tables. A run ended between the renames is finished from the journal by
// the next export, so the tables the Palm side loads always agree.

struct ExportFile {
  std::string final_path;
  std::string temp_path;
  PlatStream* stream = nullptr;
  std::string pending;
  bool failed = false;
};

// One run: its folder, its number and the temporary files complete so far
// (in kPalmTables order), and the master that stopped it, if any.
struct ExportRun {
  std::string folder;
  std::string tag;
  std::vector<std::string> complete;
  std::string unreadable;
};

int OpenExportFile(ExportFile& file, const ExportRun& run, const char* table) {
  PalmFilePath(file.final_path, run.folder, table, kPalmTextExtension);
  PalmTemporaryPath(file.temp_path, run.folder, table, run.tag);
  file.stream = PlatOpen(file.temp_path, PlatOpenMode::kCreate);
  file.pending.clear();
  file.failed = false;
  return file.stream ? 1 : 0;
}

void FlushPending(ExportFile& file) {
  if (!file.failed && !file.pending.empty() &&
      !PlatWrite(file.stream, file.pending.data(), file.pending.size()))
    file.failed = true;
  file.pending.clear();
}

// Closes the streams of files[0..count) and removes their temporary files.
void AbandonFiles(ExportFile* files, int count) {
  for (int i = 0; i < count; ++i) {
    if (files[i].stream) {
      PlatClose(files[i].stream);
      files[i].stream = nullptr;
    }
    PlatRemove(files[i].temp_path);
  }
}

// Removes every temporary file of the run: the old tables stay as they were.
void AbandonRun(ExportRun& run) {
  for (const std::string& path : run.complete) PlatRemove(path);
  run.complete.clear();
}

// Writes out and closes files[0..count). 1 when every byte reached them
// (they join the run's complete files); 0 after removing them.
int FinishFiles(ExportRun& run, ExportFile* files, int count) {
  int ok = 1;
  for (int i = 0; i < count; ++i) {
    FlushPending(files[i]);
    if (!PlatClose(files[i].stream)) files[i].failed = true;
    files[i].stream = nullptr;
    if (files[i].failed) ok = 0;
  }
  if (!ok) {
    AbandonFiles(files, count);
    return 0;
  }
  for (int i = 0; i < count; ++i) run.complete.push_back(files[i].temp_path);
  return 1;
}

// Renames the run's temporary files `tag` over the tables; a rename that
// fails is tried once more. 1 when none is left; `renamed` counts the tables
// put in place. A file that another export finishing the same run has put
// in place meanwhile is no failure.
int RenameTables(const std::string& folder, const std::string& tag, int& renamed) {
  int ok = 1;
  renamed = 0;
  std::string final_path;
  std::string temp_path;
  for (const char* table : kPalmTables) {
    PalmTemporaryPath(temp_path, folder, table, tag);
    if (!PlatFileExists(temp_path)) continue;  // put in place before
    PalmFilePath(final_path, folder, table, kPalmTextExtension);
    if (PlatRename(temp_path, final_path) || PlatRename(temp_path, final_path)) ++renamed;
    else if (PlatFileExists(temp_path)) ok = 0;
  }
  return ok;
}

// Puts the complete tables of the run in place: journal first, then the
// renames, then the journal goes. 0 when the journal could not be written
// (nothing changed, the temporary files are removed) or a table could not be
// put in place (the journal stays, and the next export finishes the run).
int CommitRun(ExportRun& run) {
  std::string journal;
  PalmJournalPath(journal, run.folder);
  PlatStream* out = PlatOpen(journal, PlatOpenMode::kCreate);
  std::string text = run.tag + "\r\n";
  int written = out && PlatWrite(out, text.data(), text.size());
  if (!PlatClose(out)) written = 0;
  if (!written) {
    PlatRemove(journal);
    AbandonRun(run);
    return 0;
  }
  int renamed = 0;
  if (!RenameTables(run.folder, run.tag, renamed)) {
    // With no table touched yet the run can still be undone whole.
    if (renamed == 0 && PlatRemove(journal)) AbandonRun(run);
    return 0;
  }
  // A second run may have taken the journal's name meanwhile: it finds no
  // file of this run, so a journal left behind is harmless.
  PlatRemove(journal);
  run.complete.clear();
  return 1;
}

// ---------------------------------------------------------------------------
// Column writers. A line is put together in place: OpenLine appends room
// for the line as blanks (its table's length, or that of the longest line), each column writer copies its
// value in at the cursor and moves it on by the column's width, and EndLine
// cuts the room back to what was written. Most of a line is blank fill, so
// a column costs one copy of its value. Values come trimmed from the record
// files; a column is cut to its width, so no value can shift the rest of a
// line, and nothing is ever written beyond the room.

constexpr std::size_t kLineRoom = 1024;  // the longest line, a person's, has 818 columns

struct Line {
  std::string* out = nullptr;
  std::size_t start = 0;  // where the line begins in *out
  char* at = nullptr;     // the cursor
  char* end = nullptr;    // the end of the room
};

Line OpenLine(std::string& out, std::size_t room = kLineRoom) {
  Line line;
  line.out = &out;
  line.start = out.size();
  out.append(room, ' ');
  line.at = out.data() + line.start;
  line.end = line.at + room;
  return line;
}

// Cuts the room of `line` back to the columns written.
void CloseLine(Line& line) {
  line.out->resize(line.start + (std::size_t)(line.at - (line.out->data() + line.start)));
}

// Ends `line` of `file` and writes a chunk when enough has gathered.
void EndLine(ExportFile& file, Line& line) {
  CloseLine(line);
  file.pending.append("\r\n");
  if (file.pending.size() >= kWriteChunk) FlushPending(file);
}

std::size_t Room(const Line& line, std::size_t width) {
  return std::min(width, (std::size_t)(line.end - line.at));
}

void PutBlanks(Line& line, std::size_t count) { line.at += Room(line, count); }

void PutLeft(Line& line, std::string_view value, std::size_t width) {
  width = Room(line, width);
  std::size_t n = std::min(value.size(), width);
  if (n) std::memcpy(line.at, value.data(), n);
  line.at += width;
}

void PutRight(Line& line, std::string_view value, std::size_t width) {
  width = Room(line, width);
  std::size_t n = std::min(value.size(), width);
  if (n) std::memcpy(line.at + (width - n), value.data(), n);
  line.at += width;
}

// A text as it stands, as wide as it is.
void PutText(Line& line, std::string_view text) { PutLeft(line, text, text.size()); }

void PutChar(Line& line, char c) {
  if (line.at < line.end) *line.at++ = c;
}

// The first `width` digits of a text (anything else in it passed over),
// right-aligned with leading zeros: '12.345-6' in 8 columns is '00123456'.
void PutZeroFilledDigits(Line& line, std::string_view text, std::size_t width) {
  width = Room(line, width);
  char* column = line.at;
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
  line.at += width;
}

// A digits column: the value rounded to a whole number (ties to even, as
// the C library's "%.0f" rounds) with leading zeros. A digits column never
// carries a sign: negative values, negative zero and values that are not
// numbers are written as zero, and a value too large for the column as the
// largest that fits, so the line keeps its length.
void PutDigits(Line& line, double value, int width) {
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
  std::size_t room = Room(line, (std::size_t)width);
  // two digits at a time, from the right; zeros once the value is used up
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char text[kWidest];
  int i = width;
  for (; i >= 2 && digits > 0; i -= 2, digits /= 100)
    std::memcpy(text + i - 2, kPairs + 2 * (digits % 100), 2);
  if (i > 0 && digits > 0) text[--i] = (char)('0' + digits % 10);
  if (i > 0) std::memset(text, '0', (std::size_t)i);
  // the lowest digits are the ones cut when the room ends inside the column
  std::memcpy(line.at, text, room);
  line.at += room;
}

// ---------------------------------------------------------------------------
// Master scans read each record once and take its fields by offset, with the
// field reader's rules: a field is read when at least one of its characters
// lies inside the file, and its trailing blanks are removed.

// Opens a master for a scan. A missing master gives nullptr and 1 (its table
// has no lines); one that exists but cannot be opened gives nullptr and 0,
// its name kept in the run for the message.
PlatStream* OpenMaster(const std::string& name, ExportRun& run, int& ok) {
  ok = 1;
  if (name.empty()) return nullptr;
  PlatStream* in = PlatOpen(name, PlatOpenMode::kRead);
  if (!in && PlatFileExists(name)) {
    run.unreadable = name;
    ok = 0;
  }
  return in;
}

// Closes a master after a scan that stopped at record `records` with `r`.
// 1 when the scan reached the end of the file (or a last record too short
// for the fields it needs); 0 when a read failed short of it.
int CloseMaster(PlatStream* in, const RecordBuffer& r, int records, const std::string& name,
                ExportRun& run) {
  long long size = PlatSize(in);
  bool short_read = PlatFailed(in) ||
                    (r.bytes.empty() &&
                     (size < 0 || (long long)records * r.layout.record_length < size));
  PlatClose(in);
  if (!short_read) return 1;
  run.unreadable = name;
  return 0;
}

// The first `count` characters of a field (the export cuts some columns).
inline std::string_view FieldPrefix(const RecordBuffer& r, int field, std::size_t count) {
  std::string_view text = RecordFieldText(r, field);
  return text.substr(0, std::min(count, text.size()));
}

// Field `field` left-aligned in a column of a line: its bytes as they stand
// in the record, at most `count` of them. A field's trailing blanks fall on
// blanks of the line, so this puts the same as its trimmed text, without
// looking for where the blanks begin.
void PutFieldLeft(Line& line, const RecordBuffer& r, int field, std::size_t width,
                  std::size_t count = kLineRoom) {
  if (field < 0 || (std::size_t)field >= r.layout.widths.size()) return PutBlanks(line, width);
  std::size_t offset = (std::size_t)LayoutFieldOffset(r.layout, field);
  std::size_t size = offset < r.bytes.size()
                         ? std::min((std::size_t)r.layout.widths[(std::size_t)field], r.bytes.size() - offset)
                         : 0;
  PutLeft(line, r.bytes.substr(std::min(offset, r.bytes.size()), std::min(size, count)), width);
}

double FieldNumber(const RecordBuffer& r, int field) {
  return ParseNum(RecordFieldText(r, field));
}

// ---------------------------------------------------------------------------
// Suppliers and customers share one layout.

constexpr int kPersonExportNumber = 31;  // customer number field; supplier text field read as one
constexpr int kCustomerRegion = 30;      // customers only, column 1

void PutPersonLine(Line& out, const RecordBuffer& r, bool customer) {
  if (customer)
    PutFieldLeft(out, r, kCustomerRegion, 14);
  else
    PutBlanks(out, 14);
  PutFieldLeft(out, r, kPersonCode, 32);
  PutText(out, "000000");
  PutFieldLeft(out, r, 26, 60);
  PutFieldLeft(out, r, kPersonName, 60);
  PutFieldLeft(out, r, kPersonStreet, 80);
  PutFieldLeft(out, r, kPersonDistrict, 80);
  PutFieldLeft(out, r, kPersonCity, 40);
  PutFieldLeft(out, r, kPersonCep, 10);
  PutFieldLeft(out, r, kPersonState, 2);
  PutFieldLeft(out, r, 20, 14, 14);
  PutFieldLeft(out, r, 22, 60);
  std::string_view tax_id = RecordFieldText(r, kPersonCnpj);
  PutChar(out, tax_id.size() <= 14 ? 'F' : 'J');
  PutZeroFilledDigits(out, tax_id, 14);
  PutFieldLeft(out, r, kPersonIe, 38);
  PutFieldLeft(out, r, 2, 60);
  PutFieldLeft(out, r, kPersonAreaCode, 4);
  PutFieldLeft(out, r, kPersonPhone, 84, 24);
  PutDigits(out, FieldNumber(r, kPersonExportNumber) * 100, 9);
  PutChar(out, 'A');
  PutBlanks(out, 128);
  PutChar(out, '1');
  PutBlanks(out, 5);
  PutChar(out, '1');
  PutBlanks(out, 13);
  PutBlanks(out, 1);
}

// Scans one person master into `file`; a master that cannot be opened gives no lines.
int WritePersons(ExportRun& run, ExportFile& file, const std::string& master,
                 const RecordLayout& layout, int file_type, int first_field) {
  int ok;
  PlatStream* in = OpenMaster(master, run, ok);
  if (!in) return ok;
  RecordBuffer r{layout, {}, {}};
  bool customer = file_type == kFileTypeCustomer;
  int n = 0;
  for (; ReadRecord(in, n, r) && HasRecordField(r, first_field); ++n) {
    if (IsFreeRecordBuffer(r) || !IsActiveInRecord(r, file_type, "0")) continue;
    Line line = OpenLine(file.pending, kPalmPersonLineLength);
    PutPersonLine(line, r, customer);
    EndLine(file, line);
  }
  return CloseMaster(in, r, n, master, run);
}

// ---------------------------------------------------------------------------
// Products: four tables from one pass.

constexpr int kProductCodeColumn = 10;  // the Palm side keys products by ten characters
constexpr double kLargestPrice = 9999;
constexpr double kLargestStock = 99999.999;
constexpr double kStockCeiling = 99999999;

enum ProductTable { kProduto, kTabPrecoProduto, kEstoque, kProdutoAdic, kProductTables };

// The stock lines of one product: one per seller, alike but for the seller
// column. `block` holds them, seller columns and line ends in place, from
// one product to the next; each product only puts in its own columns.
struct StockBlock {
  std::string lines;
  std::size_t line_length = 0;  // with its CR LF
};

constexpr std::size_t kStockSellerColumn = 14;

void PrepareStockBlock(StockBlock& block, const std::vector<std::string>& sellers) {
  block.lines.clear();
  for (const std::string& seller : sellers) {
    std::size_t start = block.lines.size();
    Line line = OpenLine(block.lines, kPalmStockLineLength);
    PutLeft(line, std::string_view(seller).substr(0, std::min<std::size_t>(5, seller.size())),
            kStockSellerColumn);
    PutBlanks(line, 10 + 8 + 8 + 1);
    CloseLine(line);
    block.lines.append("\r\n");
    block.line_length = block.lines.size() - start;
  }
}

void PutProductLines(ExportFile* files, const RecordBuffer& r, StockBlock& stock_block) {
  std::string_view code = FieldPrefix(r, kProductCode, kProductCodeColumn);

  Line produto = OpenLine(files[kProduto].pending, kPalmProductLineLength);
  PutLeft(produto, code, 19);
  PutFieldLeft(produto, r, kProductDescription, 120);
  PutFieldLeft(produto, r, kProductUnit, 5, 5);
  PutFieldLeft(produto, r, 8, 64, 64);
  PutBlanks(produto, 1);
  EndLine(files[kProduto], produto);

  Line price_line = OpenLine(files[kTabPrecoProduto].pending, kPalmPriceLineLength);
  double price = FieldNumber(r, kProductPrice);
  PutLeft(price_line, "1", 6);
  PutLeft(price_line, code, 10);
  PutLeft(price_line, "1", 14);
  PutChar(price_line, 'N');
  PutDigits(price_line, price > kLargestPrice ? 0 : price * 1000, 7);
  PutText(price_line, "0000010");
  PutText(price_line, "9999990");
  PutBlanks(price_line, 1);
  EndLine(files[kTabPrecoProduto], price_line);

  if (!stock_block.lines.empty()) {
    double stock = FieldNumber(r, kProductStock);
    double stock_column = stock < 0 ? 0 : stock > kLargestStock ? kStockCeiling : stock * 1000;
    char* first = stock_block.lines.data();
    const std::size_t rest_length = stock_block.line_length - 2 - kStockSellerColumn;
    // blank again what the last product put there
    std::memset(first + kStockSellerColumn, ' ', rest_length);
    Line rest{&stock_block.lines, 0, first + kStockSellerColumn,
              first + kStockSellerColumn + rest_length};
    PutLeft(rest, code, 10);
    PutDigits(rest, stock_column, 8);
    PutText(rest, std::string_view(rest.at - 8, 8));  // the same quantity again
    // the same columns into the other sellers' lines
    for (std::size_t at = stock_block.line_length; at < stock_block.lines.size();
         at += stock_block.line_length)
      std::memcpy(first + at + kStockSellerColumn, first + kStockSellerColumn, rest_length);
    files[kEstoque].pending.append(stock_block.lines);
    if (files[kEstoque].pending.size() >= kWriteChunk) FlushPending(files[kEstoque]);
  }

  Line extra = OpenLine(files[kProdutoAdic].pending, kPalmProductExtraLineLength);
  PutLeft(extra, code, 15);
  PutFieldLeft(extra, r, 4, 14);
  PutFieldLeft(extra, r, 22, 8);
  PutBlanks(extra, 92);
  PutRight(extra, RecordFieldText(r, 33), 18);
  for (int field : {50, 51, 52, 53, 54, 55}) PutFieldLeft(extra, r, field, 3);
  for (int field : {39, 40, 41, 42, 43}) PutRight(extra, RecordFieldText(r, field), 6);
  EndLine(files[kProdutoAdic], extra);
}

int WriteProducts(ExportRun& run, ExportFile* files, const std::vector<std::string>& sellers) {
  std::string master;
  int ok;
  PlatStream* in = OpenMaster(CompanyFilePath(master, kProductFile), run, ok);
  if (!in) return ok;
  RecordBuffer r{kProductLayout, {}, {}};
  StockBlock stock_block;
  PrepareStockBlock(stock_block, sellers);
  int n = 0;
  for (; ReadRecord(in, n, r) && HasRecordField(r, kProductClass); ++n) {
    if (IsFreeRecordBuffer(r) || ToInt(std::string(RecordFieldText(r, kProductClass))) != 0 ||
        !IsActiveInRecord(r, kFileTypeProduct, "0"))
      continue;
    PutProductLines(files, r, stock_block);
  }
  return CloseMaster(in, r, n, master, run);
}

// ---------------------------------------------------------------------------
// Sellers and payment conditions.

int WriteSellers(ExportRun& run, ExportFile& file) {
  std::string master;
  int ok;
  PlatStream* in = OpenMaster(CompanyFilePath(master, kSellerFile), run, ok);
  if (!in) return ok;
  RecordBuffer r{kSellerLayout, {}, {}};
  int n = 0;
  for (; ReadRecord(in, n, r) && HasRecordField(r, kSellerCode); ++n) {
    if (IsFreeRecordBuffer(r) || !IsActiveInRecord(r, kFileTypeSeller, "0")) continue;
    Line line = OpenLine(file.pending);
    PutLeft(line, RecordFieldText(r, kSellerCode), 14);
    PutLeft(line, FieldPrefix(r, kSellerName, 30), 31);
    EndLine(file, line);
  }
  return CloseMaster(in, r, n, master, run);
}

int WriteConditions(ExportRun& run, ExportFile& file) {
  int ok;
  PlatStream* in = OpenMaster(kPaymentFile, run, ok);
  if (!in) return ok;
  RecordBuffer r{kPaymentLayout, {}, {}};
  int n = 0;
  for (; ReadRecord(in, n, r) && HasRecordField(r, kPaymentKind); ++n) {
    // Only the payment methods of sales (kind beginning with "1") go to the Palm.
    if (IsFreeRecordBuffer(r) || RecordFieldText(r, kPaymentKind).substr(0, 1) != "1") continue;
    Line line = OpenLine(file.pending);
    PutLeft(line, "1", 14);
    PutLeft(line, FieldPrefix(r, kPaymentCode, 6), 6);
    PutLeft(line, RecordFieldText(r, kPaymentName), 40);
    PutText(line, "100000");
    PutBlanks(line, 1);
    EndLine(file, line);
  }
  return CloseMaster(in, r, n, kPaymentFile, run);
}

// ---------------------------------------------------------------------------
// Fixed tables: constant rows, "PADRAO" being the default name of a single row.

void WriteFixedTable(ExportFile& file, int table) {
  switch (table) {
    case 8: {  // TipoOperacao
      const std::pair<const char*, const char*> rows[] = {
          {"0", "VENDA À VISTA"}, {"1", "VENDA À PRAZO"}, {"8", "DEVOLUÇÃO"}, {"9", "OUTRAS"}};
      for (const auto& row : rows) {
        Line out = OpenLine(file.pending);
        PutLeft(out, row.first, 6);
        PutLeft(out, row.second, 30);
        PutLeft(out, "0", 129);
        PutBlanks(out, 1);
        EndLine(file, out);
      }
      break;
    }
    case 9:   // Categoria
    case 14:  // Rota
    case 15: {  // Regiao
      Line out = OpenLine(file.pending);
      PutLeft(out, "1", 6);
      PutLeft(out, "PADRAO", 31);
      EndLine(file, out);
      break;
    }
    case 10: {  // GrupoProduto
      Line out = OpenLine(file.pending);
      PutLeft(out, "1", 3);
      PutLeft(out, "PADRAO", 41);
      EndLine(file, out);
      break;
    }
    case 11: {  // TabCondicao
      Line out = OpenLine(file.pending);
      PutLeft(out, "1", 14);
      PutLeft(out, "PADRAO", 41);
      EndLine(file, out);
      break;
    }
    case 12: {  // SubGrupoProduto
      Line out = OpenLine(file.pending);
      PutLeft(out, "1", 3);
      PutLeft(out, "1", 6);
      PutLeft(out, "PADRAO", 41);
      EndLine(file, out);
      break;
    }
    case 13: {  // TabPreco
      Line out = OpenLine(file.pending);
      PutLeft(out, "1", 6);
      PutLeft(out, "PADRAO", 40);
      PutText(out, "00000000000000");
      PutBlanks(out, 1);
      EndLine(file, out);
      break;
    }
    default:
      break;
  }
}

// Writes table(s) [first, first + count) of kPalmTables with `fill` under
// the run's temporary names; 1 when all of them are complete. On a failure
// every temporary file of the run is removed.
template <typename Fill>
int WriteTables(ExportRun& run, int first, int count, Fill fill) {
  ExportFile files[kProductTables];
  for (int i = 0; i < count; ++i) {
    if (!OpenExportFile(files[i], run, kPalmTables[first + i])) {
      AbandonFiles(files, i);
      AbandonRun(run);
      return 0;
    }
  }
  if (!fill(files)) {
    AbandonFiles(files, count);
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
  if (!WriteTables(run, 0, 1, [&run](ExportFile* f) {
        return WritePersons(run, f[0], kSupplierFile, kSupplierLayout, kFileTypeSupplier,
                            kPersonCode);
      }))
    return 0;
  if (!WriteTables(run, 1, 1, [&run](ExportFile* f) {
        return WritePersons(run, f[0], kCustomerFile, kCustomerLayout, kFileTypeCustomer,
                            kCustomerRegion);
      }))
    return 0;
  if (!WriteTables(run, 2, kProductTables,
                   [&run, &sellers](ExportFile* f) { return WriteProducts(run, f, sellers); }))
    return 0;
  if (!WriteTables(run, 6, 1, [&run](ExportFile* f) { return WriteSellers(run, f[0]); }))
    return 0;
  if (!WriteTables(run, 7, 1, [&run](ExportFile* f) { return WriteConditions(run, f[0]); }))
    return 0;
  for (int table = 8; table < 16; ++table)
    if (!WriteTables(run, table, 1, [table](ExportFile* f) {
          WriteFixedTable(f[0], table);
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
    e.text = e.code + " " + std::string(FieldPrefix(r, kSellerName, 30));
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

int FinishPalmExport(const std::string& folder) {
  std::string journal;
  PalmJournalPath(journal, folder);
  if (!PlatFileExists(journal)) return 1;
  PlatStream* in = PlatOpen(journal, PlatOpenMode::kRead);
  if (!in) return PlatFileExists(journal) ? 0 : 1;  // gone meanwhile: finished
  std::string text;
  text.resize(32);
  text.resize(PlatRead(in, text.data(), text.size()));
  PlatClose(in);
  // A journal is the run's number and CR LF; anything else is being written
  // by another export (or was cut short before any table was touched) and
  // is left to the run that writes the next one.
  std::size_t end = text.find("\r\n");
  bool whole = end != std::string::npos && end > 0 && end + 2 == text.size() &&
               text.find_first_not_of("0123456789") == end;
  if (!whole) return 1;
  int renamed = 0;
  if (!RenameTables(folder, text.substr(0, end), renamed)) return 0;
  return PlatRemove(journal) || !PlatFileExists(journal) ? 1 : 0;
}

int PalmExport(PlatWindow owner, const std::string& folder, int layout,
               const std::vector<std::string>& sellers) {
  ExportRun run;
  run.folder = folder;
  run.tag = std::to_string(PlatProcessId());
  int ok = 1;
  {
    WaitCursor wait;
    if (layout == kPalmLayoutOnSoft) ok = FinishPalmExport(folder) && WriteAllTables(run, sellers);
  }
  if (!ok) {
    if (!run.unreadable.empty())
      PlatShowMessage(owner, "Erro ao ler o arquivo " + run.unreadable + ".", kPalmExportCaption,
                      PlatIcon::kError);
    else
      PlatShowMessage(owner, kPalmFileError, kPalmExportCaption, PlatIcon::kError);
    return 0;
  }
  PlatShowMessage(owner, kPalmExportDone, kPalmExportCaption, PlatIcon::kInformation);
  return 1;
}
