#include "documents/item_check.h"

#include <climits>
#include <cstdio>

#include "codecs/encoding.h"
#include "codecs/number.h"
#include "codecs/text.h"
#include "documents/doc_kinds.h"
#include "documents/item_taxes.h"
#include "records/masters.h"

namespace {

constexpr char kCaption[] = "Vri";
constexpr char kNoCodeText[] = "Informe o código do produto / serviço.";
constexpr char kNoDescriptionText[] = "O item deve possuir uma descrição.";
constexpr char kQuantityText[] = "A quantidade deve ser maior que zero.";
constexpr char kUnitPriceText[] = "O valor unitário deve ser maior que zero.";
constexpr char kBelowFloorFormat[] = "%s - %s\n\nValor menor que o permitido %s.";

int Refuse(DocumentForm& form, const std::string& text, int slot, int* fault_slot,
           const std::string& detail) {
  PlatShowMessage(form.owner, text, kCaption, PlatIcon::kError, detail);
  if (fault_slot) *fault_slot = slot;
  return 0;
}

std::string Cut(const DocumentForm& form, int slot, int width) {
  std::string text;
  return GetSlot(form, slot, text, width);
}

// One "%-9.2lf" amount column, cut so that a huge rate cannot shift the
// columns after it.
std::string& AppendAmountColumn(std::string& line, int column, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%-9.2lf", value);
  return AppendLineColumn(line, column, buffer);
}

char TaxKindOf(const DocumentForm& form) {
  const std::string& text = GetSlot(form, kSlotTaxKind);
  char c = text.empty() ? '0' : text[0];
  return (c == '0' || c == '1' || c == '2') ? c : '0';
}

}  // namespace

void ResetItemEntry(DocumentForm& form) {
  ClearSlots(form, kSlotCode, kSlotIpiRate);
  std::string text;
  SetSlot(form, kSlotQuantity, FormatNum(1, text, kQtyDecimals));
  SetSlot(form, kSlotUnitPrice, FormatNum(0, text, 2));
  SetSlot(form, kSlotEntryReserved, FormatNum(0, text, 2));
}

double PriceFloor(long product_record) {
  std::string path, text;
  PlatStream* products =
      CompanyFilePath(path, kProductFile).empty() ? nullptr : PlatOpen(path, PlatOpenMode::kRead);
  if (!products) return 0;
  ReadProductField(products, (int)product_record, text, kProductPrice);
  double price = ParseNum(text);
  ReadProductField(products, (int)product_record, text, kProductMaxDiscount);
  double discount = ParseNum(text);
  PlatClose(products);
  return Round2(price - price * discount * 0.01);
}

int PriceFloorOn() {
  std::string text;
  ReadKindConfigField(text, kKindConfigMinPriceCheck, kKindQuote);
  return !text.empty() && text[0] == '1' ? 1 : 0;
}

std::string& BuildItemLine(DocumentForm& form, double quantity, double unit_price, int sequence,
                           std::string& line) {
  std::string total;
  FormatNum(quantity * unit_price, total, 2);
  const double icms_rate = GetNumItem(form, kSlotIcmsRate, 2, 1);
  const double icms_base_pct = GetNumItem(form, kSlotIcmsBasePct, 2, 1);
  const double st_rate = GetNumItem(form, kSlotStRate, 2, 1);
  const double st_base_pct = st_rate > 0 ? GetNumItem(form, kSlotStBasePct, 2, 1) : 0;
  const double ipi_rate = GetNumItem(form, kSlotIpiRate, 2, 1);
  const long record = ToInt(GetSlot(form, kSlotProductRecord));

  line.clear();
  AppendLineColumn(line, kLineCode, GetSlot(form, kSlotCode));
  AppendLineColumn(line, kLineDescription, GetSlot(form, kSlotDescription));
  AppendLineColumn(line, kLineQuantity, GetSlot(form, kSlotQuantity));
  AppendLineColumn(line, kLineUnitPrice, GetSlot(form, kSlotUnitPrice));
  AppendLineColumn(line, kLineTotal, total);
  AppendLineColumn(line, kLineBlank, "");
  AppendLineColumn(line, kLineIcmsCst, GetSlot(form, kSlotIcmsCst));
  AppendLineColumn(line, kLineTaxKind, std::string(1, TaxKindOf(form)));
  AppendAmountColumn(line, kLineIcmsBasePct, icms_base_pct);
  AppendAmountColumn(line, kLineIcmsRate, icms_rate);
  AppendAmountColumn(line, kLineIpiRate, ipi_rate);
  AppendAmountColumn(line, kLineStBasePct, st_base_pct);
  AppendAmountColumn(line, kLineStRate, st_rate);
  AppendLineColumn(line, kLineCfop, GetSlot(form, kSlotItemCfop));
  AppendLineColumn(line, kLineSequence, std::to_string(sequence));
  line += std::to_string(record);
  return line;
}

int CheckItem(DocumentForm& form, int* fault_slot, const std::string& detail) {
  const std::string code = Cut(form, kSlotCode, kItemCodeRead);
  if (code.empty()) return Refuse(form, kNoCodeText, kSlotCode, fault_slot, detail);
  const std::string description = Cut(form, kSlotDescription, kItemDescriptionRead);
  if (description.empty()) return Refuse(form, kNoDescriptionText, kSlotCode, fault_slot, detail);

  // The line keeps the quantity and price texts in columns of 10 and 12 and
  // the store reads them back from there: a value whose text would be cut
  // is refused like one typed too long for its field (it reads as 0).
  const double quantity =
      GetNumItem(form.slots[kSlotQuantity], kQtyDecimals, 1, kLineColumns[kLineQuantity].width);
  if (!(quantity > 0)) return Refuse(form, kQuantityText, kSlotQuantity, fault_slot, detail);
  const double unit_price =
      GetNumItemVar(form.slots[kSlotUnitPrice], 2, kMaxDecimals, 1,
                    kLineColumns[kLineUnitPrice].width);
  if (!(unit_price > 0)) return Refuse(form, kUnitPriceText, kSlotUnitPrice, fault_slot, detail);

  if (PriceFloorOn()) {
    const double floor = PriceFloor(ToInt(GetSlot(form, kSlotProductRecord)));
    if (unit_price < floor) {
      std::string floor_text;
      FormatNumTrim(floor, floor_text, 2, kMaxDecimals);
      std::string text(code.size() + description.size() + floor_text.size() + 64, '\0');
      int n = std::snprintf(text.data(), text.size(), kBelowFloorFormat, code.c_str(),
                            description.c_str(), floor_text.c_str());
      text.resize(n > 0 ? (std::size_t)n : 0);
      return Refuse(form, text, kSlotUnitPrice, fault_slot, detail);
    }
  }

  const int previous = GetUIntItem(form, kSlotLastSequence);
  const int sequence = previous < INT_MAX ? previous + 1 : previous;
  std::string line;
  AddItemLine(form, BuildItemLine(form, quantity, unit_price, sequence, line));

  double running = GetNumItem(form, kSlotRunningTotal, 2, 0) + Round2(quantity * unit_price);
  std::string text;
  SetSlot(form, kSlotRunningTotal, FormatNum(running, text, 2));
  SetIntItem(form, kSlotLineCount, (long)form.items.size());
  SetIntItem(form, kSlotLastSequence, sequence);
  ResetItemEntry(form);
  return 1;
}
