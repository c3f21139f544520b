// Document kinds, directions and kind keys: which kind of document a job
// works on, whether it is a sale or a purchase, and under which key its
// numbers are counted (F34.DAT) and its configuration is kept (F22R0.DAT).
// In Vri the job mode is 0, 565 or 566, so every document is of kind 99 and
// direction 1, and the Palm import's quotes are counted under "54101"; the
// whole mapping of the larger product's document model is kept all the same,
// since the kind letters, files and keys of the document store follow it.
#pragma once

#include <string>

#include "documents/document_form.h"

// Document kinds.
constexpr int kKindOrder = 0;          // "Pedido"
constexpr int kKindQuote = 1;          // "Orçamento"
constexpr int kKindInvoice = 2;        // "Fatura"
constexpr int kKindNote = 10;          // fiscal notes: 10, 11, 20, 21, 30, 31
constexpr int kKindNfe = 20;
constexpr int kKindNfse = 21;
constexpr int kKindNoteModel1 = 30;
constexpr int kKindServiceNote = 31;
constexpr int kKindCoupon = 40;
constexpr int kKindOther = 99;         // every job of Vri
constexpr int kKindServiceOrder = 601; // "OS"

// DocKey variants: the key that numbers documents, or the key of the kind's
// configuration record.
constexpr int kKeyConfig = 0;
constexpr int kKeyNumbering = 9;

// Directions.
constexpr int kDirectionPurchase = 0;  // the partner is a supplier
constexpr int kDirectionSale = 1;      // the partner is a customer

// Job mode of the larger product's service orders.
constexpr int kModeServiceOrder = 606;

// Kind of the document of the current job, from the job mode of the company
// context; for the modes 550..563 the whole number in slot 104 of
// main_window (at most 2 characters; nullptr reads as empty) picks between
// the mode's kinds. Every other mode, among them 0, 565 and 566, gives 99.
int DocKind(const DocumentForm* main_window = nullptr);

// Direction of the current job: 0 (purchase) for the job modes 501, 530,
// 531, 550..553 and 580, 1 (sale) for every other mode.
int DocDirection();

// Payment type of the form: its title's first character as a whole number
// ("1 - À Prazo" gives 1); 0 for an empty title or one not beginning with a
// digit. Never fails.
int PaymentType(const DocumentForm& form);

// Kind key and display name of `kind` for `variant` (9 numbering, 0
// configuration), under the job mode and direction of the company context.
// A form title beginning with "Ordem de Serviço" (any letter case) turns kind
// 99 into a service order. Returns 1 with key and name filled in; 0 with both
// empty when the kind has no key of its own (kind 10 with variant 9, 40, 99).
int DocKey(const DocumentForm& form, int kind, int variant, std::string& key, std::string& name);
// As above for a job without a form (an empty title).
int DocKey(int kind, int variant, std::string& key, std::string& name);

// Configuration record of a kind key in F22R0.DAT: the record whose first 20
// characters are the company code and the kind key, each left in 10.
// Returns 0 (record -1) when the kind key is empty, without opening the file;
// 2 and its record number when it exists; 1 and -1 when there is none (also
// when the file is missing). Never shows a message.
int FindDocConfig(const std::string& kind_key, int& record);

// Field `field` of the configuration record of `kind`: the record FindDocConfig
// finds under the kind's DocKey configuration key (variant 0, job mode of the
// company context). Returns 1 and the text; 0 and an empty text when the kind
// has no key, the company code is empty or there is no such record (also when
// the file is missing).
int ReadKindConfigField(std::string& text, int field, int kind);
