#include "records/counters.h"

#include <cstdio>
#include <string>

#include "codecs/number.h"
#include "codecs/text.h"

namespace {

constexpr char kCounterCaption[] = "GetCodeCad2";
constexpr char kCounterReadText[] = "Erro ao abrir / posicionar arquivo de contadores.";
constexpr char kCounterWriteText[] = "Erro ao gravar arquivo de contadores.";
constexpr char kCounterMendedFormat[] =
    "O contador %s %s do arquivo %s não é um número ou está abaixo do maior número já usado; "
    "a numeração continua em %ld.";
constexpr char kSavedValueCaption[] = "SavedFieldValue";
constexpr char kSavedValueWriteText[] = "Erro ao gravar o arquivo.";
constexpr char kSavedValueReadText[] = "Erro ao abrir o arquivo.";

// The counter's decimal text as the larger product reads it (leading blanks,
// a sign, then digits up to the first other character); anything that is not
// a number from 0 to 999,999,999 counts as 0.
long ParseCounter(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kCounterMax) return 0;
  }
  if (negative) return 0;
  return (long)value;
}

// Writes `line` at the position FOpen2 chose and closes the stream: 1 when
// every byte reached the file.
int WriteAndClose(PlatStream* stream, const std::string& line) {
  int ok = PlatWrite(stream, line.data(), line.size());
  if (!PlatClose(stream)) ok = 0;
  return ok;
}

// The largest number of an n-digit cycle.
long CycleTop(int digits) {
  long top = 0;
  for (int i = 0; i < digits; ++i) top = top * 10 + 9;
  return top;
}

// A key part as the counter record holds it, without its padding.
std::string KeyPartText(const std::string& part) {
  std::string text;
  AppendKeyPart(text, part);
  return TrimRight(text);
}

void ShowCounterMended(const std::string& key1, const std::string& key2, long number) {
  const std::string k1 = KeyPartText(key1), k2 = KeyPartText(key2);
  const int n = std::snprintf(nullptr, 0, kCounterMendedFormat, k1.c_str(), k2.c_str(),
                              kCounterFile, number);
  std::string text(n > 0 ? (std::size_t)n + 1 : 1, '\0');
  std::snprintf(text.data(), text.size(), kCounterMendedFormat, k1.c_str(), k2.c_str(),
                kCounterFile, number);
  text.pop_back();
  PlatShowMessage(nullptr, text, kCounterCaption, PlatIcon::kWarning);
}

// GetCodeCad2, held above `floor` when one is given.
int DrawCounter(const std::string& key1, const std::string& key2, long& number, int digits,
                CounterFloor* floor) {
  if (floor) floor->mended = 0;
  std::string key;
  AppendKeyPart(AppendKeyPart(key, key1), key2);
  int record = -1;
  int found = 0;
  PlatStream* stream = PlatOpen(kCounterFile, PlatOpenMode::kRead);
  if (!stream && PlatFileExists(kCounterFile)) {
    // A counter file that is there but cannot be searched must not be taken
    // for an empty one: a second record of the key would restart its count.
    PlatShowMessage(nullptr, kCounterReadText, kCounterCaption, PlatIcon::kError);
    return 0;
  }
  if (stream) found = FindCode(stream, key, kCounterRecordLength, record, 0, kCounterKeyWidth);

  if (digits <= kCounterStoreAbove) {
    number = 0;
    if (found) {
      std::string text;
      int ok = PlatSeek(stream, (long long)record * kCounterRecordLength +
                                    FieldOffset(kCounterWidths, kCounterNumberField)) &&
               ReadText(stream, text, kCounterWidths[kCounterNumberField]);
      if (!ok) {
        PlatClose(stream);
        PlatShowMessage(nullptr, kCounterReadText, kCounterCaption, PlatIcon::kError);
        return 0;
      }
      number = ParseCounter(text);
    }
    if (digits == kCounterReadOnly) {
      PlatClose(stream);
      return 1;
    }
    // ParseCounter keeps the count within 0..kCounterMax, an int.
    if (digits < 1 || digits > 9) digits = kCounterDefaultDigits;
    // A stored value that reads as 0 (no number) or one behind the numbers
    // in use would hand out a number a live record already has.
    if (floor && floor->in_use > number && floor->in_use < CycleTop(digits)) {
      number = floor->in_use;
      floor->mended = 1;
    }
    number = NextInCycle((int)number, digits);
  } else if (number < 0 || number > kCounterMax) {
    // More than nine digits would run into the status byte; store what a
    // later read would make of it.
    number = 0;
  }
  PlatClose(stream);

  char digits_text[24];
  std::snprintf(digits_text, sizeof digits_text, "%-10ld", number);
  std::string line = key;
  line.append(digits_text);
  line.resize(kCounterRecordLength, ' ');

  stream = FOpen2(kCounterFile, kCounterRecordLength, found ? kOpenRewrite : kOpenNewRecord, record,
                  kReuseNever);
  if (!stream) return 0;
  if (!WriteAndClose(stream, line)) {
    PlatShowMessage(nullptr, kCounterWriteText, kCounterCaption, PlatIcon::kError);
    return 0;
  }
  if (floor && floor->mended && floor->warn) ShowCounterMended(key1, key2, number);
  return 1;
}

}  // namespace

int GetCodeCad2(const std::string& key1, const std::string& key2, long& number, int digits) {
  return DrawCounter(key1, key2, number, digits, nullptr);
}

int GetCodeCad2(const std::string& key1, const std::string& key2, long& number, int digits,
                CounterFloor& floor) {
  return DrawCounter(key1, key2, number, digits, &floor);
}

int SavedFieldValue(std::string& value, const std::string& key1, const std::string& key2,
                    const std::string& key3, int action) {
  if (key3.empty() || action < 0) return 0;
  std::string key;
  AppendKeyPart(AppendKeyPart(AppendKeyPart(key, key1), key2), key3);
  int record = -1;
  PlatStream* stream = PlatOpen(kSavedValueFile, PlatOpenMode::kRead);
  if (!stream && action != kSavedValueRead && PlatFileExists(kSavedValueFile)) {
    // "Not found" must not stand for "could not look": a second record of
    // the key would never be read back (the first one wins).
    PlatShowMessage(nullptr, kSavedValueReadText, kSavedValueCaption, PlatIcon::kError);
    return 0;
  }
  int found = stream ? FindCode(stream, key, kSavedValueRecordLength, record, 0,
                                kSavedValueKeyWidth)
                     : 0;
  if (action == kSavedValueRead) {
    int read = ReadField(stream, record, value, kSavedValueTextField, kSavedValueFile,
                         kSavedValueRecordLength, kSavedValueWidths);
    PlatClose(stream);
    return read;
  }
  PlatClose(stream);

  stream = FOpen2(kSavedValueFile, kSavedValueRecordLength, found ? kOpenRewrite : kOpenNewRecord,
                  record, kReuseNever);
  if (!stream) return 0;
  // The value comes from a text field: it ends at a NUL, holds at most 200
  // characters, and control characters must not reach the record.
  std::string text = value.substr(0, value.find('\0'));
  if (text.size() > (std::size_t)kSavedValueTextWidth) text.resize(kSavedValueTextWidth);
  for (char& c : text)
    if (c >= 1 && c <= 31) c = ' ';
  std::string line = key;
  line.resize((std::size_t)FieldOffset(kSavedValueWidths, kSavedValueFolderField), ' ');
  line.push_back(action == kSavedValueSaveFolder ? '1' : '0');
  line.append(text);
  line.resize(kSavedValueRecordLength, ' ');
  if (!WriteAndClose(stream, line)) {
    PlatShowMessage(nullptr, kSavedValueWriteText, kSavedValueCaption, PlatIcon::kError);
    return 0;
  }
  return 1;
}
