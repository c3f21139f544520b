#include "fiscal/sintegra_layout.h"

#include <algorithm>

std::string& PutSintegraField(std::string& record, const SintegraLayoutField& field,
                              std::string_view text) {
  if (record.size() < (std::size_t)kSintegraRecordLength)
    record.resize((std::size_t)kSintegraRecordLength, ' ');
  if (field.size <= 0) return record;
  const std::size_t at = (std::size_t)field.pos - 1;
  const std::size_t size = (std::size_t)field.size;
  if (field.kind == SintegraKind::kNumeric) {
    if (text.size() > size) text.remove_prefix(text.size() - size);
    std::size_t fill = size - text.size();
    record.replace(at, fill, fill, '0');
    record.replace(at + fill, text.size(), text);
  } else {
    if (text.size() > size) text = text.substr(0, size);
    record.replace(at, text.size(), text);
    record.replace(at + text.size(), size - text.size(), size - text.size(), ' ');
  }
  return record;
}

std::string& PutSintegraField(std::string& record, const SintegraLayoutField& field,
                              long long value) {
  unsigned long long magnitude = value < 0 ? 0ULL - (unsigned long long)value
                                           : (unsigned long long)value;
  std::string digits = std::to_string(magnitude);
  return PutSintegraField(record, field, digits);
}

std::string& NewSintegraRecord(std::string& record, std::string_view name) {
  record.assign((std::size_t)kSintegraRecordLength, ' ');
  const SintegraRecordLayout* layout = SintegraRecordNamed(name);
  if (!layout) {
    record.replace(0, std::min(name.size(), record.size()), name.substr(0, record.size()));
    return record;
  }
  for (int i = 0; i < layout->count; ++i) {
    const SintegraLayoutField& f = layout->fields[i];
    if (f.kind == SintegraKind::kNumeric) record.replace((std::size_t)f.pos - 1, (std::size_t)f.size, (std::size_t)f.size, '0');
  }
  record.replace(0, name.size(), name);
  return record;
}

std::string& AppendSintegraTotal(std::string& totals, std::string_view type, long long count) {
  std::string digits = std::to_string(count);
  totals.append(type);
  if (digits.size() < (std::size_t)kSintegraTotalCountSize)
    totals.append((std::size_t)kSintegraTotalCountSize - digits.size(), '0');
  return totals.append(digits);
}
