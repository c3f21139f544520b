// The item check of a quote: takes one item from the entry slots of the
// document form, applies the item rules and, when the item passes, appends
// one item line to the item list, updates the running totals and empties the
// entry slots for the next item. The Palm order import presents each
// imported item this way; SaveDoc later reads the lines back.
#pragma once

#include <string>

#include "documents/document_form.h"

// The check reads the slots of the item being checked and keeps the running
// totals (documents/document_form.h names both).

constexpr int kItemCodeRead = 20;
constexpr int kItemDescriptionRead = 40;

// Checks the item in the entry slots, in this order, and on the first
// failure shows its message (caption "Vri", error icon), sets *fault_slot
// (when given) to the slot at fault and returns 0, leaving the list and the
// slots as they were (quantity and price already written back):
//   empty code "Informe o código do produto / serviço." [kSlotCode];
//   empty description "O item deve possuir uma descrição." [kSlotCode];
//   quantity not above 0, or too large for its 10 columns of the line
//   (100.000 and more): "A quantidade deve ser maior que zero." [kSlotQuantity];
//   unit price not above 0, or too large for its 12 columns with 4 decimals
//   (1.000.000 and more): "O valor unitário deve ser maior que zero." [kSlotUnitPrice];
//   with the price floor on, a unit price below the floor of the product in
//   kSlotProductRecord: "<code> - <description>\n\nValor menor que o permitido
//   <floor>." [kSlotUnitPrice].
// When all pass: appends the item line (sequence = kSlotLastSequence + 1),
// adds quantity x unit price to kSlotRunningTotal, sets kSlotLineCount and
// kSlotLastSequence, runs ResetItemEntry and returns 1. There is no stock
// check.
// `detail` goes with a refusal's message (vri-batch prints it; the box
// shows only caption and text).
int CheckItem(DocumentForm& form, int* fault_slot = nullptr,
              const std::string& detail = std::string());

// Empties kSlotCode..kSlotIpiRate (100 to 124), then sets kSlotQuantity to
// "1,000", kSlotUnitPrice and kSlotEntryReserved to "0,00".
void ResetItemEntry(DocumentForm& form);

// Lowest unit price of the product at `product_record` of F15R1.DAT: its
// sale price P (field 34) less its largest discount D % (field 38), P - P x
// D x 0.01 rounded to cents. A product that cannot be read gives 0.
double PriceFloor(long product_record);

// 1 when the company's configuration record of the quote kind (F22R0.DAT)
// has field 24 beginning with '1'; 0 otherwise or without such a record.
int PriceFloorOn();

// The item line of the accepted item (kLineColumns, documents/
// document_layout.h), built from the slots as they stand (after the quantity
// and price were written back): every value cut to its column, so the
// positions always hold, the five rates "%-9.2lf", then the product record
// number "%ld". Returns line.
std::string& BuildItemLine(DocumentForm& form, double quantity, double unit_price, int sequence,
                           std::string& line);
