// Layout of the yearly document files (L50A<year>.DAT, L54A<year>.DAT):
// records of 400 characters, each a parent (type '0'), item (type '1') or
// remark (type '2') record, followed by a 10-character record number (its
// own for a parent, its parent's for a child). The parent layout lives with
// the other shared layouts in records/masters.h; the children's are here,
// shared by the document store and its tests.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "records/catalogue.h"
#include "records/masters.h"
#include "records/record_file.h"

constexpr char kParentRecordType = '0';
constexpr char kItemRecordType = '1';
constexpr char kRemarkRecordType = '2';
constexpr int kLinkWidth = 10;  // record numbers: "%-10ld"

// Item record (type '1'), 37 fields.
inline constexpr std::array<int, 37> kItemWidths = {
    1, 10, 1, 14, 4, 1, 3, 2, 2, 2, 17, 17, 16, 16, 16, 16, 5, 17, 16, 5,
    17, 16, 5, 17, 16, 7, 17, 7, 17, 17, 17, 16, 16, 1, 27, 5, 1};
static_assert(SumWidths(kItemWidths) == kDocumentRecordLength);
constexpr int kItemType = 0;
constexpr int kItemParent = 1;
constexpr int kItemCode = 3;
constexpr int kItemCfop = 4;
constexpr int kItemTaxKind = 5;
constexpr int kItemIcmsCst = 6;
constexpr int kItemIpiCst = 7;
constexpr int kItemPisCst = 8;
constexpr int kItemCofinsCst = 9;
constexpr int kItemQuantity = 10;
constexpr int kItemGross = 11;
constexpr int kItemDiscount = 12;
constexpr int kItemCharge1 = 13;
constexpr int kItemCharge2 = 14;
constexpr int kItemCharge3 = 15;
constexpr int kItemIcmsRate = 16;
constexpr int kItemIcmsBase = 17;
constexpr int kItemIcmsValue = 18;
constexpr int kItemStRate = 19;
constexpr int kItemStBase = 20;
constexpr int kItemStValue = 21;
constexpr int kItemIpiRate = 22;
constexpr int kItemIpiBase = 23;
constexpr int kItemIpiValue = 24;
constexpr int kItemPisRate = 25;
constexpr int kItemPisBase = 26;
constexpr int kItemCofinsRate = 27;
constexpr int kItemCofinsBase = 28;
static_assert(FieldOffset(kItemWidths, kItemQuantity) == 40);
static_assert(FieldOffset(kItemWidths, kItemPisRate) == 252);
static_assert(FieldOffset(kItemWidths, 29) == 300);
static_assert(FieldOffset(kItemWidths, 34) == 367);

// Parent record (type '0'): kParentWidths and the fields its readers share
// are in records/masters.h; the fields only the document store fills are
// named here.
constexpr int kParentCode1 = 6;           // the caller's code 1, 2 characters
constexpr int kParentCode2 = 7;           // code 2, 4 characters
constexpr int kParentCode3 = 8;           // code 3, 3 characters
constexpr int kParentDocNumberTail = 10;  // blank: the number is written over 9 and 10
constexpr int kParentCode4 = 12;          // code 4, 4 characters
constexpr int kParentFormCode = 13;       // first character of the form's code slot
constexpr int kParentZero = 14;           // always '0'
constexpr int kParentKindFlag = 16;       // '0' for the kinds Vri saves
constexpr int kParentOperator = 19;       // operator number, three digits or empty
constexpr int kParentFormFlag = 26;       // the form's flag slot
constexpr int kParentFormCode1 = 27;      // 27..29: the form's three code slots
constexpr int kParentFormCodes = 3;
// The document number is written left-aligned over fields 9 and 10.
constexpr int kDocNumberSpan =
    kParentWidths[kParentDocNumber] + kParentWidths[kParentDocNumberTail];
static_assert(FieldOffset(kParentWidths, kParentCode1) == 33);
static_assert(FieldOffset(kParentWidths, kParentCode2) == 35);
static_assert(FieldOffset(kParentWidths, kParentCode3) == 39);
static_assert(FieldOffset(kParentWidths, kParentDocNumber) == 42 && kDocNumberSpan == 20);
static_assert(FieldOffset(kParentWidths, kParentCode4) == 72);
static_assert(FieldOffset(kParentWidths, kParentFormCode) == 76);
static_assert(FieldOffset(kParentWidths, kParentZero) == 77);
static_assert(FieldOffset(kParentWidths, kParentKindFlag) == 79);
static_assert(FieldOffset(kParentWidths, kParentOperator) == 107);
static_assert(FieldOffset(kParentWidths, kParentFormFlag) == 132);
static_assert(FieldOffset(kParentWidths, kParentFormCode1 + kParentFormCodes) == 142);

// Remark record (type '2'): type, parent number in 10, the remark text.
constexpr int kRemarkTextOffset = 11;
constexpr int kRemarkMaxLength = 100;

// Parent fields 30..33 are written as one text when the record is created.
constexpr int kParentInstalmentSpan = 48;
static_assert(FieldOffset(kParentWidths, kParentInstalmentAmount) == 142);
static_assert(FieldOffset(kParentWidths, 34) == 142 + kParentInstalmentSpan);

// The item line: one line of the document form's item list per accepted
// item, written by the item check (documents/item_check.h) and read by the
// document store. Fixed columns, then the product's record number in
// F15R1.DAT as "%ld", as long as it is.
struct LineColumn {
  int width;
  int keep;    // characters of the value written and read back
  bool right;  // right-aligned ("%10s"), else left-aligned ("%-14s")
};
inline constexpr std::array<LineColumn, 15> kLineColumns = {{
    {14, 13, false},  // product code
    {30, 30, false},  // description
    {10, 10, true},   // quantity text, as the check wrote it back
    {12, 12, true},   // unit-price text, as the check wrote it back
    {17, 16, true},   // item total, money text
    {8, 0, false},    // blank
    {3, 3, false},    // ICMS CST
    {1, 1, false},    // tax kind character
    {9, 9, false},    // ICMS base %, "%-9.2lf"
    {9, 9, false},    // ICMS rate
    {9, 9, false},    // IPI rate
    {9, 9, false},    // ST base %
    {9, 9, false},    // ST rate
    {4, 4, false},    // CFOP
    {5, 5, false},    // sequence number
}};
constexpr int kLineCode = 0;
constexpr int kLineDescription = 1;
constexpr int kLineQuantity = 2;
constexpr int kLineUnitPrice = 3;
constexpr int kLineTotal = 4;
constexpr int kLineBlank = 5;
constexpr int kLineIcmsCst = 6;
constexpr int kLineTaxKind = 7;
constexpr int kLineIcmsBasePct = 8;
constexpr int kLineIcmsRate = 9;
constexpr int kLineIpiRate = 10;
constexpr int kLineStBasePct = 11;
constexpr int kLineStRate = 12;
constexpr int kLineCfop = 13;
constexpr int kLineSequence = 14;
constexpr int kLineColumnCount = (int)kLineColumns.size();
constexpr int kLineRecordRead = 10;  // characters of the record number read back

// Offset of each column, and after the last one that of the record number.
inline constexpr std::array<int, kLineColumnCount + 1> kLineOffsets = [] {
  std::array<int, kLineColumnCount + 1> offsets{};
  for (int c = 0; c < kLineColumnCount; ++c)
    offsets[(std::size_t)c + 1] = offsets[(std::size_t)c] + kLineColumns[(std::size_t)c].width;
  return offsets;
}();
constexpr int LineOffset(int column) { return kLineOffsets[(std::size_t)column]; }
constexpr int kLineRecordAt = LineOffset(kLineColumnCount);
static_assert(kLineRecordAt == 149);
static_assert(LineOffset(kLineQuantity) == 44 && LineOffset(kLineUnitPrice) == 54);
static_assert(LineOffset(kLineIcmsCst) == 91 && LineOffset(kLineTaxKind) == 94);
static_assert(LineOffset(kLineIcmsBasePct) == 95 && LineOffset(kLineStRate) == 131);
static_assert(LineOffset(kLineCfop) == 140 && LineOffset(kLineSequence) == 144);
constexpr bool LineColumnsFit() {
  for (const LineColumn& c : kLineColumns)
    if (c.keep < 0 || c.keep > c.width) return false;
  return true;
}
static_assert(LineColumnsFit());

// Appends column `column` of an item line being built: `value` up to its
// first NUL, cut to the column's keep and blank-filled to its width on the
// column's side. Returns line.
inline std::string& AppendLineColumn(std::string& line, int column, std::string_view value) {
  const LineColumn& c = kLineColumns[(std::size_t)column];
  value = value.substr(0, value.find('\0'));
  if (value.size() > (std::size_t)c.keep) value = value.substr(0, (std::size_t)c.keep);
  const std::size_t fill = (std::size_t)c.width - value.size();
  if (c.right) line.append(fill, ' ');
  line.append(value);
  if (!c.right) line.append(fill, ' ');
  return line;
}

// What `line` holds of the keep characters of column `column` (of the
// record number with kLineColumnCount): fewer at the end of a short line,
// none beyond it.
inline std::string_view LineColumnText(std::string_view line, int column) {
  const std::size_t at = (std::size_t)LineOffset(column);
  const std::size_t keep = column < kLineColumnCount
                               ? (std::size_t)kLineColumns[(std::size_t)column].keep
                               : (std::size_t)kLineRecordRead;
  return at < line.size() ? line.substr(at, keep) : std::string_view();
}
