#include "documents/doc_store.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "codecs/encoding.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "documents/doc_journal.h"
#include "documents/doc_kinds.h"
#include "documents/document_layout.h"
#include "documents/item_taxes.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/counters.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

constexpr char kSaveCaption[] = "SaveDoc";
constexpr char kWriteText[] = "Erro ao gravar o registro do documento.";
constexpr char kNoKeyText[] = "Documento sem chave de numeração.";
constexpr char kUndoText[] =
    "Erro ao desfazer a gravação do documento incompleto; ele será desfeito na próxima importação.";
constexpr char kProductReadText[] = "Erro ao ler o arquivo de produtos.";
constexpr char kDocumentReadText[] = "Erro ao ler o arquivo de documentos.";
constexpr char kSavePaiCaption[] = "SavePai";
constexpr char kSavePaiText[] = "Erro ao atualizar o registro pai.";
constexpr int kLastItemOffset = 160;
constexpr int kRemarkOffset = 170;
constexpr int kNumberDigitsLow = 6;  // kinds below 10
constexpr int kNumberDigitsHigh = 9;
// FOpen2 reuse: the first free record after the one passed in.
constexpr int kReuseAfter = 2;

// A record line of 400 blanks into which fields are put at their offsets,
// each value cut to its width.
struct RecordLine {
  std::string text = std::string((std::size_t)kDocumentRecordLength, ' ');

  void PutAt(int offset, int width, const std::string& value) {
    std::size_t n = value.size() < (std::size_t)width ? value.size() : (std::size_t)width;
    text.replace((std::size_t)offset, n, value, 0, n);
  }
  void Put(WidthTable widths, int field, const std::string& value) {
    PutAt(FieldOffset(widths, field), widths[(std::size_t)field], value);
  }
  void Put(WidthTable widths, int field, char c) { Put(widths, field, std::string(1, c)); }
};

std::string Number10(long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%-10ld", value);
  return buffer;
}

std::string Money(double value) {
  std::string text;
  return FormatNum(value, text, 2);
}

std::string Slot(const DocumentForm& form, int id, int width) {
  std::string text;
  return GetSlot(form, id, text, width);
}

// Control characters, and NUL bytes that a C reader would take for the end,
// become blanks before a record goes to the file.
std::string& CleanRecord(std::string& line) {
  BlankCtrlChars(line);
  for (char& c : line)
    if (c == '\0') c = ' ';
  return line;
}

void ShowWriteError(const DocumentForm& form) {
  PlatShowMessage(form.owner, kWriteText, kSaveCaption, PlatIcon::kError);
}

// The records one SaveDoc wrote, so that a document that cannot be written
// whole is undone: the larger product must never find a live parent without
// all of its items, its remark or its links.
struct DocWrite {
  const DocumentForm& form;
  std::string path;
  DocJournal* journal;
  std::vector<OwnRecord> own;
  std::string parent_bytes;  // as the file holds them, links included

  // Announces `line` for `record` in the journal and notes it as ours.
  int Announce(int record, const std::string& line) {
    NoteOwnRecord(own, path, record, line);
    return !journal || JournalRecord(*journal, path, record, line);
  }
  // Writes one whole record through a stream that FOpen2 opened and closes
  // it. 1 when every byte reached the file; else 0 after the write message.
  int Write(PlatStream* stream, int record, std::string& line) {
    CleanRecord(line);
    int ok = Announce(record, line) && PlatWrite(stream, line.data(), line.size());
    if (!PlatClose(stream)) ok = 0;
    if (!ok) ShowWriteError(form);
    return ok;
  }
  // Opens the document file for the next child, in the first free record
  // after the one written last for this document or at the end, and writes
  // it. Returns the child's record number, or -1 (message shown).
  int WriteChild(int after, std::string& line) {
    int record = after;
    PlatStream* stream = FOpen2(path, kDocumentRecordLength, kOpenNewRecord, record, kReuseAfter);
    if (!stream) return -1;
    // the child names its parent; the record number only becomes known here
    return Write(stream, record, line) ? record : -1;
  }
  // Links a child into the parent, the new parent announced first.
  int Link(int parent, char child_type, int child) {
    std::string linked = parent_bytes;
    const std::string link = child > parent ? Number10(child) : std::string(kLinkWidth, ' ');
    linked.replace(child_type == kChildItem ? kLastItemOffset : kRemarkOffset, kLinkWidth, link);
    if (!Announce(parent, linked)) {
      ShowWriteError(form);
      return 0;
    }
    if (!SavePai(form, path, child_type, parent, child, kSavePaiLink)) return 0;
    parent_bytes = linked;
    return 1;
  }
  // Frees what was written. 1 when nothing of the document is left live.
  int Undo() {
    if (FreeOwnRecords(own)) return 1;
    PlatShowMessage(form.owner, kUndoText, kSaveCaption, PlatIcon::kError);
    return 0;
  }
};

// The document number of a parent record: the digits at the start of the
// number's span (fields 9 and 10); 0 when it holds no number a counter can
// have handed out.
long ParentDocNumber(const char* record) {
  const char* p = record + FieldOffset(kParentWidths, kParentDocNumber);
  const char* end = p + kDocNumberSpan;
  while (p < end && *p == ' ') ++p;
  long value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > kCounterMax) return 0;
  }
  return value;
}

}  // namespace

int HighestDocNumber(const std::string& path, char kind_letter, int direction, long& highest) {
  highest = 0;
  PlatStream* stream = PlatOpen(path, PlatOpenMode::kRead);
  if (!stream) return PlatFileExists(path) || PlatFolderExists(path) ? 0 : 1;
  const long long size = PlatSize(stream);
  int ok = size >= 0;
  const long long records = ok ? size / kDocumentRecordLength : 0;
  constexpr std::size_t kBlockRecords = 64 * 1024 / kDocumentRecordLength;
  const int kind_at = FieldOffset(kParentWidths, kParentKindLetter);
  const int direction_at = FieldOffset(kParentWidths, kParentDirection);
  const char direction_digit = direction == kDirectionSale ? '1' : '0';
  for (long long n = 0; ok && n < records;) {
    const long long want = std::min<long long>((long long)kBlockRecords, records - n);
    const char* data = nullptr;
    const std::size_t got =
        PlatSeek(stream, n * kDocumentRecordLength)
            ? PlatReadView(stream, (std::size_t)(want * kDocumentRecordLength), &data)
            : 0;
    const long long whole = (long long)got / kDocumentRecordLength;
    if (whole == 0) {
      ok = 0;
      break;
    }
    for (long long i = 0; i < whole; ++i) {
      const char* r = data + i * kDocumentRecordLength;
      if (r[0] != kParentRecordType || r[kDocumentRecordLength - 1] == kFreeRecordMark ||
          r[kind_at] != kind_letter || r[direction_at] != direction_digit)
        continue;
      highest = std::max(highest, ParentDocNumber(r));
    }
    n += whole;
  }
  if (PlatFailed(stream)) ok = 0;
  PlatClose(stream);
  return ok;
}

namespace {

// The highest number in use for the document's kind in its file, read once
// per run. 1, or 0 when the file cannot be read (no message).
int NumberInUse(DocNumbering& numbering, const std::string& path, char kind_letter,
                int direction, long& highest) {
  for (const DocNumbering::InUse& known : numbering.in_use) {
    if (known.file == path && known.kind_letter == kind_letter && known.direction == direction) {
      highest = known.highest;
      return 1;
    }
  }
  if (!HighestDocNumber(path, kind_letter, direction, highest)) return 0;
  numbering.in_use.push_back(DocNumbering::InUse{path, kind_letter, direction, highest});
  return 1;
}

// A number drawn for the file is in use from now on.
void NoteNumberInUse(DocNumbering& numbering, const std::string& path, char kind_letter,
                     int direction, long number) {
  for (DocNumbering::InUse& known : numbering.in_use)
    if (known.file == path && known.kind_letter == kind_letter && known.direction == direction)
      known.highest = std::max(known.highest, number);
}

std::string& TwoDigits(int m, std::string& out) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", m);
  out = buffer;
  return CutAt(out, 2);
}

// Taxed flag of a CFOP: field 4 of its F25R0.DAT record; an empty field, a
// CFOP that is not there or a file that cannot be read count as taxed.
int CfopTaxed(const std::string& cfop) {
  int record = -1;
  std::string text;
  PlatStream* stream = PlatOpen(kCfopFile, PlatOpenMode::kRead);
  if (stream) {
    if (FindCode(stream, cfop, kCfopRecordLength, record, kCfopKeyOffset, kCfopKeyWidth))
      ReadCfopField(stream, record, text, kCfopTaxed);
    PlatClose(stream);
  }
  return text.empty() ? 1 : ToInt(text);
}

std::string ParentLine(DocumentForm& form, int parent, char kind_letter, int direction,
                       const SaveDocRequest& request, long number) {
  const WidthTable w = kParentWidths;
  RecordLine r;
  std::string text;
  r.Put(w, kParentType, kParentRecordType);
  r.Put(w, kParentNumber, Number10(parent));
  r.Put(w, kParentKindLetter, kind_letter);
  r.Put(w, kParentDirection, (char)('0' + (direction ? 1 : 0)));
  r.Put(w, kParentIssueDate, FormatDate(request.issue_date, text));
  r.Put(w, kParentCustomer, request.customer_code);
  r.Put(w, kParentCode1, request.code1);
  r.Put(w, kParentCode2, request.code2);
  r.Put(w, kParentCode3, request.code3);
  r.PutAt(FieldOffset(w, kParentDocNumber), kDocNumberSpan, std::to_string(number));
  r.Put(w, kParentSecondDate, FormatDate(request.second_date, text));
  r.Put(w, kParentCode4, request.code4);
  const std::string form_code = Slot(form, kSlotParentCode, 1);
  r.Put(w, kParentFormCode, form_code.empty() ? ' ' : form_code[0]);
  r.Put(w, kParentZero, '0');
  const int payment = PaymentType(form);
  r.Put(w, kParentPaymentType, std::to_string(payment));
  r.Put(w, kParentKindFlag, '0');
  r.Put(w, kParentTotal, Slot(form, kSlotDocTotal, 18));
  r.Put(w, kParentOperator, Num3Text(text));
  const int flag = request.flag;
  r.Put(w, kParentFlag, (char)('0' + ((flag >= 0 && flag <= 2) ? flag : 0)));
  r.Put(w, kParentSeller, request.seller_code);
  const std::string instalment = Slot(form, kSlotInstalmentAmount, 18);
  if (payment == 0 || (payment == 1 && ParseNum(instalment) > 0))
    r.Put(w, kParentCashCode, Slot(form, kSlotCashCode, 3));
  if (payment == 1) {
    r.Put(w, kParentConditionCode, Slot(form, kSlotConditionCode, 3));
    r.PutAt(FieldOffset(w, kParentInstalmentAmount), kParentInstalmentSpan, instalment);
  }
  r.Put(w, kParentFormFlag, Slot(form, kSlotParentFlag, 1));
  for (int k = 0; k < kParentFormCodes; ++k)
    r.Put(w, kParentFormCode1 + k, Slot(form, kSlotParentCode1 + k, 3));
  return r.text;
}

std::string ItemLine(int parent, const ItemValues& item, const TaxTotals& totals,
                     const std::string& ipi_cst, const std::string& pis_cst,
                     const std::string& cofins_cst, double pis_rate, double cofins_rate) {
  const WidthTable w = kItemWidths;
  RecordLine r;
  std::string text;
  r.Put(w, kItemType, kItemRecordType);
  r.Put(w, kItemParent, Number10(parent));
  std::string code = item.product_code;
  r.Put(w, kItemCode, CutAt(code, kLineColumns[kLineCode].keep));
  r.Put(w, kItemCfop, item.cfop);
  r.Put(w, kItemTaxKind, item.tax_kind);
  r.Put(w, kItemIcmsCst, item.icms_cst);
  r.Put(w, kItemIpiCst, ipi_cst);
  r.Put(w, kItemPisCst, pis_cst);
  r.Put(w, kItemCofinsCst, cofins_cst);
  r.Put(w, kItemQuantity, FormatNum(item.quantity, text, kQtyDecimals));
  r.Put(w, kItemGross, Money(item.quantity * item.unit_price));
  r.Put(w, kItemDiscount, Money(totals.discount_share));
  r.Put(w, kItemCharge1, Money(totals.charge_share[0]));
  r.Put(w, kItemCharge2, Money(totals.charge_share[1]));
  r.Put(w, kItemCharge3, Money(totals.charge_share[2]));
  r.Put(w, kItemIcmsRate, Money(item.icms_rate));
  r.Put(w, kItemIcmsBase, Money(item.icms_base));
  r.Put(w, kItemIcmsValue, Money(item.icms_value));
  r.Put(w, kItemStRate, Money(item.st_rate));
  r.Put(w, kItemStBase, Money(item.st_base));
  r.Put(w, kItemStValue, Money(item.st_value));
  r.Put(w, kItemIpiRate, Money(item.ipi_rate));
  r.Put(w, kItemIpiBase, Money(item.ipi_base));
  r.Put(w, kItemIpiValue, Money(item.ipi_value));
  r.Put(w, kItemPisRate, FormatNumTrim(pis_rate, text, 2, kMaxDecimals));
  r.Put(w, kItemPisBase, pis_rate > 0 ? Money(item.pis_base) : Money(0));
  r.Put(w, kItemCofinsRate, FormatNumTrim(cofins_rate, text, 2, kMaxDecimals));
  r.Put(w, kItemCofinsBase, cofins_rate > 0 ? Money(item.cofins_base) : Money(0));
  return r.text;
}

}  // namespace

char KindLetter(int kind) {
  switch (kind) {
    case 0:
      return 'B';
    case 1:
      return 'A';
    case 2:
      return 'C';
    case 11:
    case 21:
    case 31:
      return '1';
    default:
      return '0';
  }
}

std::string& MapIpiCst(const std::string& code, int direction, std::string& out) {
  out.clear();
  if (code.empty()) return out;
  const int n = ToInt(code);
  int m;
  if (direction == kDirectionSale)
    m = n >= 50 ? n : n + 50;
  else
    m = n <= 49 ? n : n - 50;
  return TwoDigits(m, out);
}

std::string& MapPisCofinsCst(const std::string& code, int direction, int taxed,
                             std::string& out) {
  out.clear();
  if (code.empty()) return out;
  const int n = ToInt(code);
  if (taxed == 0 && n <= 3) return out;
  int m;
  if (direction == kDirectionSale)
    m = (n >= 1 && n <= 49) ? n : 49;
  else
    m = n >= 50 ? n : (n <= 3 ? 50 : 98);
  return TwoDigits(m, out);
}

int SavePai(const DocumentForm& form, const std::string& document_file, char child_type,
            int parent_number, int child_number, int mode) {
  int ok = 0;
  {
    WaitCursor wait;
    PlatStream* stream =
        mode == kSavePaiLink && parent_number >= 0 ? PlatOpen(document_file, PlatOpenMode::kUpdate)
                                                   : nullptr;
    if (stream) {
      long long position = (long long)parent_number * kDocumentRecordLength +
                           (child_type == kChildItem ? kLastItemOffset : kRemarkOffset);
      if (SeekInside(stream, position) == 0) {
        std::string link = child_number > parent_number ? Number10(child_number)
                                                        : std::string(kLinkWidth, ' ');
        ok = PlatWrite(stream, link.data(), (std::size_t)kLinkWidth);
      }
      if (!PlatClose(stream)) ok = 0;
    }
  }
  if (!ok) PlatShowMessage(form.owner, kSavePaiText, kSavePaiCaption, PlatIcon::kError);
  return ok;
}

int SaveDoc(DocumentForm& form, const SaveDocRequest& request, long& number) {
  WaitCursor wait;
  DocNumbering own_run;
  DocNumbering* numbering = request.numbering ? request.numbering : &own_run;
  const int kind = DocKind();
  const int direction = DocDirection();
  TaxTotals totals{};
  std::string previous_cfop;
  int taxed = kind > 9 ? 1 : 0;

  const CompanyContext& company = Company();
  const char kind_letter = KindLetter(kind);
  const int year =
      direction == kDirectionSale ? request.issue_date.year : request.second_date.year;
  DocWrite doc{form, {}, request.journal, {}, {}};
  DocumentFilePath(doc.path, kind_letter, year);
  const std::string& path = doc.path;

  // The items' tax codes come from the product file: one that is there but
  // cannot be read would give every item empty codes.
  std::string product_path;
  CompanyFilePath(product_path, kProductFile);
  PlatStream* products = PlatOpen(product_path, PlatOpenMode::kRead);
  if (!products && (PlatFileExists(product_path) || PlatFolderExists(product_path))) {
    PlatShowMessage(form.owner, kProductReadText, kSaveCaption, PlatIcon::kError);
    return -1;
  }

  int parent = -1;
  PlatStream* stream =
      FOpen2(path, kDocumentRecordLength, kOpenNewRecord, parent, kReuseFromFirst);
  if (!stream) {
    PlatClose(products);
    return -1;
  }

  // The file stays open while the number is drawn, so the parent's slot is
  // held meanwhile.
  std::string key, name;
  if (!DocKey(form, kind, kKeyNumbering, key, name)) {
    PlatClose(stream);
    PlatClose(products);
    PlatShowMessage(form.owner, kNoKeyText, kSaveCaption, PlatIcon::kError);
    return -1;
  }
  // The count goes on above every number a live document of the kind has
  // in the file, whatever the counter says.
  CounterFloor floor;
  if (!NumberInUse(*numbering, path, kind_letter, direction, floor.in_use)) {
    PlatClose(stream);
    PlatClose(products);
    PlatShowMessage(form.owner, kDocumentReadText, kSaveCaption, PlatIcon::kError);
    return -1;
  }
  std::string counter;
  AppendKeyPart(AppendKeyPart(counter, company.company_code), key);
  std::vector<std::string>& warned = numbering->warned;
  floor.warn = std::find(warned.begin(), warned.end(), counter) == warned.end();
  number = 0;
  if (!GetCodeCad2(company.company_code, key, number,
                   kind < 10 ? kNumberDigitsLow : kNumberDigitsHigh, floor)) {
    PlatClose(stream);
    PlatClose(products);
    return -1;
  }
  if (floor.mended && floor.warn) warned.push_back(counter);
  NoteNumberInUse(*numbering, path, kind_letter, direction, number);

  // From here on every record written is ours to undo when the document
  // cannot be made whole; the number drawn stays used (a gap, as after any
  // deleted document).
  int whole = 1;
  std::string line = ParentLine(form, parent, kind_letter, direction, request, number);
  if (!doc.Write(stream, parent, line)) whole = 0;
  doc.parent_bytes = line;

  // Each item line is parsed once; each pass starts from its values as read.
  std::vector<ItemValues> items(form.items.size());
  for (std::size_t i = 0; i < items.size(); ++i) ParseItemLine(form.items[i], items[i]);
  const int item_count = (int)items.size();
  ItemValues scratch;
  for (int i = 0; whole && i < item_count; ++i) {
    scratch = items[(std::size_t)i];
    ItemTaxes(form, i, scratch, totals, kPassAccumulate);
  }

  int last_written = parent;
  int last_item = -1;
  std::string text;
  for (int i = 0; whole && i < item_count; ++i) {
    ItemValues& item = items[(std::size_t)i];
    ItemTaxes(form, i, item, totals, kPassWrite);
    if (kind >= 10 && !EqualNoCaseAscii(item.cfop, previous_cfop)) {
      previous_cfop = item.cfop;
      taxed = CfopTaxed(item.cfop);
    }
    std::string ipi_cst, pis_cst, cofins_cst;
    const int record = (int)item.product_record;
    ReadProductField(products, record, text, kProductIpiCst);
    MapIpiCst(text, direction, ipi_cst);
    ReadProductField(products, record, text, kProductPisCst);
    MapPisCofinsCst(text, direction, taxed, pis_cst);
    ReadProductField(products, record, text, kProductCofinsCst);
    MapPisCofinsCst(text, direction, taxed, cofins_cst);
    double pis_rate = 0, cofins_rate = 0;
    if (taxed) {
      ReadProductField(products, record, text, kProductPisRate);
      pis_rate = ParseNum(text);
      ReadProductField(products, record, text, kProductCofinsRate);
      cofins_rate = ParseNum(text);
    }
    if (PlatFailed(products)) {
      PlatShowMessage(form.owner, kProductReadText, kSaveCaption, PlatIcon::kError);
      whole = 0;
      break;
    }
    std::string record_line =
        ItemLine(parent, item, totals, ipi_cst, pis_cst, cofins_cst, pis_rate, cofins_rate);
    int child = doc.WriteChild(last_written, record_line);
    if (child < 0) {
      whole = 0;
      break;
    }
    last_written = child;
    last_item = child;
  }
  PlatClose(products);
  if (whole && last_item >= 0 && !doc.Link(parent, kChildItem, last_item)) whole = 0;

  std::string remark = Slot(form, kSlotRemark, kRemarkMaxLength);
  TrimRight(CleanRecord(remark));
  if (whole && !remark.empty()) {
    RecordLine r;
    r.PutAt(0, 1, std::string(1, kRemarkRecordType));
    r.PutAt(1, kLinkWidth, Number10(parent));
    r.PutAt(kRemarkTextOffset, kRemarkMaxLength, remark);
    int child = doc.WriteChild(last_written, r.text);
    if (child < 0 || !doc.Link(parent, kChildRemark, child)) whole = 0;
  }
  if (!whole) {
    doc.Undo();
    return -1;
  }
  return parent;
}
