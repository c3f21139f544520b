#include "palm/palm_import.h"

#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "codecs/number.h"
#include "codecs/text.h"
#include "documents/doc_store.h"
#include "documents/item_check.h"
#include "palm/palm_export.h"
#include "palm/palm_files.h"
#include "platform/trouble.h"
#include "records/catalogue.h"
#include "records/company.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

// ---------------------------------------------------------------------------
// Product index: the item check needs each item's description and product
// record, and an order file may name thousands of items; the product file
// is read once per import. Codes compare as FindCode compares them: the
// first 20 characters, trailing blanks and ASCII letter case aside; the
// first live record of a code wins.

struct ProductRef {
  int record = -1;
  std::string description;
};

using ProductIndex = std::unordered_map<std::string, ProductRef>;

std::string ProductKey(const std::string& code) {
  std::string key = code.substr(0, 20);
  TrimRight(key);
  for (char& c : key) c = (char)std::toupper((unsigned char)c);
  return key;
}

// 1 with the index (empty for a missing file); 0 when the file is there
// (or a folder of its name) but cannot be read whole.
int IndexProducts(const std::string& name, ProductIndex& index) {
  index.clear();
  PlatStream* in = PlatOpen(name, PlatOpenMode::kRead);
  if (!in) return PlatFileExists(name) || PlatFolderExists(name) ? 0 : 1;
  // One read per record; the code and the description are taken from it.
  RecordBuffer record{kProductLayout, {}, {}};
  for (int n = 0; ReadRecord(in, n, record) && HasRecordField(record, kProductCode); ++n) {
    std::string_view code = RecordFieldText(record, kProductCode);
    if (IsFreeRecordBuffer(record) || code.empty()) continue;
    std::string key = ProductKey(std::string(code));
    if (index.count(key)) continue;
    ProductRef ref;
    ref.record = n;
    RecordField(record, kProductDescription, ref.description);
    index.emplace(std::move(key), std::move(ref));
  }
  int ok = !PlatFailed(in);
  PlatClose(in);
  return ok;
}

bool IsBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

std::string FormatPlaces(double value, int places) {
  std::string text;
  return FormatNum(value, text, places);
}

std::string& ShowFormat(std::string& out, const char* format, const std::string& value) {
  out = format;
  std::size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, value);
  return out;
}

// ---------------------------------------------------------------------------
// The order files, read whole before anything is written: an order is only
// ever taken from a file read without error, and the lines of the orders
// still pending are written back exactly as read.

struct OrderFile {
  std::string name;
  std::string bytes;               // as read, for the .bak copy
  std::vector<std::string> lines;  // without their CR LF or LF
};

// 1 and the file's lines; 0 when it cannot be opened or read whole.
int ReadOrderFile(const std::string& name, OrderFile& file) {
  file.name = name;
  file.lines.clear();
  if (!PlatReadWhole(name, file.bytes)) return 0;
  std::size_t start = 0;
  while (start < file.bytes.size()) {
    std::size_t end = file.bytes.find('\n', start);
    std::size_t stop = end == std::string::npos ? file.bytes.size() : end;
    std::string line = file.bytes.substr(start, stop - start);
    if (end != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    file.lines.push_back(std::move(line));
    start = stop + 1;
  }
  return 1;
}

// The key by which items find their order: the first 24 characters, ASCII
// letter case aside.
std::string OrderKey(const std::string& line) {
  std::string key;
  OrderField(line, 0, kOrderKeyWidth, key);
  return LowerAsciiText(key);
}

enum class OrderState { kPending, kImported, kNoQuote };

struct Order {
  const std::string* header = nullptr;
  const std::vector<const std::string*>* items = nullptr;
  std::string id;  // what the journal knows the order by
  OrderState state = OrderState::kPending;
};

// 64-bit FNV-1a over `text`, from `seed`.
std::uint64_t Fnv(const std::string& text, std::uint64_t seed) {
  std::uint64_t h = seed;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

// An order is known by its exact header line, its item lines and, where the
// same order stands more than once, by which of them it is: the handheld may
// reuse a key, and two orders that share one stay two orders.
std::string OrderId(const std::string& header, const std::vector<const std::string*>& items,
                    int occurrence) {
  std::string text = header;
  text.push_back('\n');
  for (const std::string* item : items) text.append(*item).push_back('\n');
  char id[64];
  std::snprintf(id, sizeof id, "%016llx%016llx.%d",
                (unsigned long long)Fnv(text, 0xcbf29ce484222325ULL),
                (unsigned long long)Fnv(text, 0x84222325cbf29ce4ULL), occurrence);
  return id;
}

using ItemsByKey = std::unordered_map<std::string, std::vector<const std::string*>>;

void BuildOrders(const OrderFile& headers, const OrderFile& items, ItemsByKey& by_key,
                 std::vector<Order>& orders) {
  static const std::vector<const std::string*> kNoItems;
  by_key.clear();
  for (const std::string& line : items.lines)
    if (!IsBlankLine(line)) by_key[OrderKey(line)].push_back(&line);
  std::unordered_map<std::string, int> seen;
  orders.clear();
  for (const std::string& line : headers.lines) {
    if (IsBlankLine(line)) continue;
    Order order;
    order.header = &line;
    auto found = by_key.find(OrderKey(line));
    order.items = found == by_key.end() ? &kNoItems : &found->second;
    std::string base = OrderId(line, *order.items, 0);
    order.id = OrderId(line, *order.items, seen[base]++);
    orders.push_back(std::move(order));
  }
}

// Why the order files of `folder` could not be read, for the detail.
std::string OrderFilesTrouble(const std::string& folder, const std::string& headers,
                              const std::string& items) {
  if (!PlatFolderExists(folder)) return FolderTrouble(folder);
  std::string shown = "pasta " + PlatShownPath(folder);
  if (!PlatFileExists(headers)) return shown + ": falta o arquivo Cabecalho.txt";
  if (!PlatFileExists(items)) return shown + ": falta o arquivo Itens.txt";
  return shown +
         ": Cabecalho.txt ou Itens.txt não pôde ser lido (aberto em outro programa ou acesso "
         "negado)";
}

// The temporary name beside `name` that this company's import writes it
// under before putting it in place.
std::string TempName(const std::string& name) {
  return name + "." + Company().company_code + ".tmp";
}

// Writes `bytes` to `name`, forced to the disk, in one rename. 1 on success;
// 0 with `name` as it was and no temporary file left.
int ReplaceFile(const std::string& name, const std::string& bytes) {
  return PlatReplaceWhole(name, TempName(name), bytes, 1);
}

std::string BakName(const std::string& folder, const char* table) {
  std::string name;
  return PalmFilePath(name, folder, table, kPalmAsideExtension);
}

void ShowSetAsideWarning(PlatWindow owner, const std::string& name) {
  std::string text;
  PlatShowMessage(owner, ShowFormat(text, kPalmSetAsideFormat, name), kPalmImportCaption,
                  PlatIcon::kWarning);
}

// "AAAAMMDD-HHMMSS": the stamp of the dated copies of one import.
std::string KeptStamp(const PlatLocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year % 10000, t.month % 100,
                t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}

// Keeps `bytes` of an order file under a dated name of the kept folder, never
// over a file already there, forced to the disk in one rename. 1, or 0 with
// no copy and no temporary file left.
int KeepDatedCopy(const std::string& folder, const char* table, const std::string& stamp,
                  const std::string& bytes) {
  std::string kept;
  PalmKeptFolderPath(kept, folder);
  if (!PlatFolderExists(kept) && !PlatMakeFolder(kept) && !PlatFolderExists(kept)) return 0;
  std::string name;
  for (int copy = 1; copy < 1000; ++copy) {
    PalmKeptPath(name, folder, table, stamp, copy);
    if (!PlatFileExists(name) && !PlatFolderExists(name)) return ReplaceFile(name, bytes);
  }
  return 0;
}

// Sets an order file aside: its bytes as read are kept under a dated name,
// then go to the .bak file, then the file is replaced by `pending` (the
// lines of the orders still to import), or removed when there is none. The
// file is at every instant either the old one or the new one, and is only
// changed once both copies are whole. 1, or 0 after a warning that names the
// file.
int SetOrderFileAside(PlatWindow owner, const std::string& folder, const char* table,
                      const std::string& stamp, const OrderFile& file, const std::string& pending) {
  // Lines the handheld's side added since the file was read would be lost
  // with it: such a file is left for the next import.
  OrderFile now;
  int ok = ReadOrderFile(file.name, now) && now.bytes == file.bytes;
  ok = ok && KeepDatedCopy(folder, table, stamp, file.bytes) &&
       ReplaceFile(BakName(folder, table), file.bytes) &&
       (pending.empty() ? PlatRemove(file.name) : ReplaceFile(file.name, pending));
  if (!ok) ShowSetAsideWarning(owner, file.name);
  return ok;
}

// The files the import does not read go aside as they are.
int SetOtherFileAside(PlatWindow owner, const std::string& folder, const char* table,
                      const std::string& stamp) {
  std::string txt, bytes;
  PalmFilePath(txt, folder, table, kPalmTextExtension);
  if (!PlatFileExists(txt)) return 1;
  // The rename replaces an old .bak in one step, so a failure leaves it whole.
  if (PlatReadWhole(txt, bytes) && KeepDatedCopy(folder, table, stamp, bytes) &&
      PlatRename(txt, BakName(folder, table)))
    return 1;
  ShowSetAsideWarning(owner, txt);
  return 0;
}

// The pending orders' lines: headers in file order; the items of each
// pending key once, grouped by order.
void PendingLines(const std::vector<Order>& orders, std::string& headers, std::string& items) {
  headers.clear();
  items.clear();
  std::unordered_set<const std::vector<const std::string*>*> written;
  for (const Order& order : orders) {
    if (order.state != OrderState::kPending) continue;
    headers.append(*order.header).append("\r\n");
    if (!written.insert(order.items).second) continue;
    for (const std::string* item : *order.items) items.append(*item).append("\r\n");
  }
}

void ShowDone(PlatWindow owner, int quotes) {
  char text[128];
  std::snprintf(text, sizeof text, kPalmImportDoneFormat, quotes);
  PlatShowMessage(owner, text, kPalmImportCaption, PlatIcon::kInformation);
}

void ShowError(PlatWindow owner, const char* format, const std::string& name) {
  std::string text;
  PlatShowMessage(owner, ShowFormat(text, format, name), kPalmImportCaption, PlatIcon::kError);
}

// A master the import relies on that is there (a file, or a folder of that
// name) but cannot be read whole. Missing: 1, as an empty master.
int MasterReadable(const std::string& name) {
  if (!PlatFileExists(name) && !PlatFolderExists(name)) return 1;
  std::string bytes;
  return PlatReadWhole(name, bytes);
}

// "pedido <key>, item <n> de Itens.txt, produto <code>" (or "sem código de
// produto"): where a refused item stands, for the detail of its message.
std::string ItemPlaceText(const PalmOrderPlace& place) {
  return "pedido " + place.order + ", item " + std::to_string(place.item) + " de Itens.txt, " +
         (place.product.empty() ? std::string("sem código de produto") : "produto " + place.product);
}

// The order's key as it stands in Cabecalho.txt, trailing blanks removed.
std::string ShownOrderKey(const std::string& header) {
  std::string key;
  OrderField(header, 0, kOrderKeyWidth, key);
  return TrimRight(key);
}

// The items of one order through the item check and, when any is accepted,
// the quote's header slots and caption set as SaveDoc reads them (the caption
// saved in `saved_title`). Decides the order the same way whether the quote
// is then written or only rehearsed. Returns 1 when the order gives a quote
// (its net total in `net_total`), 0 when it gives none (the form left empty).
int DecideOrder(DocumentForm& form, const Order& order, const std::string* first_item,
                const ProductIndex& products, const std::string& product_file,
                PalmImportOutcome& outcome, std::string& saved_title, double& net_total) {
  const std::string& header = *order.header;
  ClearItems(form);
  std::string field;
  const double discount = ImpliedThousandths(OrderField(header, kOrderDiscountAt, kOrderDiscountWidth, field));
  const char discount_kind = (int)header.size() > kOrderDiscountKindAt ? header[kOrderDiscountKindAt] : ' ';
  const int condition = ToInt(OrderField(header, kOrderConditionAt, kOrderConditionWidth, field));
  const int payment = ToInt(OrderField(header, kOrderPaymentAt, kOrderPaymentWidth, field));
  double total = 0;

  std::string code, text;
  PalmOrderPlace place;
  place.order = ShownOrderKey(header);
  if (outcome.label) outcome.label(&place);
  for (const std::string* line : *order.items) {
    OrderField(*line, kItemProductAt, kItemProductWidth, code);
    TrimRight(code);
    place.item = (int)(line - first_item) + 1;
    place.product = code;
    if (outcome.label) outcome.label(&place);
    const double quantity = ImpliedThousandths(OrderField(*line, kItemQuantityAt, kItemQuantityWidth, text));
    const double price = ImpliedThousandths(OrderField(*line, kItemPriceAt, kItemPriceWidth, text));
    SetSlot(form, kSlotCode, code);
    SetSlot(form, kSlotQuantity, FormatPlaces(quantity, kQtyDecimals));
    SetSlot(form, kSlotUnitPrice, FormatPlaces(price, 2));
    auto found = products.find(ProductKey(code));
    std::string detail = ItemPlaceText(place);
    if (found != products.end()) {
      SetSlot(form, kSlotDescription, found->second.description);
      SetSlot(form, kSlotProductRecord, std::to_string(found->second.record));
    } else {
      // Unknown code: no description, which the item check refuses.
      SetSlot(form, kSlotDescription, "");
      SetSlot(form, kSlotProductRecord, "");
      if (!code.empty())
        detail += ": produto não encontrado no cadastro " + PlatShownPath(product_file);
    }
    if (!CheckItem(form, nullptr, detail)) {
      ++outcome.refused;
      outcome.refusals.push_back(place);
    }
    total += quantity * price;
  }
  place.item = 0;
  place.product.clear();
  if (outcome.label) outcome.label(&place);
  if (form.items.empty()) return 0;

  saved_title = form.title;
  form.title = payment == 0 ? kPalmCashTitle : payment == 1 ? kPalmInstalmentTitle : "";
  // From here the numbers mean the order's header and amounts: nothing of
  // the last item may stay to be read as one of them.
  ClearSlots(form, kSlotFirst, kSlotLast);
  const double percent = OrderDiscountPercent(discount_kind, discount, total);
  SetSlot(form, kSlotDiscountPercent, FormatPlaces(percent, 4));
  net_total = total - Round2(total * percent * 0.01);
  SetSlot(form, kSlotDocTotal, FormatPlaces(net_total, 2));
  char condition_text[16];
  std::snprintf(condition_text, sizeof condition_text, "%03d", condition);
  SetSlot(form, kSlotCashCode, payment == 0 ? condition_text : "");
  SetSlot(form, kSlotConditionCode, payment == 1 ? condition_text : "");
  return 1;
}

// The caption back, and the form left empty for the next order.
void EndOrder(DocumentForm& form, const std::string& saved_title) {
  form.title = saved_title;
  ClearSlots(form, kSlotFirst, kSlotLast);
  ClearItems(form);
}

// One order decided, then its quote through SaveDoc under the journal.
// Returns 1 when a quote was written, 0 when the order gave none, -1 when
// SaveDoc refused it.
int ImportOrder(DocumentForm& form, const Order& order, const std::string* first_item,
                const ProductIndex& products, const std::string& product_file,
                const DateRec& today, DocJournal& journal, DocNumbering& numbering,
                PalmImportOutcome& outcome, double& net_total) {
  std::string saved_title;
  if (!DecideOrder(form, order, first_item, products, product_file, outcome, saved_title,
                   net_total))
    return 0;
  std::string customer, seller;
  OrderField(*order.header, kOrderCustomerAt, kOrderCustomerWidth, customer);
  OrderField(*order.header, 0, kOrderSellerWidth, seller);
  SaveDocRequest request;
  request.issue_date = today;
  request.customer_code = customer;
  request.seller_code = seller;
  request.journal = &journal;
  request.numbering = &numbering;
  long number = 0;
  int parent = -1;
  if (JournalBegin(journal, order.id))
    parent = SaveDoc(form, request, number);
  else
    ShowError(form.owner, kPalmWriteFormat, journal.path);

  EndOrder(form, saved_title);
  return parent >= 0 ? 1 : -1;
}

// Finishes what an import of this company ended half-way left: every
// document begun and not finished is undone. 1, or 0 after a message when
// one could not be (the import must not go on: its order may be imported
// again beside it).
int UndoUnfinished(PlatWindow owner, const JournalState& state, DocJournal& journal) {
  for (const auto& [key, records] : state.unfinished) {
    if (!FreeOwnRecords(records)) {
      std::string file = records.empty() ? journal.path : records.front().file;
      ShowError(owner, kPalmUndoFormat, file);
      return 0;
    }
    JournalUndone(journal, key);
  }
  return 1;
}

// Temporary files of an import of this company ended half-way: beside the
// order files and in the kept folder.
void SweepTemporaryFiles(const std::string& folder) {
  for (const char* table : kPalmOrderFiles) {
    for (const char* extension : {kPalmTextExtension, kPalmAsideExtension}) {
      std::string name;
      name = TempName(PalmFilePath(name, folder, table, extension));
      if (PlatFileExists(name)) PlatRemove(name);
    }
  }
  std::string kept;
  PalmKeptFolderPath(kept, folder);
  std::vector<std::string> names;
  if (!PlatFolderExists(kept) || !PlatListFolder(kept, names)) return;
  const std::string ending = TempName("");
  for (const std::string& name : names)
    if (name.size() > ending.size() &&
        name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
      PlatRemove(kept + "\\" + name);
}

void ShowCheckDone(PlatWindow owner, int quotes, int refused) {
  char text[160];
  std::snprintf(text, sizeof text, kPalmCheckDoneFormat, quotes, refused);
  PlatShowMessage(owner, text, kPalmImportCaption, PlatIcon::kInformation);
}

// The import itself, under the company's import lock; rehearsed, with no
// lock and nothing written.
int ImportLocked(DocumentForm& form, const std::string& folder, const DateRec& today,
                 PalmImportOutcome& outcome) {
  PlatWindow owner = form.owner;
  const int rehearse = outcome.rehearse;
  std::string journal_name;
  CompanyFilePath(journal_name, kJournalFile);
  JournalState state;
  if (!ReadJournal(journal_name, state)) {
    ShowError(owner, kPalmReadFormat, journal_name);
    return 0;
  }
  DocJournal journal;
  if (!rehearse && !OpenJournal(journal, journal_name)) {
    ShowError(owner, kPalmWriteFormat, journal_name);
    return 0;
  }
  // A journal left empty is not left behind.
  struct Closer {
    DocJournal& j;
    ~Closer() {
      long long size = j.stream ? PlatSize(j.stream) : -1;
      CloseJournal(j);
      if (size == 0) PlatRemove(j.path);
    }
  } closer{journal};
  // The import undoes what one ended half-way left; the rehearsal leaves it
  // to the import.
  if (!rehearse) {
    if (!UndoUnfinished(owner, state, journal)) return 0;
    SweepTemporaryFiles(folder);
  }

  OrderFile headers, items;
  std::string headers_name, items_name;
  PalmFilePath(headers_name, folder, kPalmOrderFiles[0], kPalmTextExtension);
  PalmFilePath(items_name, folder, kPalmOrderFiles[1], kPalmTextExtension);
  if (!ReadOrderFile(headers_name, headers) || !ReadOrderFile(items_name, items)) {
    // Both gone while this import waited for the lock: another one took them.
    if (outcome.taken_is_nothing && PlatFolderExists(folder) && !PalmHasOrderFiles(folder)) {
      outcome.nothing = 1;
      return 1;
    }
    PlatShowMessage(owner, kPalmFileError, kPalmImportCaption, PlatIcon::kError,
                    OrderFilesTrouble(folder, headers_name, items_name));
    return 0;
  }

  // Masters that are there but cannot be read stop the import before any
  // quote: every item would be refused and every order set aside.
  std::string product_name, company_name = kCompanyFile;
  CompanyFilePath(product_name, kProductFile);
  ProductIndex products;
  if (!IndexProducts(product_name, products)) {
    ShowError(owner, kPalmReadFormat, product_name);
    return 0;
  }
  if (!MasterReadable(company_name)) {
    ShowError(owner, kPalmReadFormat, company_name);
    return 0;
  }

  const std::string group = JournalGroup(folder);
  ItemsByKey by_key;
  std::vector<Order> orders;
  BuildOrders(headers, items, by_key, orders);
  outcome.orders = (int)orders.size();
  const std::string* first_item = items.lines.data();
  int unresolved = 0;
  DocNumbering numbering;
  for (Order& order : orders) {
    if (state.whole.count({group, order.id})) {
      // Imported by a run that ended before it could set the files aside.
      order.state = OrderState::kImported;
      continue;
    }
    if (journal.failed || unresolved) continue;  // stays pending
    double net_total = 0;
    int result = 0;
    if (rehearse) {
      std::string saved_title;
      result = DecideOrder(form, order, first_item, products, product_name, outcome, saved_title,
                           net_total);
      EndOrder(form, saved_title);
    } else {
      result = ImportOrder(form, order, first_item, products, product_name, today, journal,
                           numbering, outcome, net_total);
    }
    if (outcome.label) outcome.label(nullptr);
    if (result == 0) {
      order.state = OrderState::kNoQuote;
    } else if (rehearse || (result > 0 && JournalWhole(journal, group, order.id))) {
      order.state = OrderState::kImported;
      ++outcome.quotes;
      outcome.net_totals.push_back(net_total);
      if (!rehearse) NoteWhole(state, group, order.id);
    } else {
      // Not whole, or not known whole: undone, and the order stays for the
      // next import. What cannot be undone now is left to the next start.
      if (result > 0) ShowError(owner, kPalmWriteFormat, journal.path);
      if (FreeOwnRecords(journal.current))
        JournalUndone(journal, order.id);
      else
        unresolved = 1;
    }
  }

  // The pending orders are on the disk in their new files before the old
  // files are set aside; a failure leaves the old file, whose imported
  // orders the journal keeps from being imported again.
  int pending_orders = 0;
  for (const Order& order : orders)
    if (order.state == OrderState::kPending) ++pending_orders;
  outcome.pending = pending_orders;
  if (rehearse) {
    ShowCheckDone(owner, outcome.quotes, outcome.refused);
    return 1;
  }
  const std::string stamp = KeptStamp(PlatNow());
  std::string pending_headers, pending_items;
  PendingLines(orders, pending_headers, pending_items);
  // The quotes on the disk, then the journal that knows them whole.
  int aside = 1;
  for (const std::string& file : journal.files) {
    if (!SyncFile(file)) {
      ShowError(owner, kPalmWriteFormat, file);
      aside = 0;
    }
  }
  aside = aside && (SyncJournal(journal) || journal.failed);
  aside = aside && SetOrderFileAside(owner, folder, kPalmOrderFiles[0], stamp, headers, pending_headers);
  aside = aside && SetOrderFileAside(owner, folder, kPalmOrderFiles[1], stamp, items, pending_items);
  for (int i = 2; i < 4; ++i)
    if (!SetOtherFileAside(owner, folder, kPalmOrderFiles[i], stamp)) aside = 0;
  // Once the order files no longer hold this folder's imported orders, the
  // journal forgets them; whole documents of other folders are kept.
  if (aside && !journal.failed && !unresolved)
    ForgetGroup(journal, state, group, TempName(journal.path));

  if (pending_orders > 0) {
    std::string text = pending_orders == 1 ? kPalmPendingOne : kPalmPendingFormat;
    if (pending_orders > 1) text.replace(0, 2, std::to_string(pending_orders));
    PlatShowMessage(owner, text, kPalmImportCaption, PlatIcon::kWarning);
  }
  ShowDone(owner, outcome.quotes);
  return 1;
}

}  // namespace

std::string& OrderField(const std::string& line, int at, int width, std::string& out) {
  out.clear();
  if (at >= 0 && width > 0 && (std::size_t)at < line.size()) out = line.substr((std::size_t)at, (std::size_t)width);
  return out;
}

double ImpliedThousandths(const std::string& text) {
  // The longest prefix that reads as a plain decimal number, so that neither
  // a hexadecimal form nor "inf" or "nan" can slip in through strtod.
  std::size_t i = 0;
  while (i < text.size() && std::isspace((unsigned char)text[i])) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit((unsigned char)text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit((unsigned char)text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  return std::strtod(text.substr(start, i - start).c_str(), nullptr) * 0.001;
}

double OrderDiscountPercent(char kind, double discount, double order_total) {
  if (kind != 'A') return discount;
  return order_total > 0 ? discount * 100 / order_total : 0;
}

int PalmImport(DocumentForm& form, const std::string& folder, int layout, const DateRec& today,
               int& quotes) {
  PalmImportOutcome outcome;
  int ok = PalmImport(form, folder, layout, today, outcome);
  quotes = outcome.quotes;
  return ok;
}

int PalmImport(DocumentForm& form, const std::string& folder, int layout, const DateRec& today,
               PalmImportOutcome& outcome) {
  outcome.orders = outcome.quotes = outcome.pending = outcome.refused = outcome.nothing = 0;
  outcome.refusals.clear();
  outcome.net_totals.clear();
  if (layout != kPalmLayoutOnSoft) {
    if (outcome.rehearse)
      ShowCheckDone(form.owner, 0, 0);
    else
      ShowDone(form.owner, 0);
    return 1;
  }
  if (Company().company_code.empty()) {
    PlatShowMessage(form.owner, kPalmNoCompanyText, kPalmImportCaption, PlatIcon::kError);
    return 0;
  }
  int ok = 0;
  if (outcome.rehearse) {
    WaitCursor wait;
    return ImportLocked(form, folder, today, outcome);
  }
  {
    WaitCursor wait;
    // One import of a company at a time, from before anything is read; a
    // second one waits as for a busy file, then gives up touching nothing.
    std::string lock_name;
    CompanyFilePath(lock_name, kPalmLockFile);
    PlatHandle lock = LockFileWaiting(lock_name);
    if (lock == kNoHandle) {
      PlatShowMessage(form.owner, kPalmBusyText, kPalmImportCaption, PlatIcon::kWarning);
      return 0;
    }
    ok = ImportLocked(form, folder, today, outcome);
    PlatUnlockFile(lock);
  }
  return ok;
}

int CountWaitingOrders(const std::string& folder, int& orders) {
  orders = 0;
  std::string name;
  PalmFilePath(name, folder, kPalmOrderFiles[0], kPalmTextExtension);
  OrderFile headers;
  if (!PlatFileExists(name) || !ReadOrderFile(name, headers)) return 0;
  for (const std::string& line : headers.lines)
    if (!IsBlankLine(line)) ++orders;
  return 1;
}
