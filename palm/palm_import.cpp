#include "palm/palm_import.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "codecs/number.h"
#include "codecs/text.h"
#include "documents/doc_store.h"
#include "documents/item_check.h"
#include "palm/palm_export.h"
#include "records/catalogue.h"
#include "records/masters.h"
#include "records/record_file.h"

namespace {

constexpr int kSlotFirst = 100;
constexpr int kSlotLast = 199;
constexpr int kSlotDiscountPercent = 101;

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

void IndexProducts(ProductIndex& index) {
  index.clear();
  std::string name;
  PlatStream* in =
      CompanyFilePath(name, kProductFile).empty() ? nullptr : PlatOpen(name, PlatOpenMode::kRead);
  if (!in) return;
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
  PlatClose(in);
}

bool SameKey(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
  return true;
}

bool IsBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

std::string FormatPlaces(double value, int places) {
  std::string text;
  return FormatNum(value, text, places);
}

// The order of one header line as read, kept for a retry when SaveDoc
// refuses its quote.
struct KeptOrder {
  std::string header;
  std::vector<std::string> items;
};

// Writes `lines` (CR LF) to `name` under a temporary name, forced to the
// disk and renamed over `name`: the orders in it exist nowhere else but in
// the .bak files. 1 on success; 0 with no temporary file left.
int WriteLinesSafely(const std::string& folder, const char* table,
                     const std::vector<const std::string*>& lines) {
  std::string final_name, temp_name;
  PalmFilePath(final_name, folder, table, "txt");
  std::string temp_table = std::string("~") + table;
  PalmFilePath(temp_name, folder, temp_table.c_str(), "tmp");
  PlatStream* out = PlatOpen(temp_name, PlatOpenMode::kCreate);
  if (!out) return 0;
  std::string text;
  for (const std::string* line : lines) text.append(*line).append("\r\n");
  int ok = PlatWrite(out, text.data(), text.size()) && PlatSync(out);
  if (!PlatClose(out)) ok = 0;
  if (ok && PlatRename(temp_name, final_name)) return 1;
  PlatRemove(temp_name);
  return 0;
}

int KeepForRetry(const std::string& folder, const std::vector<KeptOrder>& kept) {
  std::vector<const std::string*> headers, items;
  for (const KeptOrder& order : kept) {
    headers.push_back(&order.header);
    for (const std::string& item : order.items) items.push_back(&item);
  }
  // Items first: a Cabecalho.txt without its Itens.txt would be refused as a whole.
  return WriteLinesSafely(folder, "Itens", items) && WriteLinesSafely(folder, "Cabecalho", headers);
}

// The order files set aside as .bak, so the same orders are not imported
// twice; a file that is missing is passed over, and a failed rename is not
// reported (the order files belong to the handheld's side).
void SetOrderFilesAside(const std::string& folder) {
  for (const char* table : kPalmOrderFiles) {
    std::string txt, bak;
    PalmFilePath(txt, folder, table, "txt");
    PalmFilePath(bak, folder, table, "bak");
    if (!PlatFileExists(txt)) continue;
    // The rename replaces an old .bak in one step, so a failure leaves it whole.
    PlatRename(txt, bak);
  }
}

void ShowDone(PlatWindow owner, int quotes) {
  char text[128];
  std::snprintf(text, sizeof text, kPalmImportDoneFormat, quotes);
  PlatShowMessage(owner, text, kPalmImportCaption, PlatIcon::kInformation);
}

// One order: its items through the item check, then the quote. Returns 1
// when a quote was written, 0 when the order gave none, -1 when SaveDoc
// refused it.
int ImportOrder(DocumentForm& form, const std::string& header, PlatStream* items,
                const ProductIndex& products, const DateRec& today, KeptOrder& order) {
  ClearItems(form);
  std::string field;
  const double discount = ImpliedThousandths(OrderField(header, kOrderDiscountAt, kOrderDiscountWidth, field));
  const char discount_kind = (int)header.size() > kOrderDiscountKindAt ? header[kOrderDiscountKindAt] : ' ';
  const int condition = ToInt(OrderField(header, kOrderConditionAt, kOrderConditionWidth, field));
  const int payment = ToInt(OrderField(header, kOrderPaymentAt, kOrderPaymentWidth, field));
  std::string customer, seller, key;
  OrderField(header, kOrderCustomerAt, kOrderCustomerWidth, customer);
  OrderField(header, 0, kOrderSellerWidth, seller);
  OrderField(header, 0, kOrderKeyWidth, key);
  double total = 0;

  order.header = header;
  order.items.clear();
  PlatSeek(items, 0);
  std::string line, item_key, code, text;
  while (PlatReadLine(items, line)) {
    if (IsBlankLine(line) || !SameKey(OrderField(line, 0, kOrderKeyWidth, item_key), key)) continue;
    order.items.push_back(line);
    OrderField(line, kItemProductAt, kItemProductWidth, code);
    TrimRight(code);
    const double quantity = ImpliedThousandths(OrderField(line, kItemQuantityAt, kItemQuantityWidth, text));
    const double price = ImpliedThousandths(OrderField(line, kItemPriceAt, kItemPriceWidth, text));
    SetSlot(form, kSlotCode, code);
    SetSlot(form, kSlotQuantity, FormatPlaces(quantity, kQtyDecimals));
    SetSlot(form, kSlotUnitPrice, FormatPlaces(price, 2));
    auto found = products.find(ProductKey(code));
    if (found != products.end()) {
      SetSlot(form, kSlotDescription, found->second.description);
      SetSlot(form, kSlotProductRecord, std::to_string(found->second.record));
    } else {
      // Unknown code: no description, which the item check refuses.
      SetSlot(form, kSlotDescription, "");
      SetSlot(form, kSlotProductRecord, "");
    }
    CheckItem(form);
    total += quantity * price;
  }
  if (form.items.empty()) return 0;

  const std::string saved_title = form.title;
  form.title = payment == 0 ? kPalmCashTitle : payment == 1 ? kPalmInstalmentTitle : "";
  std::vector<std::string> accepted = form.items;
  ClearSlots(form, kSlotFirst, kSlotLast);
  const double percent = OrderDiscountPercent(discount_kind, discount, total);
  SetSlot(form, kSlotDiscountPercent, FormatPlaces(percent, 4));
  SetSlot(form, kSlotDocTotal, FormatPlaces(total - Round2(total * percent * 0.01), 2));
  char condition_text[16];
  std::snprintf(condition_text, sizeof condition_text, "%03d", condition);
  SetSlot(form, kSlotCashCode, payment == 0 ? condition_text : "");
  SetSlot(form, kSlotConditionCode, payment == 1 ? condition_text : "");

  long number = 0;
  const int parent = SaveDoc(form, "", "", "", number, today, DateRec{}, customer, seller, "", 0);

  form.title = saved_title;
  ClearSlots(form, kSlotFirst, kSlotLast);
  ClearItems(form);
  return parent >= 0 ? 1 : -1;
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
  quotes = 0;
  int ok = 1;
  int kept_ok = 1;
  {
    WaitCursor wait;
    if (layout == kPalmLayoutOnSoft) {
      std::string headers_name, items_name;
      PalmFilePath(headers_name, folder, kPalmOrderFiles[0], "txt");
      PalmFilePath(items_name, folder, kPalmOrderFiles[1], "txt");
      PlatStream* headers = PlatOpen(headers_name, PlatOpenMode::kRead);
      PlatStream* items = headers ? PlatOpen(items_name, PlatOpenMode::kRead) : nullptr;
      if (!headers || !items) {
        ok = 0;
      } else {
        ProductIndex products;
        IndexProducts(products);
        std::vector<KeptOrder> kept;
        KeptOrder order;
        std::string header;
        while (PlatReadLine(headers, header)) {
          if (IsBlankLine(header)) continue;
          int result = ImportOrder(form, header, items, products, today, order);
          if (result > 0) ++quotes;
          if (result < 0) kept.push_back(order);
        }
        PlatClose(items);
        PlatClose(headers);
        items = headers = nullptr;
        SetOrderFilesAside(folder);
        if (!kept.empty()) kept_ok = KeepForRetry(folder, kept);
      }
      PlatClose(items);
      PlatClose(headers);
    }
  }
  if (!ok || !kept_ok) PlatShowMessage(form.owner, kPalmFileError, kPalmImportCaption, PlatIcon::kError);
  if (!ok) return 0;
  ShowDone(form.owner, quotes);
  return kept_ok;
}
