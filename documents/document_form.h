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
  // Numbered text slots (100 product code, 101 quantity, 104 total, ...).
  std::map<int, std::string> slots;
  // Item lines in the order they were added.
  std::vector<std::string> items;
  // Owner of the messages shown about the form (the Palm dialog); nullptr:
  // the active window.
  PlatWindow owner = nullptr;
};

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
