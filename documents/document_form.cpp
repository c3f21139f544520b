#include "documents/document_form.h"

#include "codecs/date.h"
#include "codecs/number.h"
#include "codecs/text.h"

const std::string& GetSlot(const DocumentForm& form, int id) {
  static const std::string kEmpty;
  auto it = form.slots.find(id);
  return it == form.slots.end() ? kEmpty : it->second;
}

std::string& GetSlot(const DocumentForm& form, int id, std::string& out, int max_chars) {
  out = GetSlot(form, id);
  if (max_chars >= 0) CutAt(out, max_chars);
  return out;
}

void SetSlot(DocumentForm& form, int id, const std::string& text) { form.slots[id] = text; }

void ClearSlots(DocumentForm& form, int first, int last) {
  if (first > last) return;
  form.slots.erase(form.slots.lower_bound(first), form.slots.upper_bound(last));
}

void AddItemLine(DocumentForm& form, const std::string& line) { form.items.push_back(line); }

void ClearItems(DocumentForm& form) { form.items.clear(); }

void DigitsOnlyItem(DocumentForm& form, int id) { DigitsOnlyItem(form.slots[id]); }

int GetIntItem(DocumentForm& form, int id) { return GetIntItem(form.slots[id]); }

int GetUIntItem(DocumentForm& form, int id) { return GetUIntItem(form.slots[id]); }

void SetIntItem(DocumentForm& form, int id, long value) { SetIntItem(form.slots[id], value); }

double GetNumItem(DocumentForm& form, int id, int places, int drop_sign) {
  return GetNumItem(form.slots[id], places, drop_sign, kNoTextLimit);
}

double GetNumItemVar(DocumentForm& form, int id, int least, int most, int drop_sign) {
  return GetNumItemVar(form.slots[id], least, most, drop_sign, kNoTextLimit);
}

int NormMonthYear(DocumentForm& form, int id, int current_year) {
  return NormMonthYear(form.slots[id], current_year);
}
