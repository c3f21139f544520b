// The Palm order import: the orders taken on the handheld (Cabecalho and
// Itens in the exchange folder) become quotes in the company's yearly
// document file, through the item check and SaveDoc of documents/, exactly
// as a quote entered by hand. A portable job over the company context, the
// exchange folder and a document form; the Palm dialog and vri-batch only
// gather these and call it.
#pragma once

#include <string>

#include "codecs/date.h"
#include "documents/document_form.h"

inline constexpr char kPalmImportCaption[] = "Importar";
// Filled with the number of quotes written.
inline constexpr char kPalmImportDoneFormat[] = "Arquivo Palm importado com %d orçamentos.";
inline constexpr char kPalmCashTitle[] = "0 - À Vista";
inline constexpr char kPalmInstalmentTitle[] = "1 - À Prazo";

// Order files: read, then set aside as .bak in this order.
inline constexpr const char* kPalmOrderFiles[4] = {"Cabecalho", "Itens", "Positivacao",
                                                   "ObservacaoExtendida"};

// Positions of the order lines (0-based) and their widths.
constexpr int kOrderKeyWidth = 24;          // header and item, positions 0-23
constexpr int kOrderSellerWidth = 5;        // header 0-4
constexpr int kOrderPaymentAt = 24;         // header 24-29, whole number
constexpr int kOrderPaymentWidth = 6;
constexpr int kOrderCustomerAt = 45;        // header 45-54
constexpr int kOrderCustomerWidth = 10;
constexpr int kOrderConditionAt = 79;       // header 79-81, whole number
constexpr int kOrderConditionWidth = 3;
constexpr int kOrderDiscountKindAt = 163;   // 'A': the discount is an amount
constexpr int kOrderDiscountAt = 164;       // header 164-172, three implied decimals
constexpr int kOrderDiscountWidth = 9;
constexpr int kItemProductAt = 24;          // item 24-33
constexpr int kItemProductWidth = 10;
constexpr int kItemQuantityAt = 38;         // item 38-45, three implied decimals
constexpr int kItemQuantityWidth = 8;
constexpr int kItemPriceAt = 78;            // item 78-85, three implied decimals
constexpr int kItemPriceWidth = 8;

// The text at [at, at + width) of a line; positions beyond its end read as
// empty. Returns out.
std::string& OrderField(const std::string& line, int at, int width, std::string& out);

// A number of the order files: the number at the start of the text (blanks
// skipped; reading stops at the first character that cannot continue it;
// none reads as 0) times 0.001.
double ImpliedThousandths(const std::string& text);

// Discount percentage of an order: for kind 'A' the amount as a percentage
// of the order total (0 when the total is 0 or less); otherwise the value
// itself.
double OrderDiscountPercent(char kind, double discount, double order_total);

// Imports the orders of `folder` for layout `layout` with documents dated
// `today`, through `form` (its title is the dialog's caption and comes back
// unchanged; its slots 100-199 and item list are used and left empty).
// Every header line with at least one item accepted by the item check
// becomes a quote; an order SaveDoc refused is written back, header and
// item lines exactly as read, into new Cabecalho.txt and Itens.txt after the
// order files were set aside as .bak, so it can be imported again.
// Returns 1 after "Arquivo Palm importado com %d orçamentos." (caption
// "Importar", information; also for a layout other than 1, with 0 and no
// file touched), with `quotes` the number written; 0 after "Erro ao abrir
// arquivo Palm." (caption "Importar", error) when Cabecalho.txt or Itens.txt
// cannot be opened (nothing imported, nothing set aside), or when the
// refused orders could not be written back (they are then only in the .bak
// files; the count message follows).
int PalmImport(DocumentForm& form, const std::string& folder, int layout, const DateRec& today,
               int& quotes);
