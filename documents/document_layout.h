// Layout of the yearly document files (L50A<year>.DAT, L54A<year>.DAT):
// records of 400 characters, each a parent (type '0'), item (type '1') or
// remark (type '2') record, followed by a 10-character record number (its
// own for a parent, its parent's for a child). The parent layout lives with
// the other shared layouts in records/masters.h; the children's are here,
// shared by the document store and its tests.
#pragma once

#include <array>

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

// Remark record (type '2'): type, parent number in 10, the remark text.
constexpr int kRemarkTextOffset = 11;
constexpr int kRemarkMaxLength = 100;

// Parent fields 30..33 are written as one text when the record is created.
constexpr int kParentInstalmentSpan = 48;
static_assert(FieldOffset(kParentWidths, kParentInstalmentAmount) == 142);
static_assert(FieldOffset(kParentWidths, 34) == 142 + kParentInstalmentSpan);
