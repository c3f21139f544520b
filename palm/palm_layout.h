// The layout of the Palm exchange tables ("1 - OnSoft"): each table's
// columns in line order, as rows, and the fixed tables as rows of constant
// text. The export writes its lines from these rows alone, and the tests
// read a column's place from them. Every offset follows from the widths, and
// each table is checked against its line length here (the CR LF that ends
// every line is not counted).
#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <span>
#include <string_view>

#include "palm/palm_files.h"
#include "records/masters.h"

// What a column holds. A column never writes beyond its width: a longer
// value is cut, and a number too large for its digits is written as the
// largest that fits.
enum class PalmColumnKind : unsigned char {
  kBlank,       // blanks
  kText,        // `text`, left-aligned
  kLeft,        // the field's text, at most `cut` characters of it, left-aligned
  kRight,       // the field's text (its first `width` characters), right-aligned
  kTaxKind,     // "F" when the field's text (a CPF) has at most 14 characters, else "J"
  kDigitsOf,    // the first `width` digits of the field's text, zeros on the left
  kNumber,      // the field read as a number, times `scale`, rounded, in zero-filled digits
  kSeller,      // the seller-list entry of the line, at most `cut` characters, left-aligned
};

// One column of a table's line. Fields are those of the table's master
// record (records/masters.h); values are taken without trailing blanks.
struct PalmColumn {
  const char* name;  // what the column holds, for readers of the layout
  PalmColumnKind kind;
  int width;
  int field = -1;            // source field of the master record, or -1
  int cut = 0;               // kLeft, kSeller: at most this many characters (0: the width)
  const char* text = "";     // kText
  double scale = 1;          // kNumber
  // kNumber: a value above this (before scaling) is written as 0
  double zero_above = std::numeric_limits<double>::infinity();
};

constexpr PalmColumn PalmBlank(const char* name, int width) {
  return {name, PalmColumnKind::kBlank, width};
}
constexpr PalmColumn PalmText(const char* name, const char* text, int width) {
  return {name, PalmColumnKind::kText, width, -1, 0, text};
}
constexpr PalmColumn PalmLeft(const char* name, int field, int width, int cut = 0) {
  return {name, PalmColumnKind::kLeft, width, field, cut};
}
constexpr PalmColumn PalmRight(const char* name, int field, int width) {
  return {name, PalmColumnKind::kRight, width, field};
}
constexpr PalmColumn PalmTaxKind(const char* name, int field) {
  return {name, PalmColumnKind::kTaxKind, 1, field};
}
constexpr PalmColumn PalmDigitsOf(const char* name, int field, int width) {
  return {name, PalmColumnKind::kDigitsOf, width, field};
}
constexpr PalmColumn PalmNumber(const char* name, int field, int width, double scale,
                                double zero_above = std::numeric_limits<double>::infinity()) {
  return {name, PalmColumnKind::kNumber, width, field, 0, "", scale, zero_above};
}
constexpr PalmColumn PalmSeller(const char* name, int width, int cut) {
  return {name, PalmColumnKind::kSeller, width, -1, cut};
}

using PalmColumns = std::span<const PalmColumn>;

// Length of a line of `columns` (the sum of the widths).
constexpr int PalmLineLength(PalmColumns columns) {
  int sum = 0;
  for (const PalmColumn& c : columns) sum += c.width;
  return sum;
}

// Index of the column named `name`; -1 when there is none.
constexpr int PalmColumnIndex(PalmColumns columns, std::string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (name == columns[i].name) return (int)i;
  return -1;
}

// True when no two columns of a table share a name (a name finds one column).
constexpr bool PalmNamesUnique(PalmColumns columns) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (PalmColumnIndex(columns, columns[i].name) != (int)i) return false;
  return true;
}

// Offset of column `index` in the line (the sum of the widths before it);
// -1 when the index is outside the table.
constexpr int PalmColumnOffset(PalmColumns columns, int index) {
  if (index < 0 || index >= (int)columns.size()) return -1;
  int offset = 0;
  for (int i = 0; i < index; ++i) offset += columns[(std::size_t)i].width;
  return offset;
}

// ---------------------------------------------------------------------------
// Suppliers (Fornecedor) and customers (Cliente): one line per active
// record of the person master, fields 0..26 shared by both masters.
constexpr int kPalmProductCodeCut = 10;  // the Palm side keys products by ten characters
constexpr int kPalmCustomerRegion = 30;  // customers only
constexpr int kPalmPersonNumber = 31;    // customer number field; supplier text field read as one

inline constexpr auto kPalmCustomerColumns = std::to_array<PalmColumn>({
    PalmLeft("region", kPalmCustomerRegion, 14),
    PalmLeft("code", kPersonCode, 32),
    PalmText("zeros", "000000", 6),
    PalmLeft("field 26", 26, 60),
    PalmLeft("name", kPersonName, 60),
    PalmLeft("address", kPersonStreet, 80),
    PalmLeft("district", kPersonDistrict, 80),
    PalmLeft("city", kPersonCity, 40),
    PalmLeft("cep", kPersonCep, 10),
    PalmLeft("state", kPersonState, 2),
    PalmLeft("field 20", 20, 14, 14),
    PalmLeft("field 22", 22, 60),
    PalmTaxKind("tax kind", kPersonCnpj),
    PalmDigitsOf("tax number", kPersonCnpj, 14),
    PalmLeft("ie", kPersonIe, 38),
    PalmLeft("field 2", 2, 60),
    PalmLeft("area code", kPersonAreaCode, 4),
    PalmLeft("phone", kPersonPhone, 84, 24),
    PalmNumber("number", kPalmPersonNumber, 9, 100),
    PalmText("letter A", "A", 129),
    PalmText("one", "1", 6),
    PalmText("one again", "1", 14),
    PalmBlank("end", 1),
});

// Suppliers have no region: their first column is blank.
inline constexpr auto kPalmSupplierColumns = [] {
  auto columns = kPalmCustomerColumns;
  columns[0] = PalmBlank("region", columns[0].width);
  return columns;
}();

constexpr int kPalmPersonLineLength = 818;
static_assert(PalmLineLength(kPalmCustomerColumns) == kPalmPersonLineLength);
static_assert(PalmNamesUnique(kPalmCustomerColumns));
static_assert(PalmLineLength(kPalmSupplierColumns) == kPalmPersonLineLength);
static_assert(PalmNamesUnique(kPalmSupplierColumns));

// ---------------------------------------------------------------------------
// Products: four tables from one pass over the product master (class 0,
// active), Estoque with one line per product and seller.

inline constexpr auto kPalmProductColumns = std::to_array<PalmColumn>({
    PalmLeft("code", kProductCode, 19, kPalmProductCodeCut),
    PalmLeft("description", kProductDescription, 120),
    PalmLeft("unit", kProductUnit, 5, 5),
    PalmLeft("field 8", 8, 64, 64),
    PalmBlank("end", 1),
});
constexpr int kPalmProductLineLength = 209;
static_assert(PalmLineLength(kPalmProductColumns) == kPalmProductLineLength);
static_assert(PalmNamesUnique(kPalmProductColumns));

constexpr double kPalmLargestPrice = 9999;

inline constexpr auto kPalmPriceColumns = std::to_array<PalmColumn>({
    PalmText("one", "1", 6),
    PalmLeft("code", kProductCode, 10, kPalmProductCodeCut),
    PalmText("one again", "1", 14),
    PalmText("letter N", "N", 1),
    PalmNumber("price", kProductPrice, 7, 1000, kPalmLargestPrice),
    PalmText("ten", "0000010", 7),
    PalmText("9999990", "9999990", 7),
    PalmBlank("end", 1),
});
constexpr int kPalmPriceLineLength = 53;
static_assert(PalmLineLength(kPalmPriceColumns) == kPalmPriceLineLength);
static_assert(PalmNamesUnique(kPalmPriceColumns));

// The quantity twice: a stock above 99999,999 fills its eight digits.
inline constexpr auto kPalmStockColumns = std::to_array<PalmColumn>({
    PalmSeller("seller", 14, 5),
    PalmLeft("code", kProductCode, 10, kPalmProductCodeCut),
    PalmNumber("stock", kProductStock, 8, 1000),
    PalmNumber("stock again", kProductStock, 8, 1000),
    PalmBlank("end", 1),
});
constexpr int kPalmStockLineLength = 41;
static_assert(PalmLineLength(kPalmStockColumns) == kPalmStockLineLength);
static_assert(PalmNamesUnique(kPalmStockColumns));

inline constexpr auto kPalmProductExtraColumns = std::to_array<PalmColumn>({
    PalmLeft("code", kProductCode, 15, kPalmProductCodeCut),
    PalmLeft("field 4", 4, 14),
    PalmLeft("field 22", 22, 8),
    PalmBlank("blanks", 92),
    PalmRight("field 33", 33, 18),
    PalmLeft("field 50", kProductIss, 3),
    PalmLeft("field 51", 51, 3),
    PalmLeft("field 52", 52, 3),
    PalmLeft("field 53", kProductIpiCst, 3),
    PalmLeft("field 54", kProductPisCst, 3),
    PalmLeft("field 55", kProductCofinsCst, 3),
    PalmRight("field 39", 39, 6),
    PalmRight("field 40", 40, 6),
    PalmRight("field 41", 41, 6),
    PalmRight("field 42", 42, 6),
    PalmRight("field 43", 43, 6),
});
constexpr int kPalmProductExtraLineLength = 195;
static_assert(PalmLineLength(kPalmProductExtraColumns) == kPalmProductExtraLineLength);
static_assert(PalmNamesUnique(kPalmProductExtraColumns));

// ---------------------------------------------------------------------------
// Sellers (Vendedor) and the payment methods of sales (Condicao).

inline constexpr auto kPalmSellerColumns = std::to_array<PalmColumn>({
    PalmLeft("code", kSellerCode, 14),
    PalmLeft("name", kSellerName, 31, 30),
});
constexpr int kPalmSellerLineLength = 45;
static_assert(PalmLineLength(kPalmSellerColumns) == kPalmSellerLineLength);
static_assert(PalmNamesUnique(kPalmSellerColumns));

inline constexpr auto kPalmConditionColumns = std::to_array<PalmColumn>({
    PalmText("one", "1", 14),
    PalmLeft("code", kPaymentCode, 6, 6),
    PalmLeft("name", kPaymentName, 40),
    PalmText("100000", "100000", 6),
    PalmBlank("end", 1),
});
constexpr int kPalmConditionLineLength = 67;
static_assert(PalmLineLength(kPalmConditionColumns) == kPalmConditionLineLength);
static_assert(PalmNamesUnique(kPalmConditionColumns));

// ---------------------------------------------------------------------------
// The fixed tables: the same lines at every export, each a few texts, each
// left-aligned in its width ("PADRAO" names the default row of a table).

struct PalmFixedLine {
  PalmTable table;
  std::array<PalmColumn, 4> columns;  // unused ones have width 0
};

inline constexpr PalmFixedLine kPalmFixedLines[] = {
    {kPalmTipoOperacao, {{PalmText("code", "0", 6), PalmText("name", "VENDA À VISTA", 30),
                          PalmText("zero", "0", 129), PalmBlank("end", 1)}}},
    {kPalmTipoOperacao, {{PalmText("code", "1", 6), PalmText("name", "VENDA À PRAZO", 30),
                          PalmText("zero", "0", 129), PalmBlank("end", 1)}}},
    {kPalmTipoOperacao, {{PalmText("code", "8", 6), PalmText("name", "DEVOLUÇÃO", 30),
                          PalmText("zero", "0", 129), PalmBlank("end", 1)}}},
    {kPalmTipoOperacao, {{PalmText("code", "9", 6), PalmText("name", "OUTRAS", 30),
                          PalmText("zero", "0", 129), PalmBlank("end", 1)}}},
    {kPalmCategoria, {{PalmText("code", "1", 6), PalmText("name", "PADRAO", 31)}}},
    {kPalmGrupoProduto, {{PalmText("code", "1", 3), PalmText("name", "PADRAO", 41)}}},
    {kPalmTabCondicao, {{PalmText("code", "1", 14), PalmText("name", "PADRAO", 41)}}},
    {kPalmSubGrupoProduto, {{PalmText("group", "1", 3), PalmText("code", "1", 6),
                             PalmText("name", "PADRAO", 41)}}},
    {kPalmTabPreco, {{PalmText("code", "1", 6), PalmText("name", "PADRAO", 40),
                      PalmText("zeros", "00000000000000", 14), PalmBlank("end", 1)}}},
    {kPalmRota, {{PalmText("code", "1", 6), PalmText("name", "PADRAO", 31)}}},
    {kPalmRegiao, {{PalmText("code", "1", 6), PalmText("name", "PADRAO", 31)}}},
};

// The tables that come from the masters; the rest are fixed.
constexpr int kPalmFirstFixedTable = kPalmTipoOperacao;
