// The document form: slots, item list and the slot normalisers.
#include <gtest/gtest.h>

#include <string>

#include "documents/document_form.h"

namespace {

TEST(DocumentForm, UnsetSlotReadsEmpty) {
  DocumentForm form;
  EXPECT_EQ(GetSlot(form, 104), "");
  EXPECT_TRUE(form.slots.empty()) << "reading creates no slot";
  SetSlot(form, 104, "190,00");
  EXPECT_EQ(GetSlot(form, 104), "190,00");
  std::string out = "old";
  EXPECT_EQ(GetSlot(form, 104, out, 3), "190");
  EXPECT_EQ(GetSlot(form, 999, out, 3), "");
  EXPECT_EQ(GetSlot(form, 104, out, -1), "190,00");
}

TEST(DocumentForm, ClearSlotsEmptiesTheRangeOnly) {
  DocumentForm form;
  for (int id : {99, 100, 150, 199, 200}) SetSlot(form, id, "x");
  ClearSlots(form, 100, 199);
  EXPECT_EQ(GetSlot(form, 99), "x");
  EXPECT_EQ(GetSlot(form, 100), "");
  EXPECT_EQ(GetSlot(form, 150), "");
  EXPECT_EQ(GetSlot(form, 199), "");
  EXPECT_EQ(GetSlot(form, 200), "x");
  ClearSlots(form, 300, 200);
  EXPECT_EQ(GetSlot(form, 200), "x") << "an empty range clears nothing";
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
    if (!c.text.empty()) SetSlot(form, 101, c.text);
    EXPECT_DOUBLE_EQ(GetNumItem(form, 101, c.places, c.drop_sign), c.want) << c.name;
    EXPECT_EQ(GetSlot(form, 101), c.shown) << c.name;
  }

  DocumentForm form;
  SetSlot(form, 102, "1,23456");
  EXPECT_DOUBLE_EQ(GetNumItemVar(form, 102, 2, 4, 1), 1.2346);
  EXPECT_EQ(GetSlot(form, 102), "1,2346");

  EXPECT_EQ(GetIntItem(form, 133), 0) << "an unset count reads as 0";
  EXPECT_EQ(GetSlot(form, 133), "0");
  SetSlot(form, 133, "  42abc");
  EXPECT_EQ(GetIntItem(form, 133), 42);
  EXPECT_EQ(GetSlot(form, 133), "42");
  SetSlot(form, 108, "-17");
  EXPECT_EQ(GetUIntItem(form, 108), 17);
  EXPECT_EQ(GetSlot(form, 108), "17");
  SetIntItem(form, 132, 3);
  EXPECT_EQ(GetSlot(form, 132), "3");

  SetSlot(form, 111, "5.1-02");
  DigitsOnlyItem(form, 111);
  EXPECT_EQ(GetSlot(form, 111), "5102");

  SetSlot(form, 100, "3/2026");
  EXPECT_EQ(NormMonthYear(form, 100, 2026), 1);
  EXPECT_EQ(GetSlot(form, 100), "03/2026");
  SetSlot(form, 100, "14/2026");
  EXPECT_EQ(NormMonthYear(form, 100, 2026), 0);
  EXPECT_EQ(GetSlot(form, 100), "");
}

}  // namespace
