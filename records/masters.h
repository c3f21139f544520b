// Layouts of the larger product's master files and one reader per master.
// The layouts are binding (the files are shared): every offset follows from
// the widths, and each table is checked against its record length here.
// Readers never show messages: a missing file, an empty company code
// (company-folder files), a negative record number, a field index outside
// the table or a record beyond the end give an empty text and 0.
#pragma once

#include <array>
#include <string>

#include "platform/platform.h"
#include "records/catalogue.h"
#include "records/record_file.h"

// True when the first `count` widths of a and b are equal.
constexpr bool SameWidths(WidthTable a, WidthTable b, int count) {
  if ((int)a.size() < count || (int)b.size() < count) return false;
  for (int i = 0; i < count; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// ---------------------------------------------------------------------------
// Person layout: fields 0..26 of the company, supplier and customer masters.
constexpr int kPersonFieldCount = 27;
inline constexpr std::array<int, kPersonFieldCount> kPersonWidths = {
    11, 40, 40, 40, 5, 18, 7, 30, 9, 30, 2, 3, 3, 1, 1, 10, 18, 18, 4, 41, 23, 18, 60, 60, 10, 10, 40};
static_assert(SumWidths(kPersonWidths) == 552);

constexpr int kPersonCode = 0;       // look-ups compare its first 10 characters
constexpr int kPersonName = 1;
constexpr int kPersonStreet = 3;
constexpr int kPersonDistrict = 7;
constexpr int kPersonCep = 8;
constexpr int kPersonCity = 9;
constexpr int kPersonState = 10;     // UF, two letters
constexpr int kPersonSituation = 14; // suppliers and customers
constexpr int kPersonCnpj = 16;      // CNPJ, or CPF (a CNPJ has more than 14 characters)
constexpr int kPersonIe = 17;
constexpr int kPersonAreaCode = 18;
constexpr int kPersonPhone = 19;
constexpr int kPersonIm = 21;

// Company master F00R0.DAT, 39 fields.
inline constexpr std::array<int, 39> kCompanyWidths = {
    11, 40, 40, 40, 5, 18, 7, 30, 9, 30, 2, 3, 3, 1, 1, 10, 18, 18, 4, 41, 23, 18, 60, 60, 10, 10, 40,
    10, 51, 18, 7, 2, 1, 1, 1, 1, 1, 354, 1};
static_assert(SumWidths(kCompanyWidths) == kCompanyRecordLength);
static_assert(SameWidths(kCompanyWidths, kPersonWidths, kPersonFieldCount));

// Supplier file F01R0.DAT, 34 fields.
inline constexpr std::array<int, 34> kSupplierWidths = {
    11, 40, 40, 40, 5, 18, 7, 30, 9, 30, 2, 3, 3, 1, 1, 10, 18, 18, 4, 41, 23, 18, 60, 60, 10, 10, 40,
    60, 1, 1, 1, 98, 100, 1};
static_assert(SumWidths(kSupplierWidths) == kSupplierRecordLength);
static_assert(SameWidths(kSupplierWidths, kPersonWidths, kPersonFieldCount));

// Customer file F02R1.DAT, 38 fields.
inline constexpr std::array<int, 38> kCustomerWidths = {
    11, 40, 40, 40, 5, 18, 7, 30, 9, 30, 2, 3, 3, 1, 1, 10, 18, 18, 4, 41, 23, 18, 60, 60, 10, 10, 40,
    40, 21, 3, 5, 18, 4, 56, 100, 100, 100, 1};
static_assert(SumWidths(kCustomerWidths) == kCustomerRecordLength);
static_assert(SameWidths(kCustomerWidths, kPersonWidths, kPersonFieldCount));
constexpr int kCustomerExportNumber = 31;  // decimal number, exported x 100

// Seller file F08R0.DAT (company folder), 10 fields.
inline constexpr std::array<int, 10> kSellerWidths = {11, 40, 1, 5, 5, 18, 3, 97, 119, 1};
static_assert(SumWidths(kSellerWidths) == kSellerRecordLength);
constexpr int kSellerCode = 0;
constexpr int kSellerName = 1;
constexpr int kSellerSituation = 2;

// Payment-method file F14R0.DAT, 47 fields.
inline constexpr std::array<int, 47> kPaymentWidths = {
    11, 40, 2, 2, 10, 5, 5, 7, 2, 5, 10, 1, 2, 5, 5, 18, 18, 10, 10,
    2, 2, 3, 2, 2, 3, 2, 2, 3, 2, 2, 3, 2, 2, 3, 2, 2, 3,
    2, 2, 1, 1, 1, 1, 1, 1, 90, 1};
static_assert(SumWidths(kPaymentWidths) == kPaymentRecordLength);
constexpr int kPaymentCode = 0;
constexpr int kPaymentName = 1;
constexpr int kPaymentKind = 2;  // 1st char: direction of trade; 2nd: kind of payment

// Product file F15R1.DAT (company folder), 65 fields.
inline constexpr std::array<int, 65> kProductWidths = {
    20, 40, 1, 1, 14, 5, 20, 6, 80, 19, 2, 10, 3, 3, 14, 5, 1, 5, 1, 3,
    9, 10, 8, 10, 10, 1, 1, 1, 89, 18, 18, 18, 18, 18, 18, 18, 36, 5, 5, 5,
    6, 5, 6, 6, 5, 16, 16, 5, 6, 7, 1, 3, 3, 2, 2, 2, 1, 2, 3, 5,
    1, 27, 100, 100, 1};
static_assert(SumWidths(kProductWidths) == kProductRecordLength);
constexpr int kProductCode = 0;        // the Palm export uses its first 10 characters
constexpr int kProductDescription = 1;
constexpr int kProductClass = 2;       // one digit; the Palm export takes class 0
constexpr int kProductSituation = 3;
constexpr int kProductUnit = 7;
constexpr int kProductStock = 30;
constexpr int kProductPrice = 34;
constexpr int kProductMaxDiscount = 38;  // percent
constexpr int kProductPisRate = 45;
constexpr int kProductCofinsRate = 46;
constexpr int kProductIss = 50;        // service taxed by ISS when its value is not 0
constexpr int kProductIpiCst = 53;
constexpr int kProductPisCst = 54;
constexpr int kProductCofinsCst = 55;

// Configuration file F22R0.DAT: one record per company and document kind, 49 fields.
inline constexpr std::array<int, 49> kKindConfigWidths = {
    10, 10, 3, 2, 37, 3, 10, 5, 5, 5, 5, 2, 1, 200, 1, 1, 1, 1, 77, 1,
    2, 1, 1, 1, 1, 2, 2, 1, 2, 3, 2, 4, 5, 5, 5, 5, 1, 3, 1, 1,
    1, 100, 5, 5, 5, 5, 1, 449, 1};
static_assert(SumWidths(kKindConfigWidths) == kKindConfigRecordLength);
constexpr int kKindConfigCompany = 0;
constexpr int kKindConfigKindKey = 1;
constexpr int kKindConfigMinPriceCheck = 24;  // "1" = on

// Operation-code file F25R0.DAT (CFOP), 13 fields.
inline constexpr std::array<int, 13> kCfopWidths = {11, 40, 5, 180, 1, 1, 1, 1, 1, 1, 114, 200, 1};
static_assert(SumWidths(kCfopWidths) == kCfopRecordLength);
static_assert(FieldOffset(kCfopWidths, 2) == kCfopKeyOffset);
constexpr int kCfopCode = 0;
constexpr int kCfopDescription = 1;
constexpr int kCfopNumber = 2;    // first digit: direction
constexpr int kCfopTaxed = 4;     // one digit; empty counts as 1

// Parent record (type '0') of the yearly document files, 53 fields.
inline constexpr std::array<int, 53> kParentWidths = {
    1, 10, 1, 1, 10, 10, 2, 4, 3, 10, 10, 10, 4, 1, 1, 1, 1, 9, 18, 3,
    1, 5, 5, 5, 3, 3, 1, 3, 3, 3, 18, 10, 10, 10, 10, 10, 5, 3, 11, 11,
    16, 16, 16, 16, 1, 10, 7, 10, 1, 1, 1, 64, 1};
static_assert(SumWidths(kParentWidths) == kDocumentRecordLength);
constexpr int kParentType = 0;
constexpr int kParentNumber = 1;       // the parent's own record number
constexpr int kParentKindLetter = 2;
constexpr int kParentDirection = 3;
constexpr int kParentIssueDate = 4;
constexpr int kParentCustomer = 5;
constexpr int kParentDocNumber = 9;
constexpr int kParentSecondDate = 11;
constexpr int kParentPaymentType = 15;
constexpr int kParentTotal = 18;
constexpr int kParentFlag = 20;
constexpr int kParentSeller = 22;
constexpr int kParentCashCode = 24;
constexpr int kParentConditionCode = 25;
constexpr int kParentInstalmentAmount = 30;
constexpr int kParentLastItem = 31;
constexpr int kParentRemark = 32;
static_assert(FieldOffset(kParentWidths, kParentLastItem) == 160);
static_assert(FieldOffset(kParentWidths, kParentRemark) == 170);

// The layouts with their field offsets, for readers of whole records.
inline constexpr RecordLayout kCompanyLayout = LayoutOf<kCompanyWidths>(kCompanyRecordLength);
inline constexpr RecordLayout kSupplierLayout = LayoutOf<kSupplierWidths>(kSupplierRecordLength);
inline constexpr RecordLayout kCustomerLayout = LayoutOf<kCustomerWidths>(kCustomerRecordLength);
inline constexpr RecordLayout kSellerLayout = LayoutOf<kSellerWidths>(kSellerRecordLength);
inline constexpr RecordLayout kPaymentLayout = LayoutOf<kPaymentWidths>(kPaymentRecordLength);
inline constexpr RecordLayout kProductLayout = LayoutOf<kProductWidths>(kProductRecordLength);
inline constexpr RecordLayout kCfopLayout = LayoutOf<kCfopWidths>(kCfopRecordLength);
inline constexpr RecordLayout kParentLayout = LayoutOf<kParentWidths>(kDocumentRecordLength);

// IsActiveRecord file types: the larger product's catalogue numbers.
constexpr int kFileTypeSupplier = 1;
constexpr int kFileTypeCustomer = 2;
constexpr int kFileTypeSeller = 8;
constexpr int kFileTypeProduct = 15;

// ReadPartyField parties.
constexpr int kPartySupplier = 0;
constexpr int kPartyCustomer = 1;

// ---------------------------------------------------------------------------
// Readers: ReadField on the master's file (stream of that file, or nullptr to
// open it by name), fixed record length and widths. 1 and the text without
// trailing blanks; 0 and an empty text otherwise.
int ReadCompanyField(PlatStream* stream, int record, std::string& text, int field);
int ReadSupplierField(PlatStream* stream, int record, std::string& text, int field);
int ReadCustomerField(PlatStream* stream, int record, std::string& text, int field);
int ReadSellerField(PlatStream* stream, int record, std::string& text, int field);   // R00\<code>\F08R0.DAT
int ReadPaymentField(PlatStream* stream, int record, std::string& text, int field);
int ReadProductField(PlatStream* stream, int record, std::string& text, int field);  // R00\<code>\F15R1.DAT
int ReadCfopField(PlatStream* stream, int record, std::string& text, int field);

// Party 0 reads the supplier file, party 1 the customer file; any other
// party gives an empty text and 0.
int ReadPartyField(PlatStream* stream, int record, std::string& text, int field, int party);

// Reads the situation of record `record` of a master (`stream` of that file
// or nullptr): type 1 supplier field 14, 2 customer field 14, 8 seller field
// 2, 15 product field 3; other types read nothing. The situation is
// normalised ("1", and for customers also "2" and "9", stay; anything else,
// an empty field or a failed read become "0"). Returns 1 when `wanted` is
// empty (no test) or equals it, else 0; callers ask for "0" (active).
int IsActiveRecord(PlatStream* stream, int record, int file_type, const std::string& wanted);

// IsActiveRecord on a record read whole with its master's layout.
int IsActiveInRecord(const RecordBuffer& r, int file_type, const std::string& wanted);

// ReadField of the parent record layout (record length 400) of the document
// file `document_file` (or of `stream`).
int ReadParentField(PlatStream* stream, int record, std::string& text, int field,
                    const std::string& document_file);
