#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/item_check.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/documents_test_support.h"

namespace {

const char kVri[] = "Vri";

// An item in the entry slots as the Palm import presents it.
void Enter(DocumentForm& form, const std::string& code, const std::string& description,
           const std::string& quantity, const std::string& price, const std::string& record = "0") {
  SetSlot(form, kSlotCode, code);
  SetSlot(form, kSlotDescription, description);
  SetSlot(form, kSlotQuantity, quantity);
  SetSlot(form, kSlotUnitPrice, price);
  SetSlot(form, kSlotProductRecord, record);
}

std::string Cols(const std::string& line, int from, int width) {
  return line.size() > (std::size_t)from ? line.substr((std::size_t)from, (std::size_t)width) : "";
}

class ItemCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_.WriteProducts({{"P0", "Produto zero", "50,00", "0"},
                          {"P1", "Produto um", "100,00", "10"}});
  }
  DocumentWorld world_;
};

struct RefusalCase {
  const char* label;
  const char* code;
  const char* description;
  const char* quantity;
  const char* price;
  const char* text;
  int fault_slot;
  const char* check = "0";  // field 24 of the quote configuration: the price floor switch
  const char* record = "0";
};

TEST_F(ItemCheckTest, RefusesInOrderWithTheMessageAndFieldAtFault) {
  const RefusalCase cases[] = {
      {"no_code", "", "", "0", "0", "Informe o código do produto / serviço.", 100},
      {"no_description", "P1", "", "0", "0", "O item deve possuir uma descrição.", 100},
      {"zero_quantity", "P1", "Produto um", "0", "0", "A quantidade deve ser maior que zero.", 101},
      {"quantity_not_a_number", "P1", "Produto um", "abc", "5",
       "A quantidade deve ser maior que zero.", 101},
      {"quantity_rounds_to_zero", "P1", "Produto um", "0,0004", "5",
       "A quantidade deve ser maior que zero.", 101},
      {"zero_price", "P1", "Produto um", "2", "0,00", "O valor unitário deve ser maior que zero.",
       102},
      {"price_rounds_to_zero", "P1", "Produto um", "2", "0,00004",
       "O valor unitário deve ser maior que zero.", 102},
      // texts that would be cut in the line, and read back wrong by the store
      {"quantity_too_large", "P1", "Produto um", "100000", "1",
       "A quantidade deve ser maior que zero.", 101},
      {"price_too_large", "P1", "Produto um", "1", "1000000",
       "O valor unitário deve ser maior que zero.", 102},
      // the floor's message names the product and the floor
      {"below_the_price_floor", "P1", "Produto um", "1", "89,99",
       "P1 - Produto um\n\nValor menor que o permitido 90,00.", 102, "1", "1"},
  };
  for (const RefusalCase& c : cases) {
    world_.WriteQuoteConfig(c.check);
    DocumentForm form;
    AddItemLine(form, "earlier line");
    SetSlot(form, kSlotRunningTotal, "7,00");
    Enter(form, c.code, c.description, c.quantity, c.price, c.record);
    MessageRecorder messages;
    int fault = 0;
    EXPECT_EQ(CheckItem(form, &fault), 0) << c.label;
    EXPECT_EQ(fault, c.fault_slot) << c.label;
    ASSERT_EQ(messages.messages().size(), 1u) << c.label;
    EXPECT_EQ(messages.messages()[0], (RecordedMessage{PlatIcon::kError, kVri, c.text})) << c.label;
    EXPECT_EQ(form.items, std::vector<std::string>{"earlier line"}) << c.label;
    EXPECT_EQ(GetSlot(form, kSlotRunningTotal), "7,00") << c.label;
    EXPECT_EQ(GetSlot(form, kSlotCode), c.code) << c.label;  // nothing reset
  }
}

TEST_F(ItemCheckTest, QuantityAndPriceAreWrittenBackNormalised) {
  world_.WriteQuoteConfig("0");
  const struct {
    const char* quantity;
    const char* price;
    const char* quantity_text;  // positions 44-53, right-aligned
    const char* price_text;     // positions 54-65
  } cases[] = {
      {"-2", "12,5", "     2,000", "       12,50"},  // sign dropped
      {"1", "1,23456", "     1,000", "      1,2346"},   // at most 4 decimals
      {"1", "1,2300", "     1,000", "        1,23"},   // trailing zeros after the 2nd dropped
      {"0,0015", "-3", "     0,002", "        3,00"},
      {"1.234,5", "2", " 1.234,500", "        2,00"},
      {"99.999,9994", "999.999,99", "99.999,999", "  999.999,99"},  // the widest that fit
  };
  for (const auto& c : cases) {
    DocumentForm form;
    Enter(form, "P1", "Produto um", c.quantity, c.price);
    ASSERT_EQ(CheckItem(form), 1) << c.quantity << " " << c.price;
    ASSERT_EQ(form.items.size(), 1u);
    EXPECT_EQ(Cols(form.items[0], 44, 10), c.quantity_text);
    EXPECT_EQ(Cols(form.items[0], 54, 12), c.price_text);
  }
}

TEST_F(ItemCheckTest, PriceFloorRefusesOnlyPricesBelowItWhenSwitchedOn) {
  const struct {
    const char* label;
    const char* check;  // field 24 of the quote configuration; nullptr: no F22R0.DAT
    const char* record;
    const char* price;
    int accepted;
  } cases[] = {
      {"equal_to_floor_passes", "1", "1", "90,00", 1},
      {"below_floor_fails", "1", "1", "89,99", 0},
      {"four_decimals_below", "1", "1", "89,9999", 0},
      {"switch_off_any_price", "0", "1", "0,01", 1},
      {"switch_blank_is_off", "", "1", "0,01", 1},
      {"no_configuration_is_off", nullptr, "1", "0,01", 1},
      {"no_discount_floor_is_price", "1", "0", "49,99", 0},
      {"unreadable_product_floor_zero", "1", "57", "0,01", 1},
      {"negative_record_floor_zero", "1", "-1", "0,01", 1},
  };
  for (const auto& c : cases) {
    if (c.check)
      world_.WriteQuoteConfig(c.check);
    else
      PlatRemove(kKindConfigFile);
    DocumentForm form;
    Enter(form, "P1", "Produto um", "1", c.price, c.record);
    MessageRecorder messages;
    EXPECT_EQ(CheckItem(form), c.accepted) << c.label;
    EXPECT_EQ(form.items.size(), (std::size_t)c.accepted) << c.label;
    EXPECT_EQ(messages.messages().size(), c.accepted ? 0u : 1u) << c.label;
  }
}

TEST_F(ItemCheckTest, PriceFloorIsPriceLessTheLargestDiscount) {
  world_.WriteProducts({{"A", "a", "100,00", "10"},
                        {"B", "b", "1.234,56", "7,5"},   // 1141,968 rounds to 1141,97
                        {"C", "c", "", ""},
                        {"D", "d", "10,00", "100"}});
  EXPECT_DOUBLE_EQ(PriceFloor(0), 90.0);
  EXPECT_DOUBLE_EQ(PriceFloor(1), 1141.97);
  EXPECT_DOUBLE_EQ(PriceFloor(2), 0.0);
  EXPECT_DOUBLE_EQ(PriceFloor(3), 0.0);
  EXPECT_DOUBLE_EQ(PriceFloor(9), 0.0);  // beyond the file
}

TEST_F(ItemCheckTest, AcceptedItemLineHasTheExactLayout) {
  world_.WriteQuoteConfig("0");
  DocumentForm form;
  Enter(form, "P1", "Produto um", "1.234,5", "2", "1");
  ASSERT_EQ(CheckItem(form), 1);
  ASSERT_EQ(form.items.size(), 1u);
  const std::string expected = std::string("P1            ") +   // code, 14
                               "Produto um                    " +  // description, 30
                               " 1.234,500" +                      // quantity, 10
                               "        2,00" +                    // unit price, 12
                               "         2.469,00" +               // item total, 17
                               "        " +                        // 8 blanks
                               "   " + "0" +                       // CST, tax kind
                               "0.00     0.00     0.00     0.00     0.00     " +  // amounts
                               "    " + "1    " + "1";             // CFOP, sequence, record
  EXPECT_EQ(form.items[0], expected);
  EXPECT_EQ(GetSlot(form, kSlotRunningTotal), "2.469,00");
  EXPECT_EQ(GetSlot(form, kSlotLineCount), "1");
  EXPECT_EQ(GetSlot(form, kSlotLastSequence), "1");
}

TEST_F(ItemCheckTest, ItemLineCarriesCodesRatesAndCutsLongTexts) {
  world_.WriteQuoteConfig("0");
  const struct {
    const char* label;
    std::vector<std::pair<int, std::string>> slots;
    int position;
    std::string expected;
  } cases[] = {
      {"code_cut_to_13", {{kSlotCode, "ABCDEFGHIJKLMNOPQRST"}}, 0, "ABCDEFGHIJKLM "},
      {"description_cut_to_30", {{kSlotDescription, std::string(40, 'd')}}, 14, std::string(30, 'd')},
      {"cst_and_tax_kind", {{kSlotIcmsCst, "060"}, {kSlotTaxKind, "2"}}, 91, "0602"},
      {"unknown_tax_kind_is_0", {{kSlotTaxKind, "7"}}, 94, "0"},
      {"rates_in_their_columns",
       {{kSlotIcmsRate, "18"}, {kSlotIcmsBasePct, "100"}, {kSlotStRate, "-12,5"},
        {kSlotStBasePct, "140"}, {kSlotIpiRate, "5"}},
       95, "100.00   18.00    5.00     140.00   12.50    "},
      {"st_base_needs_st_rate", {{kSlotStBasePct, "140"}}, 122, "0.00     0.00     "},
      {"huge_rate_cannot_shift_columns", {{kSlotIcmsRate, "123456789"}, {kSlotItemCfop, "5102"}},
       104, "123456789" "0.00     0.00     0.00     5102"},
      {"cfop_cut_to_4", {{kSlotItemCfop, "510299"}}, 140, "51021    "},
  };
  for (const auto& c : cases) {
    DocumentForm form;
    Enter(form, "P1", "Produto um", "1", "1");
    for (const auto& [slot, text] : c.slots) SetSlot(form, slot, text);
    ASSERT_EQ(CheckItem(form), 1) << c.label;
    EXPECT_EQ(Cols(form.items[0], c.position, (int)c.expected.size()), c.expected) << c.label;
    EXPECT_EQ(Cols(form.items[0], 144, 5), "1    ") << c.label;  // positions after stay put
  }
}

TEST_F(ItemCheckTest, ItemsAreNumberedAndTotalledInOrder) {
  world_.WriteQuoteConfig("0");
  DocumentForm form;
  const char* prices[] = {"1,10", "2,20", "3,30"};
  for (const char* price : prices) {
    Enter(form, "P1", "Produto um", "3", price, "1");
    ASSERT_EQ(CheckItem(form), 1);
  }
  // a refused item counts nowhere
  Enter(form, "P1", "Produto um", "0", "1");
  {
    MessageRecorder messages;
    EXPECT_EQ(CheckItem(form), 0);
  }
  ASSERT_EQ(form.items.size(), 3u);
  EXPECT_EQ(Cols(form.items[2], 144, 5), "3    ");  // the digit and four blanks
  EXPECT_EQ(Cols(form.items[0], 144, 5), "1    ");
  EXPECT_EQ(GetSlot(form, kSlotRunningTotal), "19,80");
  EXPECT_EQ(GetSlot(form, kSlotLineCount), "3");
  EXPECT_EQ(GetSlot(form, kSlotLastSequence), "3");
}

TEST_F(ItemCheckTest, AcceptedItemResetsTheEntrySlots) {
  world_.WriteQuoteConfig("0");
  DocumentForm form;
  Enter(form, "P1", "Produto um", "2", "5");
  for (int slot : {kSlotTaxKind, kSlotItemCfop, kSlotIcmsCst, kSlotIcmsRate, kSlotIcmsBasePct,
                   kSlotStRate, kSlotStBasePct, kSlotIpiRate})
    SetSlot(form, slot, "9");
  const int past_entry = kSlotIpiRate + 1;  // the first slot after the entry range
  SetSlot(form, past_entry, "keep");
  ASSERT_EQ(CheckItem(form), 1);
  for (int slot = kSlotCode; slot <= kSlotIpiRate; ++slot) {
    if (slot == kSlotQuantity || slot == kSlotUnitPrice) continue;
    EXPECT_EQ(GetSlot(form, slot), "") << slot;
  }
  EXPECT_EQ(GetSlot(form, kSlotQuantity), "1,000");
  EXPECT_EQ(GetSlot(form, kSlotUnitPrice), "0,00");
  EXPECT_EQ(GetSlot(form, kSlotEntryReserved), "0,00");
  EXPECT_EQ(GetSlot(form, past_entry), "keep");
}

}  // namespace
