#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "documents/item_taxes.h"
#include "tests/unit/documents_test_support.h"

namespace {

// The item line of item's line values, written column by column through the
// line's layout: description "d", no total, the quantity with three decimals,
// the unit price and the rates with two.
std::string Line(const ItemValues& item) {
  auto number = [](double value, int places) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return std::string(text);
  };
  const std::string columns[kLineColumnCount] = {
      item.product_code, "d", number(item.quantity, 3), number(item.unit_price, 2), "", "",
      item.icms_cst, std::string(1, item.tax_kind), number(item.icms_base_pct, 2),
      number(item.icms_rate, 2), number(item.ipi_rate, 2), number(item.st_base_pct, 2),
      number(item.st_rate, 2), item.cfop, std::to_string(item.sequence)};
  std::string line;
  for (int c = 0; c < kLineColumnCount; ++c) AppendLineColumn(line, c, columns[c]);
  return line + std::to_string(item.product_record);
}

// One unit of product P (record 7, CFOP 5102) at price: tax kind 1, CST 000.
ItemValues Unit(double price) {
  return {.sequence = 1, .product_record = 7, .quantity = 1, .unit_price = price, .tax_kind = '1',
          .icms_cst = "000", .cfop = "5102", .product_code = "P"};
}

// Both passes over the form, as SaveDoc runs them: the pass-2 values of
// every item, with the shares of the accumulator.
struct Result {
  ItemValues item;
  double discount = 0;
  double charge[3] = {0, 0, 0};
  double total = 0;
};

std::vector<Result> RunBothPasses(DocumentForm& form) {
  TaxTotals totals{};
  ItemValues item;
  for (int i = 0; ReadItemLine(form, i, item); ++i) ItemTaxes(form, i, item, totals, kPassAccumulate);
  std::vector<Result> out;
  for (int i = 0; ReadItemLine(form, i, item); ++i) {
    Result r;
    r.total = ItemTaxes(form, i, item, totals, kPassWrite);
    r.item = item;
    r.discount = totals.discount_share;
    for (int k = 0; k < 3; ++k) r.charge[k] = totals.charge_share[k];
    out.push_back(r);
  }
  return out;
}

TEST(DocumentsTaxes, ApportionSpreadsAndPassesTheRemainderOn) {
  const struct {
    const char* label;
    int index, last;
    double weight, total_weight, amount, remaining, base;
    double value, remaining_after;
  } cases[] = {
      {"first_of_three", 0, 2, 10, 30, 10, 10, 0, 3.33, 6.67},
      {"last_takes_rest", 2, 2, 10, 30, 10, 3.34, 0, 3.34, 0},
      {"single_item_takes_all", 0, 0, 7, 7, 10, 10, 0, 10, 0},
      {"zero_weight_total_gives_nothing", 0, 2, 10, 0, 10, 10, 0, 0, 10},
      {"zero_weight_total_last_gets_all", 2, 2, 10, 0, 10, 10, 0, 10, 0},
      {"added_to_base", 0, 1, 1, 2, 3, 3, 5, 6.5, 1.5},
      {"negative_below_zero_is_zero", 0, 1, 1, 2, -10, -10, 2, 0, -8},
      {"negative_on_last_uncovered_stays", 1, 1, 1, 2, -10, -7, 5, 0, -2},
      {"rounded_share", 0, 3, 1, 3, 1, 1, 0, 0.33, 0.67},
  };
  for (const auto& c : cases) {
    double remaining = c.remaining;
    EXPECT_NEAR(Apportion(c.index, c.last, c.weight, c.total_weight, c.amount, remaining, c.base),
                c.value, 1e-9)
        << c.label;
    EXPECT_NEAR(remaining, c.remaining_after, 1e-9) << c.label;
  }
}

TEST(DocumentsTaxes, StClassReadsTheIcmsCst) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},    {"010", 1}, {"030", 1}, {"070", 1}, {"210", 1},  // charged in this operation
      {"201", 1}, {"202", 1}, {"203", 1},                            // Simples Nacional codes
      {"060", 2}, {"260", 2},                                        // charged earlier
      {"000", 0}, {"020", 0}, {"101", 0}, {"500", 0}, {"1", 0},
  };
  for (const auto& [cst, cls] : cases) EXPECT_EQ(StClass(cst), cls) << cst;
}

TEST(DocumentsTaxes, ReadItemLineReadsThePositions) {
  DocumentForm form;
  AddItemLine(form, Line({.sequence = 3, .product_record = 7, .quantity = 1234.5, .unit_price = 2,
                          .icms_base_pct = 100, .icms_rate = 18, .ipi_rate = 5, .st_base_pct = 140,
                          .st_rate = 12.5, .tax_kind = '2', .icms_cst = "060", .cfop = "5102",
                          .product_code = "P"}));
  AddItemLine(form, "short");
  ItemValues item;
  ASSERT_TRUE(ReadItemLine(form, 0, item));
  EXPECT_EQ(item.sequence, 3);
  EXPECT_EQ(item.product_record, 7);
  EXPECT_DOUBLE_EQ(item.quantity, 1234.5);
  EXPECT_DOUBLE_EQ(item.unit_price, 2);
  EXPECT_DOUBLE_EQ(item.icms_base_pct, 100);
  EXPECT_DOUBLE_EQ(item.icms_rate, 18);
  EXPECT_DOUBLE_EQ(item.ipi_rate, 5);
  EXPECT_DOUBLE_EQ(item.st_base_pct, 140);
  EXPECT_DOUBLE_EQ(item.st_rate, 12.5);
  EXPECT_EQ(item.tax_kind, '2');
  EXPECT_EQ(item.icms_cst, "060");
  EXPECT_EQ(item.cfop, "5102");
  EXPECT_EQ(item.product_code, "P");
  ASSERT_TRUE(ReadItemLine(form, 1, item));  // a short line reads as blanks
  EXPECT_EQ(item.product_code, "short");
  EXPECT_EQ(item.sequence, 0);
  EXPECT_DOUBLE_EQ(item.quantity, 0);
  EXPECT_FALSE(ReadItemLine(form, 2, item));
  EXPECT_FALSE(ReadItemLine(form, -1, item));
}

TEST(DocumentsTaxes, DocumentAmountsAreSpreadByGrossValue) {
  const struct {
    const char* label;
    std::vector<double> prices;  // quantity 1 each
    const char* products_total;
    const char* discount;
    const char* discount_shown;  // the slot as the reading writes it back
    const char* charge1;
    std::vector<double> discounts;
    std::vector<double> charges;
  } cases[] = {
      {"three_equal_items", {10, 10, 10}, "30", "10,00", "10,00", "", {3.33, 3.33, 3.34}, {0, 0, 0}},
      {"single_item_takes_all", {25}, "25", "4", "4,00", "1,5", {4}, {1.5}},
      {"zero_products_total_last_gets_all", {10, 20}, "", "6", "6,00", "2", {0, 6}, {0, 2}},
      {"by_weight", {10, 30}, "40", "4", "4,00", "8", {1, 3}, {2, 6}},
      {"palm_import_all_empty", {10, 20}, "", "", "0,00", "", {0, 0}, {0, 0}},
  };
  for (const auto& c : cases) {
    DocumentForm form;
    for (double p : c.prices) AddItemLine(form, Line(Unit(p)));
    SetSlot(form, kSlotProductsTotal, c.products_total);
    SetSlot(form, kSlotDiscount, c.discount);
    SetSlot(form, kSlotCharge1, c.charge1);
    SetSlot(form, kSlotCharge2, "1");
    std::vector<Result> r = RunBothPasses(form);
    ASSERT_EQ(r.size(), c.prices.size()) << c.label;
    double charge2_sum = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
      EXPECT_NEAR(r[i].discount, c.discounts[i], 1e-9) << c.label << " " << i;
      EXPECT_NEAR(r[i].charge[0], c.charges[i], 1e-9) << c.label << " " << i;
      EXPECT_NEAR(r[i].item.net, c.prices[i] - c.discounts[i] + c.charges[i] + r[i].charge[1], 1e-9)
          << c.label << " " << i;
      charge2_sum += r[i].charge[1];
    }
    EXPECT_NEAR(charge2_sum, 1, 1e-9) << c.label;  // the whole charge is spread
    EXPECT_EQ(GetSlot(form, kSlotDiscount), c.discount_shown) << c.label;
  }
}

TEST(DocumentsTaxes, ItemTaxesComputesBasesAndValues) {
  const struct {
    const char* label;
    ItemValues line;
    double icms_base, icms_value, st_base, st_value, st_rate, ipi_base, ipi_value, ipi_rate,
        total;
  } cases[] = {
      // the line values in their order: sequence, record, quantity, unit price, ICMS base %,
      // ICMS rate, IPI rate, ST base %, ST rate, tax kind, ICMS CST, CFOP, product code
      // 200 gross: ICMS base 100% at 18% = 36; ST base 140% = 280 at 18% = 50,40 - 36
      {"icms_and_st", {1, 7, 2, 100, 100, 18, 0, 140, 18, '1', "010", "5102", "P"},
       200, 36, 280, 14.4, 18, 0, 0, 0, 214.4},
      // ICMS above ST base x rate: ST value 0, and in pass 2 the ST rate 0
      {"icms_covers_st", {1, 7, 1, 100, 100, 18, 0, 100, 10, '1', "010", "5102", "P"},
       100, 18, 100, 0, 0, 0, 0, 0, 100},
      {"ipi", {1, 7, 3, 10, 0, 0, 10, 0, 0, '1', "000", "5102", "P"}, 0, 0, 0, 0, 0, 30, 3, 10, 33},
      {"no_ipi_rate_no_ipi", {1, 7, 3, 10, 0, 0, 0, 0, 0, '0', "000", "5102", "P"},
       0, 0, 0, 0, 0, 0, 0, 0, 30},
      {"reduced_base_rounds", {1, 7, 1, 33.33, 33.33, 12, 0, 0, 0, '1', "020", "5102", "P"},
       11.11, 1.33, 0, 0, 0, 0, 0, 0, 33.33},
  };
  for (const auto& c : cases) {
    DocumentForm form;
    AddItemLine(form, Line(c.line));
    std::vector<Result> r = RunBothPasses(form);
    ASSERT_EQ(r.size(), 1u);
    const ItemValues& it = r[0].item;
    EXPECT_NEAR(it.icms_base, c.icms_base, 1e-9) << c.label;
    EXPECT_NEAR(it.icms_value, c.icms_value, 1e-9) << c.label;
    EXPECT_NEAR(it.st_base, c.st_base, 1e-9) << c.label;
    EXPECT_NEAR(it.st_value, c.st_value, 1e-9) << c.label;
    EXPECT_NEAR(it.st_rate, c.st_rate, 1e-9) << c.label;
    EXPECT_NEAR(it.ipi_base, c.ipi_base, 1e-9) << c.label;
    EXPECT_NEAR(it.ipi_value, c.ipi_value, 1e-9) << c.label;
    EXPECT_NEAR(it.ipi_rate, c.ipi_rate, 1e-9) << c.label;
    EXPECT_NEAR(it.pis_base, it.net, 1e-9) << c.label;
    EXPECT_NEAR(r[0].total, c.total, 1e-9) << c.label;
  }
}

// ST and IPI totals typed on the document: the difference to the items' own
// values goes only to the ST items and only to the IPI items.
TEST(DocumentsTaxes, TaxDifferencesGoOnlyToTheirOwnItems) {
  ItemValues st = Unit(100);  // ST item: 100 gross, ST base 100, 10% = 10
  st.st_base_pct = 100;
  st.st_rate = 10;
  st.icms_cst = "010";
  const ItemValues plain = Unit(100);  // tax kind 1, no IPI: neither ST nor IPI item
  ItemValues ipi = Unit(100);  // IPI 10% of 100 = 10
  ipi.ipi_rate = 10;
  ItemValues kind0 = Unit(100);  // tax kind 0: takes part in the IPI spreading without IPI
  kind0.tax_kind = '0';

  const struct {
    const char* label;
    std::vector<ItemValues> lines;
    const char* st_base_total;
    const char* st_value_total;
    const char* ipi_value_total;
    std::vector<double> st_base, st_value, ipi_value;
  } cases[] = {
      {"st_difference_to_the_st_item", {st, plain}, "110", "11", "", {110, 0}, {11, 0}, {0, 0}},
      {"st_difference_to_last_st_item", {plain, st, plain}, "", "12,50", "",
       {0, 100, 0}, {0, 12.5, 0}, {0, 0, 0}},
      // empty totals are not typed: the items keep their own values ...
      {"empty_totals_keep_own_values", {st, ipi}, "", "", "", {100, 0}, {10, 0}, {0, 10}},
      // ... while typed zeros take them away
      {"typed_zero_totals", {st, ipi}, "0", "0,00", "0", {0, 0}, {0, 0}, {0, 0}},
      {"ipi_difference_over_ipi_items", {ipi, plain, kind0}, "", "", "14",
       {0, 0, 0}, {0, 0, 0}, {12, 0, 2}},
      // a typed total below the items' own values: the uncovered part of
      // the first item passes on to the next one
      {"negative_difference_passes_on", {kind0, ipi}, "", "", "5",
       {0, 0}, {0, 0}, {0, 5}},
      {"no_st_items_no_spreading", {plain, ipi}, "50", "5", "10", {0, 0}, {0, 0}, {0, 10}},
  };
  for (const auto& c : cases) {
    DocumentForm form;
    for (const ItemValues& item : c.lines) AddItemLine(form, Line(item));
    SetSlot(form, kSlotStBaseTotal, c.st_base_total);
    SetSlot(form, kSlotStValueTotal, c.st_value_total);
    SetSlot(form, kSlotIpiValueTotal, c.ipi_value_total);
    std::vector<Result> r = RunBothPasses(form);
    ASSERT_EQ(r.size(), c.lines.size()) << c.label;
    for (std::size_t i = 0; i < r.size(); ++i) {
      EXPECT_NEAR(r[i].item.st_base, c.st_base[i], 1e-9) << c.label << " " << i;
      EXPECT_NEAR(r[i].item.st_value, c.st_value[i], 1e-9) << c.label << " " << i;
      EXPECT_NEAR(r[i].item.ipi_value, c.ipi_value[i], 1e-9) << c.label << " " << i;
      if (r[i].item.ipi_value == 0) {
        EXPECT_EQ(r[i].item.ipi_base, 0) << c.label << " " << i;
        EXPECT_EQ(r[i].item.ipi_rate, 0) << c.label << " " << i;
      }
    }
  }
}

}  // namespace
