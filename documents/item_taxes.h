// Item amounts and taxes: every item line of a document becomes the amounts
// of its item record. The document's discount and three added charges are
// spread over the items in proportion to their gross values, the last item
// taking what rounding leaves over; so are the differences between the ST
// and IPI totals typed on the document and the sums of the items' own
// values, over the ST items and the IPI items only. SaveDoc runs ItemTaxes
// twice over the item list: pass 1 gathers the sums, pass 2 spreads and
// yields what is written.
#pragma once

#include <string>
#include <string_view>

#include "documents/document_form.h"
#include "documents/document_layout.h"

// The document totals are the form's amount slots (documents/document_form.h),
// read with two decimals (GetNumItem).

constexpr int kPassAccumulate = 1;
constexpr int kPassWrite = 2;

// One item: the values of its line, then what ItemTaxes works out.
struct ItemValues {
  int sequence = 0;
  long product_record = 0;
  double quantity = 0;
  double unit_price = 0;
  double icms_base_pct = 0;
  double icms_rate = 0;
  double ipi_rate = 0;
  double st_base_pct = 0;
  double st_rate = 0;
  char tax_kind = '0';    // '0' takes part in the IPI spreading without IPI of its own
  std::string icms_cst;   // origin digit and two-digit code
  std::string cfop;
  std::string product_code;
  // Computed: every stored amount is rounded to cents except gross and net.
  double gross = 0;
  double net = 0;
  double icms_base = 0;
  double icms_value = 0;
  double st_base = 0;
  double st_value = 0;
  double ipi_base = 0;
  double ipi_value = 0;
  double pis_base = 0;
  double cofins_base = 0;
};

// Accumulator of one document; SaveDoc clears it (= {}) before pass 1.
struct TaxTotals {
  // shares of the current item (item record fields 12 to 15)
  double discount_share = 0;
  double charge_share[3] = {0, 0, 0};
  double remaining_discount = 0;
  double remaining_charge[3] = {0, 0, 0};
  double remaining_st_base_diff = 0;
  double remaining_st_value_diff = 0;
  double remaining_ipi_value_diff = 0;
  // what pass 1 adds up over the items that take part in the ST and in the
  // IPI spreading; the first item starts it afresh
  struct Spread {
    int last_index = 0;     // the item that takes what is left
    double gross_sum = 0;   // the weight the amounts are spread by
    double base_sum = 0;    // the items' own ST bases (unused for the IPI)
    double value_sum = 0;   // the items' own tax values
  };
  Spread st;
  Spread ipi;
};

// Parses an item line by its columns (documents/document_layout.h; numbers
// with ParseNum, whole numbers with ToInt; a short line reads as
// blank-filled) into item, whose computed amounts are cleared.
void ParseItemLine(std::string_view line, ItemValues& item);
// ParseItemLine of line `index` of the form's item list. Returns true when
// the list has that line; false (item untouched) when the index is past the
// end.
bool ReadItemLine(const DocumentForm& form, int index, ItemValues& item);

// The item computation for line `index` of the form's item list, pass 1
// (accumulate) or 2 (spread and yield). Reads the document totals from the
// form (normalising their slots; an empty ST or IPI total slot is no typed
// total and stays empty, so nothing is spread for it), updates item and
// totals. Returns the item's total: net value + ST value + IPI value. Never
// fails.
double ItemTaxes(DocumentForm& form, int index, ItemValues& item, TaxTotals& totals, int pass);

// base plus the item's share of amount: amount x weight / total_weight
// rounded to cents (0 when total_weight is 0), the last item (index ==
// last_index) also taking what is left in remaining. A result below 0 is 0
// and the uncovered part goes back into remaining for the items after it.
// Updates remaining; returns the value.
double Apportion(int index, int last_index, double weight, double total_weight, double amount,
                 double& remaining, double base);

// 1 when the ICMS CST means substitution charged in this operation (second
// character 1, 3 or 7, or the whole number 201, 202 or 203), 2 when charged
// earlier (second character 6), 0 otherwise (also for an empty text).
int StClass(const std::string& cst);
