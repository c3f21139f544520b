// Code counters (F34.DAT) and saved field values (F37.DAT): small keyed
// record files in the product folder that carry state between runs of Vri
// and of the larger product. No locking beyond FOpen2's busy-file wait.
#pragma once

#include <array>
#include <string>

#include "records/catalogue.h"
#include "records/record_file.h"

// F34.DAT: "%-10s%-10s%-10ld" = key part 1, key part 2, last number handed
// out. A stored number has at most 9 digits, so byte 29 (the status byte) is
// always blank.
inline constexpr std::array<int, 3> kCounterWidths = {10, 10, 10};
static_assert(SumWidths(kCounterWidths) == kCounterRecordLength);
inline constexpr RecordLayout kCounterLayout = LayoutOf<kCounterWidths>(kCounterRecordLength);
constexpr int kCounterKeyWidth = 20;
constexpr int kCounterNumberField = 2;
constexpr long kCounterMax = 999999999;

// GetCodeCad2 digit counts.
constexpr int kCounterReadOnly = 0;      // read the stored number only
constexpr int kCounterDefaultDigits = 6; // counts outside 1..9 (10, negative)
constexpr int kCounterStoreAbove = 10;   // digits above this: store the number as given

// F37.DAT: key (3 x 10), blanks, folder flag, value, blanks (last byte =
// status byte). Written as "%-39s%d%-360s".
inline constexpr std::array<int, 5> kSavedValueWidths = {30, 9, 1, 200, 160};
static_assert(SumWidths(kSavedValueWidths) == kSavedValueRecordLength);
constexpr int kSavedValueKeyWidth = 30;
constexpr int kSavedValueFolderField = 2;  // "1" folder, "0" file
constexpr int kSavedValueTextField = 3;
constexpr int kSavedValueTextWidth = 200;

// SavedFieldValue actions.
constexpr int kSavedValueRead = 0;
constexpr int kSavedValueSaveFile = 1;
constexpr int kSavedValueSaveFolder = 2;

// Counter of key (key1, key2), each cut / blank-padded to 10 characters.
// digits 0: number = the stored number (0 without a record), nothing written.
// digits 1..10: number = the next number in the cycle 1 .. largest n-digit
//   number (n = digits, 6 when outside 1..9; a stored value that is not a
//   number, negative or above 999,999,999 counts as 0, so the next is 1),
//   stored in place or appended as a new record.
// digits above 10: stores `number` as given, without reading.
// Returns 1 (number valid) on success; 0 after one message: "Erro ao abrir /
// posicionar arquivo de contadores." (caption "GetCodeCad2", error) when the
// counter cannot be read (also when F34.DAT exists but cannot be opened), FOpen2's message when it cannot be opened for the
// write, "Erro ao gravar arquivo de contadores." (caption "GetCodeCad2",
// error) when the record did not reach the file (nothing is handed out).
int GetCodeCad2(const std::string& key1, const std::string& key2, long& number, int digits);

// What a counter must stay above: the numbers it has handed out that a
// record file still holds.
struct CounterFloor {
  long in_use = 0;  // the highest number a live record of the key holds; 0: none
  int warn = 1;     // show the warning below when the count is mended
  int mended = 0;   // out: 1 when the count went on from in_use
};

// GetCodeCad2 for a counter whose numbers are in use in a record file: with
// digits 1..10, when the stored value is not a number or lies below
// floor.in_use, the count goes on from floor.in_use (floor.mended 1) and,
// with floor.warn, once the number is stored, "O contador <key1> <key2> do
// arquivo F34.DAT não é um número ou está abaixo do maior número já usado;
// a numeração continua em <number>." (caption "GetCodeCad2", warning icon).
// An in_use of 0, or at the top of the digits' cycle (the count has wrapped
// round), leaves the count to the stored value. Results and failures as
// GetCodeCad2's.
int GetCodeCad2(const std::string& key1, const std::string& key2, long& number, int digits,
                CounterFloor& floor);

// Saved text of key (key1, key2, key3), each cut / blank-padded to 10.
// action 0: value receives the saved text (empty when none); returns 1 when
//   a record was read, 0 otherwise.
// action 1 / 2: saves value (at most 200 characters, control characters
//   blanked) as a file / folder name; returns 1 when written, 0 after
//   FOpen2's message, after "Erro ao abrir o arquivo." (caption
//   "SavedFieldValue", error) when F37.DAT exists but cannot be searched,
//   or after "Erro ao gravar o arquivo." (same caption) when the record did
//   not reach the file.
// Nothing happens and 0 is returned when key3 is empty or action negative.
int SavedFieldValue(std::string& value, const std::string& key1, const std::string& key2,
                    const std::string& key3, int action);
