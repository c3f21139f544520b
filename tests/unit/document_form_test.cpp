// The document form: slots, item list and the slot normalisers.
#include <gtest/gtest.h>

#include <string>

#include "documents/document_form.h"

namespace {

TEST(DocumentForm, UnsetSlotReadsEmpty) {
  DocumentForm form;
  EXPECT_EQ(GetSlot(form, kSlotDocTotal), "");
  EXPECT_TRUE(form.slots.empty()) << "reading creates no slot";
  SetSlot(form, kSlotDocTotal, "190,00");
  EXPECT_EQ(GetSlot(form, kSlotDocTotal), "190,00");
  std::string out = "old";
  EXPECT_EQ(GetSlot(form, kSlotDocTotal, out, 3), "190");
  EXPECT_EQ(GetSlot(form, kSlotRemark, out, 3), "");
  EXPECT_EQ(GetSlot(form, kSlotDocTotal, out, -1), "190,00");
}

TEST(DocumentForm, ClearSlotsEmptiesTheRangeOnly) {
  DocumentForm form;
  const int before = kSlotFirst - 1, after = kSlotLast + 1;
  for (int id : {before, kSlotFirst, kSlotRemark, kSlotLast, after}) SetSlot(form, id, "x");
  ClearSlots(form, kSlotFirst, kSlotLast);
  EXPECT_EQ(GetSlot(form, before), "x");
  EXPECT_EQ(GetSlot(form, kSlotFirst), "");
  EXPECT_EQ(GetSlot(form, kSlotRemark), "");
  EXPECT_EQ(GetSlot(form, kSlotLast), "");
  EXPECT_EQ(GetSlot(form, after), "x");
  ClearSlots(form, after + 100, after);
  EXPECT_EQ(GetSlot(form, after), "x") << "an empty range clears nothing";
}

TEST(DocumentForm, ItemListKeepsInsertionOrder) {
  DocumentForm form;
  AddItemLine(form, "b");
  AddItemLine(form, "a");
  AddItemLine(form, "c");
  ASSERT_EQ(form.items.size(), 3u);
  EXPECT_EQ(form.items[0], "b");
  EXPECT_EQ(form.items[1], "a");
  EXPECT_EQ(form.items[2], "c");
  ClearItems(form);
  EXPECT_TRUE(form.items.empty());
}

TEST(DocumentForm, SlotNormalisersWriteBackTheirText) {
  struct Case {
    const char* name;
    std::string text;
    int places;
    int drop_sign;
    double want;
    std::string shown;
  } cases[] = {
      {"slots have no text limit", "12345678,9", 2, 0, 12345678.9, "12.345.678,90"},
      {"quantity", "-2", 3, 1, 2, "2,000"},
      {"unset slot", "", 2, 0, 0, "0,00"},
  };
  for (const auto& c : cases) {
    DocumentForm form;
    if (!c.text.empty()) SetSlot(form, kSlotQuantity, c.text);
    EXPECT_DOUBLE_EQ(GetNumItem(form, kSlotQuantity, c.places, c.drop_sign), c.want) << c.name;
    EXPECT_EQ(GetSlot(form, kSlotQuantity), c.shown) << c.name;
  }

  DocumentForm form;
  SetSlot(form, kSlotUnitPrice, "1,23456");
  EXPECT_DOUBLE_EQ(GetNumItemVar(form, kSlotUnitPrice, 2, 4, 1), 1.2346);
  EXPECT_EQ(GetSlot(form, kSlotUnitPrice), "1,2346");

  EXPECT_EQ(GetIntItem(form, kSlotLastSequence), 0) << "an unset count reads as 0";
  EXPECT_EQ(GetSlot(form, kSlotLastSequence), "0");
  SetSlot(form, kSlotLastSequence, "  42abc");
  EXPECT_EQ(GetIntItem(form, kSlotLastSequence), 42);
  EXPECT_EQ(GetSlot(form, kSlotLastSequence), "42");
  SetSlot(form, kSlotProductRecord, "-17");
  EXPECT_EQ(GetUIntItem(form, kSlotProductRecord), 17);
  EXPECT_EQ(GetSlot(form, kSlotProductRecord), "17");
  SetIntItem(form, kSlotLineCount, 3);
  EXPECT_EQ(GetSlot(form, kSlotLineCount), "3");

  SetSlot(form, kSlotItemCfop, "5.1-02");
  DigitsOnlyItem(form, kSlotItemCfop);
  EXPECT_EQ(GetSlot(form, kSlotItemCfop), "5102");

  // no slot of the form holds a month: any one shows the normaliser
  SetSlot(form, kSlotRemark, "3/2026");
  EXPECT_EQ(NormMonthYear(form, kSlotRemark, 2026), 1);
  EXPECT_EQ(GetSlot(form, kSlotRemark), "03/2026");
  SetSlot(form, kSlotRemark, "14/2026");
  EXPECT_EQ(NormMonthYear(form, kSlotRemark, 2026), 0);
  EXPECT_EQ(GetSlot(form, kSlotRemark), "");
}

}  // namespace
