#include "documents/item_taxes.h"

#include "codecs/number.h"
#include "codecs/text.h"

namespace {

std::string Column(std::string_view line, int column) {
  return std::string(LineColumnText(line, column));
}

std::string TrimmedColumn(std::string_view line, int column) {
  std::string text = Column(line, column);
  return TrimRight(text);
}

// A tax total that nobody typed (an empty slot, as the Palm import leaves
// them) is no total: its difference is 0, so the items keep their own ST and
// IPI values instead of having them spread away down to 0.
bool TypedTotal(DocumentForm& form, int slot, double& value) {
  value = 0;
  if (GetSlot(form, slot).empty()) return false;
  value = GetNumItem(form, slot, 2, 0);
  return true;
}

}  // namespace

void ParseItemLine(std::string_view line, ItemValues& item) {
  item = ItemValues{};
  item.sequence = ToInt(Column(line, kLineSequence));
  item.product_record = ToInt(Column(line, kLineColumnCount));
  item.quantity = ParseNum(LineColumnText(line, kLineQuantity));
  item.unit_price = ParseNum(LineColumnText(line, kLineUnitPrice));
  item.icms_base_pct = ParseNum(LineColumnText(line, kLineIcmsBasePct));
  item.icms_rate = ParseNum(LineColumnText(line, kLineIcmsRate));
  item.ipi_rate = ParseNum(LineColumnText(line, kLineIpiRate));
  item.st_base_pct = ParseNum(LineColumnText(line, kLineStBasePct));
  item.st_rate = ParseNum(LineColumnText(line, kLineStRate));
  const std::string_view kind = LineColumnText(line, kLineTaxKind);
  item.tax_kind = kind.empty() ? ' ' : kind[0];
  item.icms_cst = TrimmedColumn(line, kLineIcmsCst);
  item.cfop = TrimmedColumn(line, kLineCfop);
  item.product_code = TrimmedColumn(line, kLineCode);
}

bool ReadItemLine(const DocumentForm& form, int index, ItemValues& item) {
  if (index < 0 || index >= (int)form.items.size()) return false;
  ParseItemLine(form.items[(std::size_t)index], item);
  return true;
}

double Apportion(int index, int last_index, double weight, double total_weight, double amount,
                 double& remaining, double base) {
  double share = total_weight != 0 ? Round2(amount * weight / total_weight) : 0;
  remaining -= share;
  if (index == last_index && remaining != 0) {
    share += remaining;
    remaining = 0;
  }
  double value = base + share;
  if (value < 0) {
    remaining += value;
    value = 0;
  }
  return value;
}

int StClass(const std::string& cst) {
  if (cst.empty()) return 0;
  char second = cst.size() > 1 ? cst[1] : '\0';
  int whole = ToInt(cst);
  if (second == '1' || second == '3' || second == '7' || whole == 201 || whole == 202 ||
      whole == 203)
    return 1;
  if (second == '6') return 2;
  return 0;
}

double ItemTaxes(DocumentForm& form, int index, ItemValues& item, TaxTotals& totals, int pass) {
  const int last = (int)form.items.size() - 1;

  const double products = GetNumItem(form, kSlotProductsTotal, 2, 0);
  const double discount = GetNumItem(form, kSlotDiscount, 2, 0);
  const double charge[3] = {GetNumItem(form, kSlotCharge1, 2, 0),
                            GetNumItem(form, kSlotCharge2, 2, 0),
                            GetNumItem(form, kSlotCharge3, 2, 0)};
  if (index == 0) {
    totals.remaining_discount = discount;
    for (int k = 0; k < 3; ++k) totals.remaining_charge[k] = charge[k];
  }

  double st_base_diff = 0, st_value_diff = 0, ipi_value_diff = 0;
  const bool st_base_typed = TypedTotal(form, kSlotStBaseTotal, st_base_diff);
  const bool st_value_typed = TypedTotal(form, kSlotStValueTotal, st_value_diff);
  const bool ipi_value_typed = TypedTotal(form, kSlotIpiValueTotal, ipi_value_diff);
  if (pass == kPassWrite) {
    if (st_base_typed) st_base_diff -= totals.st.base_sum;
    if (st_value_typed) st_value_diff -= totals.st.value_sum;
    if (ipi_value_typed) ipi_value_diff -= totals.ipi.value_sum;
  }
  if (index == 0) {
    totals.remaining_st_base_diff = st_base_diff;
    totals.remaining_st_value_diff = st_value_diff;
    totals.remaining_ipi_value_diff = ipi_value_diff;
  }

  const double g = item.quantity * item.unit_price;
  item.gross = g;
  totals.discount_share =
      Apportion(index, last, g, products, discount, totals.remaining_discount, 0);
  for (int k = 0; k < 3; ++k)
    totals.charge_share[k] =
        Apportion(index, last, g, products, charge[k], totals.remaining_charge[k], 0);

  const double n = g - totals.discount_share + totals.charge_share[0] + totals.charge_share[1] +
                   totals.charge_share[2];
  item.net = n;
  item.icms_base = Round2(n * item.icms_base_pct * 0.01);
  item.icms_value = Round2(item.icms_base * item.icms_rate * 0.01);
  item.st_base = Round2(n * item.st_base_pct * 0.01);
  item.st_value = Round2(item.st_base * item.st_rate * 0.01 - item.icms_value);
  if (!(item.st_value > 0)) item.st_value = 0;
  item.ipi_base = item.ipi_rate > 0 ? Round2(n) : 0;
  item.ipi_value = Round2(item.ipi_base * item.ipi_rate * 0.01);
  item.pis_base = Round2(n);
  item.cofins_base = item.pis_base;

  const bool st_item = StClass(item.icms_cst) == 1 || item.st_base > 0 || item.st_rate > 0 ||
                       item.st_value > 0;
  const bool ipi_item = item.tax_kind == '0' || item.ipi_value > 0;

  if (pass == kPassAccumulate) {
    if (index == 0) {
      totals.st = {};
      totals.ipi = {};
    }
    if (st_item) {
      totals.st.last_index = index;
      totals.st.gross_sum += g;
    }
    totals.st.base_sum += item.st_base;
    totals.st.value_sum += item.st_value;
    if (ipi_item) {
      totals.ipi.last_index = index;
      totals.ipi.gross_sum += g;
    }
    totals.ipi.value_sum += item.ipi_value;
  } else if (pass == kPassWrite) {
    if (st_item) {
      item.st_base = Apportion(index, totals.st.last_index, g, totals.st.gross_sum, st_base_diff,
                               totals.remaining_st_base_diff, item.st_base);
      item.st_value = Apportion(index, totals.st.last_index, g, totals.st.gross_sum,
                                st_value_diff, totals.remaining_st_value_diff, item.st_value);
      if (item.st_value == 0) item.st_rate = 0;
    }
    if (ipi_item) {
      item.ipi_value = Apportion(index, totals.ipi.last_index, g, totals.ipi.gross_sum,
                                 ipi_value_diff, totals.remaining_ipi_value_diff, item.ipi_value);
      if (item.ipi_value == 0) {
        item.ipi_base = 0;
        item.ipi_rate = 0;
      }
    }
  }
  return item.st_value + item.ipi_value + n;
}
