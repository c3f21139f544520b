// The document form: the title, numbered text slots and item list through
// which the Palm import hands an order to the item check and to SaveDoc. The
// Palm dialog owns one; tests and vri-batch build one directly.
//
// A slot nothing has set reads as the empty text; slots have no text limit.
// The *Item operations normalise a slot exactly as they normalise a dialog
// field (codecs/number.h, codecs/date.h): read, convert, write back, and
// return the value of the text left in the slot.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct DocumentForm {
  // The dialog caption; its first character carries the payment type while
  // a quote is saved ("0 - À Vista", "1 - À Prazo").
  std::string title;
  // Numbered text slots, named below (kSlot...).
  std::map<int, std::string> slots;
  // Item lines in the order they were added.
  std::vector<std::string> items;
  // Owner of the messages shown about the form (the Palm dialog); nullptr:
  // the active window.
  PlatWindow owner = nullptr;
};

// ---------------------------------------------------------------------------
// The slots, named by the step that writes them. Every slot of the form is
// named here and nowhere else; callers use the names.
//
// A Palm order passes through one form in two phases: first its items, one
// at a time, through the item check (the item being checked, the running
// totals), then its header for SaveDoc (the order's header, the amounts).
// Some numbers serve both phases under two names (listed at the end); the
// import empties kSlotFirst..kSlotLast between the phases and again after
// SaveDoc, so nothing of the last item is ever read as a header value. A
// caller that fills a form itself (the tests, the documents bench) clears
// them the same way.
constexpr int kSlotFirst = 100;
constexpr int kSlotLast = 199;

// The item being checked: the import writes them for each item, CheckItem
// reads them, ResetItemEntry empties 100..124 and writes 101, 102 and 130.
constexpr int kSlotCode = 100;            // product code: 20 for the check, 13 in the line
constexpr int kSlotQuantity = 101;        // 3 decimals, written back
constexpr int kSlotUnitPrice = 102;       // 2 to 4 decimals, written back
constexpr int kSlotDescription = 103;     // 40 for the check, 30 in the line
constexpr int kSlotTaxKind = 106;         // '0', '1' or '2'; anything else is '0'
constexpr int kSlotProductRecord = 108;   // record number in F15R1.DAT
constexpr int kSlotItemCfop = 111;        // up to 4 characters
constexpr int kSlotIcmsCst = 112;         // up to 3 characters
constexpr int kSlotIcmsRate = 120;
constexpr int kSlotIcmsBasePct = 121;
constexpr int kSlotStRate = 122;
constexpr int kSlotStBasePct = 123;       // counts only with an ST rate above 0
constexpr int kSlotIpiRate = 124;
constexpr int kSlotEntryReserved = 130;   // the entry reset writes "0,00"

// Running totals of the item list, kept by CheckItem.
constexpr int kSlotRunningTotal = 131;    // sum of quantity x unit price, 2 decimals
constexpr int kSlotLineCount = 132;
constexpr int kSlotLastSequence = 133;

// The order's header: the import writes them after the clear, SaveDoc reads
// them into the parent and remark records.
constexpr int kSlotDiscountPercent = 101; // 4 decimals; SaveDoc does not read it
constexpr int kSlotDocTotal = 104;        // parent field 18, 18 characters
constexpr int kSlotInstalmentAmount = 110;  // parent field 30, 18 characters
constexpr int kSlotCashCode = 111;        // parent field 24, 3 characters
constexpr int kSlotConditionCode = 113;   // parent field 25, 3 characters
constexpr int kSlotParentCode = 130;      // parent field 13, 1 character
constexpr int kSlotRemark = 150;          // remark record, 100 characters
constexpr int kSlotParentFlag = 160;      // parent field 26, 1 character
constexpr int kSlotParentCode1 = 161;     // parent fields 27..29: 161..163, 3 characters each

// The amounts: document totals that ItemTaxes reads (two decimals, written
// back) while SaveDoc spreads them over the items. The Palm import types
// none of them: its orders have no charges and no tax totals.
constexpr int kSlotProductsTotal = 100;   // weight total of the spreading
constexpr int kSlotDiscount = 102;
constexpr int kSlotCharge1 = 131;
constexpr int kSlotCharge2 = 132;
constexpr int kSlotCharge3 = 133;
constexpr int kSlotStBaseTotal = 144;     // empty: no typed total, nothing spread
constexpr int kSlotStValueTotal = 145;
constexpr int kSlotIpiValueTotal = 147;

// The main document window of the larger product's own jobs (a form of its
// own, not the Palm dialog's): its slot 104 tells the kind (DocKind).
constexpr int kKindSlot = 104;

// The numbers with two meanings, one in each phase of the import; the clear
// between the phases keeps them apart:
//   100  product code (item)       / products total (amounts)
//   101  quantity (item)           / discount percent (header)
//   102  unit price (item)         / discount (amounts)
//   111  item CFOP (item)          / cash code (header)
//   130  entry reserved (item)     / parent code (header)
//   131  running total (totals)    / charge 1 (amounts)
//   132  line count (totals)       / charge 2 (amounts)
//   133  last sequence (totals)    / charge 3 (amounts)
static_assert(kSlotCode == kSlotProductsTotal && kSlotQuantity == kSlotDiscountPercent &&
              kSlotUnitPrice == kSlotDiscount && kSlotItemCfop == kSlotCashCode &&
              kSlotEntryReserved == kSlotParentCode && kSlotRunningTotal == kSlotCharge1 &&
              kSlotLineCount == kSlotCharge2 && kSlotLastSequence == kSlotCharge3);

// Text of slot id; the empty text when nothing has set it.
const std::string& GetSlot(const DocumentForm& form, int id);

// out becomes at most the first max_chars characters of slot id (the whole
// text when max_chars < 0). Returns out.
std::string& GetSlot(const DocumentForm& form, int id, std::string& out, int max_chars);

// Slot id holds text from now on.
void SetSlot(DocumentForm& form, int id, const std::string& text);

// Empties every slot numbered first to last (both included).
void ClearSlots(DocumentForm& form, int first, int last);

// Appends one line to the item list. Empties the item list.
void AddItemLine(DocumentForm& form, const std::string& line);
void ClearItems(DocumentForm& form);

// Slot id replaced by its digits (first 20 characters read).
void DigitsOnlyItem(DocumentForm& form, int id);

// Integer of slot id (first 9 characters, ToInt); the slot becomes "%d" of it.
int GetIntItem(DocumentForm& form, int id);
// As GetIntItem with the sign dropped; the slot becomes "%u" of it.
int GetUIntItem(DocumentForm& form, int id);
// Slot id becomes value written with "%ld".
void SetIntItem(DocumentForm& form, int id, long value);

// Number of slot id (first 20 characters, ParseNum; sign dropped when
// drop_sign is nonzero); the slot becomes its decimal text with places
// decimals. Returns the value as shown, rounded to places.
double GetNumItem(DocumentForm& form, int id, int places, int drop_sign);
// As GetNumItem with as many places from least to most as the value needs.
double GetNumItemVar(DocumentForm& form, int id, int least, int most, int drop_sign);

// Slot id rewritten as month/year text, or emptied when it holds none (the
// month alone is taken in current_year). Returns 1 when it holds one, else 0.
int NormMonthYear(DocumentForm& form, int id, int current_year);
