// The Palm order import: the orders taken on the handheld (Cabecalho and
// Itens in the exchange folder) become quotes in the company's yearly
// document file, through the item check and SaveDoc of documents/, exactly
// as a quote entered by hand. A portable job over the company context, the
// exchange folder and a document form; the Palm dialog and vri-batch only
// gather these and call it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "codecs/date.h"
#include "documents/document_form.h"
#include "palm/palm_files.h"

inline constexpr char kPalmImportCaption[] = "Importar";
// Filled with the number of quotes written.
inline constexpr char kPalmImportDoneFormat[] = "Arquivo Palm importado com %d orçamentos.";
// Shown when another import of the company holds its lock for a second.
inline constexpr char kPalmBusyText[] =
    "Outra importação desta empresa está em andamento. Tente novamente em instantes.";
// Filled with the name of a file (a master, the journal) and shown with an
// error icon: the import stops.
inline constexpr char kPalmReadFormat[] = "Erro ao ler o arquivo %s.";
inline constexpr char kPalmWriteFormat[] = "Erro ao gravar o arquivo %s.";
inline constexpr char kPalmUndoFormat[] =
    "Erro ao desfazer um orçamento incompleto no arquivo %s. Nenhum pedido foi importado.";
// No company was loaded at start-up: every item would be refused.
inline constexpr char kPalmNoCompanyText[] =
    "Empresa não encontrada no arquivo F00R0.DAT. Nenhum pedido foi importado.";
// Warning, filled with the order file that could not be set aside.
inline constexpr char kPalmSetAsideFormat[] =
    "Não foi possível separar o arquivo %s. Os pedidos já importados não serão importados de novo.";
// Warning, filled with the number of orders left for the next import (two
// or more; kPalmPendingOne for one).
inline constexpr char kPalmPendingFormat[] =
    "%d pedidos não foram importados e continuam no arquivo Cabecalho.txt para a próxima importação.";
inline constexpr char kPalmPendingOne[] =
    "1 pedido não foi importado e continua no arquivo Cabecalho.txt para a próxima importação.";
// The company's import lock, in its company folder (never a name of the
// larger product's).
inline constexpr char kPalmLockFile[] = "VriImportacao.lck";
// The rehearsal's outcome (information), filled with the quotes the import
// would write and the items it would refuse.
inline constexpr char kPalmCheckDoneFormat[] =
    "%d orçamentos seriam importados; %d itens seriam recusados.";
inline constexpr char kPalmCashTitle[] = "0 - À Vista";
inline constexpr char kPalmInstalmentTitle[] = "1 - À Prazo";

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

// Where a message of the import stands: the order (its key as it stands in
// Cabecalho.txt, trailing blanks removed) and, for an item, its 1-based line
// in Itens.txt and its product code as read (item 0 for the order itself).
struct PalmOrderPlace {
  std::string order;
  int item = 0;
  std::string product;
  bool operator==(const PalmOrderPlace&) const = default;
};

// What one run of the import did (or, rehearsed, would do), for the caller
// to read; nothing in it is taken from a message's text.
struct PalmImportOutcome {
  // Asked by the caller.
  int rehearse = 0;  // decide every order and item, write nothing
  // Cabecalho.txt and Itens.txt both gone by the time the company's import
  // lock is held (another import took them): no message, `nothing` set.
  int taken_is_nothing = 0;
  // Called with the place before each message about an order or an item is
  // possible, and with nullptr when it no longer applies.
  std::function<void(const PalmOrderPlace*)> label;
  // Found.
  int orders = 0;    // header lines read (blank ones aside)
  int quotes = 0;    // quotes written (rehearsed: that would be written)
  int pending = 0;   // orders left in Cabecalho.txt for the next import
  int refused = 0;   // items the item check refused
  int nothing = 0;   // the order files were taken meanwhile (see above)
  std::vector<PalmOrderPlace> refusals;  // the refused items, in order
  std::vector<double> net_totals;        // each quote's net total, in order
};

// Imports the orders of `folder` for layout `layout` with documents dated
// `today`, through `form` (its title is the dialog's caption and comes back
// unchanged; its slots 100-199 and item list are used and left empty).
//
// Every order ends in one of two states: imported (exactly one whole quote,
// never imported again from these files) or pending (no live record of it,
// its lines still in Cabecalho.txt and Itens.txt). An order all of whose
// items the item check refused gives no quote and is set aside. Under the
// company's import lock (a second import waits about a second, then stops
// after kPalmBusyText, touching nothing), the import first undoes what an
// import ended half-way left (the document journal), reads both order files
// whole and the masters it needs, writes each quote through the journal
// (SaveDoc undoes a quote it could not write whole), then writes the .bak
// copies and the pending orders' lines back into the order files.
//
// Returns 1 after "Arquivo Palm importado com %d orçamentos." (caption
// "Importar", information; also for a layout other than 1, with 0 and no
// file touched), with `quotes` the number written in this run, preceded by
// kPalmPendingFormat when orders stay pending and kPalmSetAsideFormat for a
// file that could not be set aside. 0 after one error message (caption
// "Importar") when nothing was imported: "Erro ao abrir arquivo Palm." when
// Cabecalho.txt or Itens.txt cannot be opened or read, kPalmReadFormat for
// a product or company master that is there but cannot be read or for the
// journal, kPalmNoCompanyText when start-up loaded no company, kPalmWriteFormat for a journal that cannot be written,
// kPalmUndoFormat when an unfinished quote could not be undone; or after
// kPalmBusyText.
//
// Each order file set aside is also kept, before its .bak, under a dated
// name in the kept folder (PalmKeptPath); a file that cannot be kept is not
// set aside (kPalmSetAsideFormat), its imported orders known to the journal.
// A refused item's message carries in its detail the order, the item's line
// and the product (and says when the product is not in the product file).
int PalmImport(DocumentForm& form, const std::string& folder, int layout, const DateRec& today,
               int& quotes);

// The same, the outcome in `outcome` (quotes also in outcome.quotes). With
// outcome.rehearse, the import rehearsed: the same files read and the same
// decisions, with every refusal and stop shown as the import shows it, and
// nothing written, no lock taken and no file left; it ends with
// kPalmCheckDoneFormat (caption "Importar") instead of the import's outcome.
int PalmImport(DocumentForm& form, const std::string& folder, int layout, const DateRec& today,
               PalmImportOutcome& outcome);

// How many orders wait in the Cabecalho.txt of `folder` (its lines that are
// not blank, as the import counts them). 1 and the count; 0 when there is no
// such file or it cannot be read whole.
int CountWaitingOrders(const std::string& folder, int& orders);
