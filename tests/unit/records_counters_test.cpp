#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "records/counters.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

const RecordedMessage kReadError{PlatIcon::kError, "GetCodeCad2",
                                 "Erro ao abrir / posicionar arquivo de contadores."};
const RecordedMessage kWriteError{PlatIcon::kError, "GetCodeCad2",
                                  "Erro ao gravar arquivo de contadores."};
const RecordedMessage kOpenError{PlatIcon::kError, "FOpen2", "Erro ao abrir o arquivo."};

// "%-10s%-10s%-10s" cut to 30: a counter record as the larger product writes it.
std::string Counter(const std::string& k1, const std::string& k2, const std::string& number) {
  std::string out = k1;
  out.resize(10, ' ');
  std::string b = k2;
  b.resize(10, ' ');
  std::string c = number;
  c.resize(10, ' ');
  return (out + b + c).substr(0, 30);
}

struct CounterCase {
  const char* name;
  std::optional<std::string> before;  // F34.DAT, nullopt: none
  int digits;
  long number_in;
  long number_out;
  std::string after;  // F34.DAT afterwards
  const char* key1 = "00001";
  const char* key2 = "54101";
  long in_use = -1;     // the floor's highest number in use; -1: no floor
  bool mended = false;  // the count went on from in_use, with its warning
};

RecordedMessage MendedWarning(long number) {
  return {PlatIcon::kWarning, "GetCodeCad2",
          "O contador 00001 54101 do arquivo F34.DAT não é um número ou está abaixo do maior "
          "número já usado; a numeração continua em " +
              std::to_string(number) + "."};
}

TEST(RecordsCounters, GetCodeCad2HandsOutTheNextNumberOfItsKey) {
  const std::string other = Counter("00002", "54101", "77");
  const CounterCase cases[] = {
      // no file: number 1, file created with exactly one 30-byte record
      {"no_file", std::nullopt, 6, 0, 1, Counter("00001", "54101", "1")},
      {"next", other + Counter("00001", "54101", "41"), 9, 0, 42,
       other + Counter("00001", "54101", "42")},
      // digits 0: read only, nothing written
      {"read_only", Counter("00001", "54101", "41"), 0, 5, 41, Counter("00001", "54101", "41")},
      {"read_only_no_record", other, 0, 5, 0, other},
      // six digits wrap after 999999
      {"wrap_6", Counter("00001", "54101", "999999"), 6, 0, 1, Counter("00001", "54101", "1")},
      {"last_6", Counter("00001", "54101", "999998"), 6, 0, 999999,
       Counter("00001", "54101", "999999")},
      // 10 and negative digit counts count as 6
      {"digits_10", Counter("00001", "54101", "999999"), 10, 0, 1, Counter("00001", "54101", "1")},
      {"digits_negative", Counter("00001", "54101", "999999"), -3, 0, 1,
       Counter("00001", "54101", "1")},
      {"nine_digits", Counter("00001", "54101", "999999"), 9, 0, 1000000,
       Counter("00001", "54101", "1000000")},
      {"wrap_9", Counter("00001", "54101", "999999999"), 9, 0, 1, Counter("00001", "54101", "1")},
      // stored text that is no usable number reads as 0: the next is 1
      {"garbage", Counter("00001", "54101", "abc"), 6, 0, 1, Counter("00001", "54101", "1")},
      {"negative", Counter("00001", "54101", "-5"), 6, 0, 1, Counter("00001", "54101", "1")},
      {"too_big", Counter("00001", "54101", "1000000000"), 9, 0, 1,
       Counter("00001", "54101", "1")},
      {"blank", Counter("00001", "54101", ""), 6, 0, 1, Counter("00001", "54101", "1")},
      {"control_bytes", Counter("00001", "54101", std::string("\x1a\xff\0", 3)), 6, 0, 1,
       Counter("00001", "54101", "1")},
      // leading blanks and trailing junk as the larger product's reader takes them
      {"leading_blank", Counter("00001", "54101", " 12x"), 6, 0, 13,
       Counter("00001", "54101", "13")},
      // digits above 10: the number passed in is stored, nothing read
      {"store_12", Counter("00001", "54101", "41"), 12, 500, 500, Counter("00001", "54101", "500")},
      {"store_new", other, 12, 500, 500, other + Counter("00001", "54101", "500")},
      // a number that would reach the status byte is stored as 0
      {"store_too_big", other, 12, 1234567890, 0, other + Counter("00001", "54101", "0")},
      // a key not in the file is appended; a partial record is completed first
      {"append_after_partial", other + "0000", 6, 0, 1,
       other + "0000" + std::string(26, ' ') + Counter("00001", "54101", "1")},
      // a free record of the key is not the key's record: a new one is appended
      {"free_record_skipped", Counter("00001", "54101", "41").substr(0, 29) + "+", 6, 0, 1,
       Counter("00001", "54101", "41").substr(0, 29) + "+" + Counter("00001", "54101", "1")},
      // keys compare without regard to case
      {"case", Counter("00001", "ABC", "7"), 6, 0, 8, Counter("00001", "abc", "8"), "00001", "abc"},
      // a key part longer than 10 characters is cut: it must not shift the
      // number into the status byte or beyond
      {"long_key_part", std::nullopt, 6, 0, 1, Counter("0000100001", "54101", "1"), "0000100001XYZ"},
      // held above the highest number a live record holds
      {"floor_over_non_digits", Counter("00001", "54101", "abc"), 9, 0, 58,
       Counter("00001", "54101", "58"), "00001", "54101", 57, true},
      {"floor_over_a_counter_behind", other + Counter("00001", "54101", "41"), 9, 0, 58,
       other + Counter("00001", "54101", "58"), "00001", "54101", 57, true},
      {"floor_over_a_missing_key", other, 9, 0, 58, other + Counter("00001", "54101", "58"), "00001",
       "54101", 57, true},
      {"floor_at_the_counter", Counter("00001", "54101", "57"), 9, 0, 58,
       Counter("00001", "54101", "58"), "00001", "54101", 57},
      {"floor_below_the_counter", Counter("00001", "54101", "60"), 9, 0, 61,
       Counter("00001", "54101", "61"), "00001", "54101", 57},
      // no record in use: the stored value rules, non-digits or no key give 1
      {"floor_none_non_digits", Counter("00001", "54101", "abc"), 9, 0, 1,
       Counter("00001", "54101", "1"), "00001", "54101", 0},
      {"floor_none_missing_key", other, 9, 0, 1, other + Counter("00001", "54101", "1"), "00001",
       "54101", 0},
      // a floor at the top of the cycle: the count has wrapped round
      {"floor_at_the_top", Counter("00001", "54101", "3"), 6, 0, 4, Counter("00001", "54101", "4"),
       "00001", "54101", 999999},
      {"floor_read_only", Counter("00001", "54101", "41"), 0, 5, 41, Counter("00001", "54101", "41"),
       "00001", "54101", 57},
  };
  for (const CounterCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    root.EnterProductFolder();
    MessageRecorder messages;
    if (c.before) WriteFileBytes("F34.DAT", *c.before);
    long number = c.number_in;
    CounterFloor floor;
    floor.in_use = c.in_use;
    EXPECT_EQ(c.in_use < 0 ? GetCodeCad2(c.key1, c.key2, number, c.digits)
                           : GetCodeCad2(c.key1, c.key2, number, c.digits, floor),
              1);
    EXPECT_EQ(number, c.number_out);
    if (c.before || c.digits != 0) {
      EXPECT_EQ(ReadFileBytes("F34.DAT"), c.after);
    }
    EXPECT_EQ(floor.mended, c.mended ? 1 : 0);
    EXPECT_EQ(messages.messages(), c.mended ? std::vector<RecordedMessage>{MendedWarning(number)}
                                            : std::vector<RecordedMessage>{});
  }
}

TEST(RecordsCounters, GetCodeCad2CountsOneKeyAcrossCalls) {
  TempRoot root;
  root.EnterProductFolder();
  long number = 0;
  for (long expected = 1; expected <= 3; ++expected) {
    ASSERT_EQ(GetCodeCad2("00001", "54101", number, 9), 1);
    EXPECT_EQ(number, expected);
  }
  ASSERT_EQ(GetCodeCad2("00002", "54101", number, 9), 1);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(ReadFileBytes("F34.DAT"),
            Counter("00001", "54101", "3") + Counter("00002", "54101", "1"));
}

// Each open and each write failing in turn: the result is 1 with the new
// record, or 0 with exactly one documented message and the file as it was;
// never a handle left open, never a torn or second record of the key.
TEST(RecordsCounters, GetCodeCad2SurvivesEachOpenAndWriteFailingInTurn) {
  struct Config {
    const char* name;
    std::optional<std::string> before;
    std::string after;
    long in_use = -1;  // a floor that mends the count: its warning only once stored
  };
  const std::string other = Counter("00002", "54101", "77");
  const Config configs[] = {
      {"rewrite", other + Counter("00001", "54101", "41"), other + Counter("00001", "54101", "42")},
      {"append_partial", other + "00", other + "00" + std::string(28, ' ') + Counter("00001", "54101", "1")},
      {"create", std::nullopt, Counter("00001", "54101", "1")},
      {"mended", other + Counter("00001", "54101", "abc"), other + Counter("00001", "54101", "58"),
       57},
  };
  TempRoot root;
  root.EnterProductFolder();
  for (const Config& config : configs) {
    for (FaultOp op : {FaultOp::kOpen, FaultOp::kWrite}) {
      const FaultCounts counts = FaultSweep(
          {{.op = op, .name = config.name, .limit = 10}},
          [&] {
            std::filesystem::remove("F34.DAT");
            if (config.before) WriteFileBytes("F34.DAT", *config.before);
          },
          [&] {
            long number = -7;
            CounterFloor floor;
            floor.in_use = config.in_use;
            return config.in_use < 0 ? GetCodeCad2("00001", "54101", number, 9)
                                     : GetCodeCad2("00001", "54101", number, 9, floor);
          },
          [&](const FaultRun& run) {
            if (run.result) {
              // (a failed search open of a missing file is the missing file)
              EXPECT_EQ(run.messages, config.in_use < 0 ? std::vector<RecordedMessage>{}
                                                        : std::vector<RecordedMessage>{MendedWarning(58)});
              EXPECT_EQ(ReadFileBytes("F34.DAT"), config.after);
              return;
            }
            ASSERT_EQ(run.messages.size(), 1u);
            const RecordedMessage& m = run.messages[0];
            EXPECT_TRUE(m == kReadError || m == kWriteError || m == kOpenError) << m.text;
            if (config.before) {
              EXPECT_EQ(ReadFileBytes("F34.DAT"), *config.before);
            } else {
              // created empty at most: no record without its number
              EXPECT_TRUE(!FileExistsNative("F34.DAT") || ReadFileBytes("F34.DAT").empty());
            }
          });
      EXPECT_GT(counts.failures, 0);
    }
  }
}

TEST(RecordsCounters, GetCodeCad2ReportsAnUnreadableCounter) {
  // The key's record is found but its number field lies beyond the end of
  // the file (a torn record): the read fails with the message.
  TempRoot root;
  root.EnterProductFolder();
  WriteFileBytes("F34.DAT", "00001     54101     ");
  MessageRecorder messages;
  long number = 3;
  EXPECT_EQ(GetCodeCad2("00001", "54101", number, 6), 0);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0], kReadError);
  EXPECT_EQ(ReadFileBytes("F34.DAT"), "00001     54101     ");
}

// ---------------------------------------------------------------------------
std::string SavedValue(const std::string& key3, char digit, const std::string& value) {
  std::string out(20, ' ');
  out += key3;
  out.resize(39, ' ');
  out.push_back(digit);
  out += value;
  out.resize(400, ' ');
  return out;
}

TEST(RecordsSavedValue, SavesReadsAndRewritesInPlace) {
  TempRoot root;
  root.EnterProductFolder();
  MessageRecorder messages;
  std::string value = "C:\\Palm\\Exp";
  ASSERT_EQ(SavedFieldValue(value, "", "", "PAL", kSavedValueSaveFolder), 1);
  EXPECT_EQ(ReadFileBytes("F37.DAT"), SavedValue("PAL", '1', "C:\\Palm\\Exp"));

  std::string read;
  EXPECT_EQ(SavedFieldValue(read, "", "", "PAL", kSavedValueRead), 1);
  EXPECT_EQ(read, "C:\\Palm\\Exp");

  // a second key is appended, the first is rewritten in place as a file name
  std::string other = "X";
  ASSERT_EQ(SavedFieldValue(other, "A", "B", "OTHER", kSavedValueSaveFolder), 1);
  value = "C:\\Palm\\Novo\\Ação.txt";
  ASSERT_EQ(SavedFieldValue(value, "", "", "pal", kSavedValueSaveFile), 1);
  const std::string file = ReadFileBytes("F37.DAT");
  ASSERT_EQ(file.size(), 800u);
  // the key is found without regard to case and rewritten as given
  EXPECT_EQ(file.substr(0, 400), SavedValue("pal", '0', "C:\\Palm\\Novo\\Ação.txt"));
  EXPECT_EQ(file.substr(400, 30), "A         B         OTHER     ");
  EXPECT_TRUE(messages.messages().empty());
}

struct SaveCase {
  const char* name;
  std::string value;
  std::string stored;  // the value field as written
};

TEST(RecordsSavedValue, SavedTextIsCleanedAndCut) {
  const SaveCase cases[] = {
      {"tab_and_newline", "C:\\a\tb\r\n", "C:\\a b  "},
      {"cut_to_200", std::string(250, 'x'), std::string(200, 'x')},
      // the text ends at a NUL, as a text field's would
      {"nul_ends", std::string("C:\\Palm\0junk", 12), "C:\\Palm"},
      {"empty", "", ""},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    root.EnterProductFolder();
    std::string value = c.value;
    ASSERT_EQ(SavedFieldValue(value, "", "", "PAL", kSavedValueSaveFolder), 1);
    EXPECT_EQ(ReadFileBytes("F37.DAT"), SavedValue("PAL", '1', c.stored));
  }
}

// Nothing is saved or read without a third key or with a negative action,
// and a read finds nothing without the key's record: 0, no message, the file
// as it was (or still none).
TEST(RecordsSavedValue, NothingIsSavedOrReadWithoutItsKey) {
  struct Case {
    const char* name;
    std::string before;  // F37.DAT, "" for none
    std::string key3;
    int action;
    std::string value_after;
  };
  const Case cases[] = {
      {"empty_key3_save", "", "", kSavedValueSaveFolder, "C:\\x"},
      {"empty_key3_read", "", "", kSavedValueRead, "C:\\x"},
      {"negative_action", "", "PAL", -1, "C:\\x"},
      {"read_without_file", "", "PAL", kSavedValueRead, ""},
      {"read_of_another_key", SavedValue("OTHER", '1', "C:\\y"), "PAL", kSavedValueRead, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    root.EnterProductFolder();
    if (!c.before.empty()) WriteFileBytes("F37.DAT", c.before);
    MessageRecorder messages;
    std::string value = "C:\\x";
    EXPECT_EQ(SavedFieldValue(value, "", "", c.key3, c.action), 0);
    EXPECT_EQ(value, c.value_after);
    EXPECT_EQ(FileExistsNative("F37.DAT"), !c.before.empty());
    EXPECT_EQ(ReadFileBytes("F37.DAT"), c.before);
    EXPECT_TRUE(messages.messages().empty());
  }
}

// A save whose opens and writes fail in turn: saved, or one message and the
// file as it was (never a second record of the key).
TEST(RecordsSavedValue, SaveSurvivesEachOpenAndWriteFailingInTurn) {
  const std::string before = SavedValue("PAL", '1', "C:\\Old");
  TempRoot root;
  root.EnterProductFolder();
  for (FaultOp op : {FaultOp::kOpen, FaultOp::kWrite}) {
    const FaultCounts counts = FaultSweep(
        {{.op = op, .limit = 10}}, [&] { WriteFileBytes("F37.DAT", before); },
        [&] {
          std::string value = "C:\\New";
          return SavedFieldValue(value, "", "", "PAL", kSavedValueSaveFolder);
        },
        [&](const FaultRun& run) {
          if (run.result) {
            EXPECT_FALSE(run.fired);
            EXPECT_EQ(ReadFileBytes("F37.DAT"), SavedValue("PAL", '1', "C:\\New"));
            return;
          }
          ASSERT_EQ(run.messages.size(), 1u);
          EXPECT_EQ(run.messages[0].icon, PlatIcon::kError);
          EXPECT_EQ(ReadFileBytes("F37.DAT"), before);
        });
    EXPECT_GT(counts.failures, 0);
  }
}

}  // namespace
