#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "records/record_file.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

constexpr int kL = 30;
const RecordedMessage kOpenError{PlatIcon::kError, "FOpen2", "Erro ao abrir o arquivo."};
const RecordedMessage kPositionError{PlatIcon::kError, "FOpen2",
                                     "Erro ao posicionar arquivo (r+t)."};

std::string Records(const std::vector<char>& statuses, int length = kL) {
  std::string out;
  for (std::size_t i = 0; i < statuses.size(); ++i)
    out += Rec("R" + std::to_string(i), length, statuses[i]);
  return out;
}

// ---------------------------------------------------------------------------
// FOpen2, new record: which slot is taken and what the file looks like after
// the caller wrote its record there.
struct NewRecordCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  int reuse;
  int record_in;
  int record_out;
  std::string after_prefix;  // the file before the new record lands
  long long write_at;        // where the new record must land
};

TEST(RecordFile, FOpen2NewRecordTakesTheDocumentedSlot) {
  const std::string three = Records({' ', ' ', ' '});
  const std::string free2 = Records({' ', ' ', '+'});
  const std::string free02 = Records({'+', ' ', '+', ' '});
  const std::string partial95 = Records({' ', ' ', ' '}) + std::string(5, 'p');
  const NewRecordCase cases[] = {
      // missing file: created, record 0
      {"missing", std::nullopt, kReuseNever, 7, 0, "", 0},
      // empty file: record 0
      {"empty", std::string(), kReuseFromFirst, 7, 0, "", 0},
      // 95 bytes, L 30: 25 blanks complete record 3, the new one is 4
      {"partial_95", partial95, kReuseNever, 0, 4, partial95 + std::string(25, ' '), 120},
      // record 2 free, reuse 1: slot 2, written over in place
      {"reuse_free_2", free2, kReuseFromFirst, 9, 2, free2.substr(0, 60), 60},
      // record 2 free but reuse 0: appended
      {"no_reuse", free2, kReuseNever, 0, 3, free2, 90},
      // reuse 2 searches after the record passed in: 0 is skipped, 2 taken
      {"reuse_after_0", free02, 2, 0, 2, free02.substr(0, 60), 60},
      // reuse 2 after the last free record: appended
      {"reuse_after_2", free02, 2, 2, 4, free02, 120},
      // no free record: appended
      {"none_free", three, kReuseFromFirst, 0, 3, three, 90},
      // a '+' at the end of a partial record is no status byte: padded, appended
      {"partial_plus", three + "abcd+", kReuseFromFirst, 0, 4,
       three + "abcd+" + std::string(25, ' '), 120},
  };
  for (const NewRecordCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    MessageRecorder messages;
    std::string name = root.Path("F.DAT");
    if (c.before) WriteFileBytes(name, *c.before);
    int record = c.record_in;
    PlatStream* s = FOpen2(name, kL, kOpenNewRecord, record, c.reuse);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(record, c.record_out);
    std::string mine = Rec("NEW", kL);
    ASSERT_EQ(PlatWrite(s, mine.data(), mine.size()), 1);
    ASSERT_EQ(PlatClose(s), 1);
    std::string after = ReadFileBytes(name);
    EXPECT_EQ(after.substr(0, (std::size_t)c.write_at), c.after_prefix.substr(0, (std::size_t)c.write_at));
    EXPECT_EQ(after.substr((std::size_t)c.write_at, kL), mine);
    EXPECT_TRUE(messages.messages().empty());
  }
}

// FOpen2, rewrite: positioned at n*L inside the file, else one message.
struct RewriteCase {
  const char* name;
  bool file_exists;
  int record;
  bool opens;
  std::optional<RecordedMessage> message;
};

TEST(RecordFile, FOpen2RewriteIsPositionedOrReportsOnce) {
  const RewriteCase cases[] = {
      {"record_1_of_3", true, 1, true, std::nullopt},
      {"last_record", true, 2, true, std::nullopt},
      // n*L equal to the file length: not inside the file
      {"at_length", true, 3, false, kPositionError},
      {"beyond", true, 40, false, kPositionError},
      {"negative", true, -1, false, kPositionError},
      {"missing_file", false, 0, false, kOpenError},
  };
  for (const RewriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    MessageRecorder messages;
    std::string name = root.Path("F.DAT");
    std::string before = Records({' ', ' ', ' '});
    if (c.file_exists) WriteFileBytes(name, before);
    int record = c.record;
    PlatStream* s = FOpen2(name, kL, kOpenRewrite, record, kReuseNever);
    EXPECT_EQ(record, c.record);  // never changed in rewrite mode
    if (c.opens) {
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(PlatTell(s), (long long)c.record * kL);
      std::string mine = Rec("NEW", kL);
      PlatWrite(s, mine.data(), mine.size());
      ASSERT_EQ(PlatClose(s), 1);
      std::string expected = before;
      expected.replace((std::size_t)c.record * kL, kL, mine);
      EXPECT_EQ(ReadFileBytes(name), expected);
      EXPECT_TRUE(messages.messages().empty());
    } else {
      EXPECT_EQ(s, nullptr);
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0], *c.message);
      if (c.file_exists) {
        EXPECT_EQ(ReadFileBytes(name), before);
      }
    }
  }
}

// Every open and write of FOpen2 failing in turn: either a usable stream or
// exactly one documented message, the file as it was, no handle left open,
// record -1 on failure in mode 1.
TEST(RecordFile, FOpen2SurvivesEachOpenAndWriteFailingInTurn) {
  struct Config {
    const char* name;
    int mode;
    int reuse;
    int slot;  // where the new record goes (with every open done)
  };
  const Config configs[] = {
      {"reuse_free", kOpenNewRecord, kReuseFromFirst, 2},  // update open, else append
      {"append", kOpenNewRecord, kReuseNever, 5},          // after the completed partial record
      {"rewrite", kOpenRewrite, kReuseNever, 1},
  };
  TempRoot root;
  const std::string name = root.Path("F.DAT");
  const std::string before = Records({' ', ' ', '+', ' '}) + "tail";
  const std::string mine = Rec("NEW", kL);
  for (const Config& config : configs) {
    int record = 0;
    bool opened = false;
    FaultSweep(
        {{.op = FaultOp::kOpen, .name = config.name, .limit = 10},
         {.op = FaultOp::kWrite, .name = config.name, .limit = 10}},
        [&] { WriteFileBytes(name, before); },
        [&] {
          record = config.mode == kOpenNewRecord ? 0 : 1;
          PlatStream* s = FOpen2(name, kL, config.mode, record, config.reuse);
          if (!(opened = s != nullptr)) return 0;
          const int wrote = PlatWrite(s, mine.data(), mine.size());
          return PlatClose(s) && wrote ? 1 : 0;
        },
        [&](const FaultRun& run) {
          if (opened && run.plan.op == FaultOp::kWrite) {
            EXPECT_EQ(record, config.slot);
          }
          if (run.result) {
            EXPECT_EQ(ReadFileBytes(name).substr((std::size_t)record * kL, kL), mine);
            EXPECT_TRUE(run.messages.empty());
            return;
          }
          // The blanks that complete a partial record and the new record
          // travel in one write: a failing write leaves the file as it was.
          EXPECT_EQ(ReadFileBytes(name), before);
          if (opened) return;
          EXPECT_EQ(run.messages, std::vector<RecordedMessage>{kOpenError});
          if (config.mode == kOpenNewRecord) {
            EXPECT_EQ(record, -1);
          }
        });
  }
}

// ---------------------------------------------------------------------------
// ReadField: exact text or the plain "no".
constexpr std::array<int, 3> kWidths = {10, 15, 5};
static_assert(SumWidths(kWidths) == kL);
constexpr auto kOffsets = OffsetsOf(kWidths);

struct ReadFieldCase {
  const char* name;
  std::string file;
  int record;
  int field;
  int ok;
  std::string text;
};

TEST(RecordFile, ReadFieldGivesTheTrimmedFieldOrEmpty) {
  const std::string r0 = MakeRecord(kWidths, {{0, "CODE1"}, {1, "Ação  x"}, {2, "9"}});
  const std::string r1 = MakeRecord(kWidths, {{0, std::string("A\0B\x1a\xff", 5)}, {1, "   "}});
  const ReadFieldCase cases[] = {
      {"first_field", r0 + r1, 0, 0, 1, "CODE1"},
      // inner blanks stay, trailing ones go
      {"inner_blanks", r0 + r1, 0, 1, 1, "Ação  x"},
      // the last field holds the status byte
      {"last_field", r0 + r1, 0, 2, 1, "9"},
      // NUL, 0x1A and 0xFF are ordinary bytes of a binary record
      {"odd_bytes", r0 + r1, 1, 0, 1, std::string("A\0B\x1a\xff", 5)},
      // an all-blank field is read (1) and empty
      {"blank_field", r0 + r1, 1, 1, 1, ""},
      {"negative_record", r0 + r1, -1, 0, 0, ""},
      {"record_beyond_end", r0 + r1, 2, 0, 0, ""},
      {"field_index_too_big", r0 + r1, 0, 3, 0, ""},
      {"field_index_negative", r0 + r1, 0, -1, 0, ""},
      // a partial last record gives what is there
      {"partial_last_record", r0 + "CODE2  ", 1, 0, 1, "CODE2"},
      // the file ends before the field starts
      {"file_shorter_than_field", r0 + "CODE2", 1, 1, 0, ""},
      {"empty_file", "", 0, 0, 0, ""},
  };
  for (const ReadFieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    MessageRecorder messages;
    std::string name = root.Path("F.DAT");
    WriteFileBytes(name, c.file);
    // by name
    std::string text = "stale";
    EXPECT_EQ(ReadField(nullptr, c.record, text, c.field, name, kL, kWidths), c.ok);
    EXPECT_EQ(text, c.text);
    // through an open stream
    PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
    ASSERT_NE(s, nullptr);
    text = "stale";
    EXPECT_EQ(ReadField(s, c.record, text, c.field, "", kL, kWidths), c.ok);
    EXPECT_EQ(text, c.text);
    // the fast read, by name and through the stream: the same rules
    const RecordLayout layout{kL, kWidths, kOffsets};
    text = "stale";
    EXPECT_EQ(ReadFieldFast(nullptr, c.record, text, c.field, name, layout), c.ok);
    EXPECT_EQ(text, c.text);
    text = "stale";
    EXPECT_EQ(ReadFieldFast(s, c.record, text, c.field, "", layout), c.ok);
    EXPECT_EQ(text, c.text);
    // from the whole record read once: the same rules
    RecordBuffer record{RecordLayout{kL, kWidths}, {}, {}};
    text = "stale";
    if (ReadRecord(s, c.record, record)) {
      EXPECT_EQ(RecordField(record, c.field, text), c.ok);
      EXPECT_EQ(HasRecordField(record, c.field), c.ok);
      EXPECT_EQ(RecordFieldText(record, c.field), c.text);
    } else {
      EXPECT_EQ(c.ok, 0);
      EXPECT_TRUE(record.bytes.empty());
      EXPECT_EQ(RecordField(record, c.field, text), 0);
    }
    EXPECT_EQ(text, c.text);
    PlatClose(s);
    EXPECT_TRUE(messages.messages().empty());
  }
}

// The fast trim against the rule: every length of texts around the 8- and
// 16-byte steps, blanks against the bytes that differ from one in a single
// bit (0xA0, '0', 0x00), a non-blank at every place, and random texts.
TEST(RecordFile, TrimmedLengthFastAgreesWithTheRule) {
  std::vector<std::string> texts;
  for (std::size_t length = 0; length <= 40; ++length) {
    texts.push_back(std::string(length, ' '));
    for (char odd : {'x', '\xA0', '0', '\0', '\t', '\x21', '\x1F'}) {
      for (std::size_t at = 0; at < length; ++at) {
        std::string text(length, ' ');
        text[at] = odd;
        texts.push_back(text);
      }
    }
  }
  unsigned state = 4242;
  auto next = [&state](unsigned n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  };
  for (int i = 0; i < 2000; ++i) {
    std::string text(next(200), ' ');
    for (char& c : text)
      if (next(8) == 0) c = (char)next(256);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    // every start too, so that the words lie at every alignment
    for (std::size_t from = 0; from < 8 && from <= text.size(); ++from) {
      const char* p = text.data() + from;
      ASSERT_EQ(TrimmedLengthFast(p, text.size() - from), TrimmedLength(p, text.size() - from))
          << '[' << text << "] from " << from;
    }
  }
}

// The three ways to read a field against each other on random files larger
// than a stream's buffer (records lying across its ends), mostly blank fill,
// with a partial last record: ReadFieldFast and RecordField after ReadRecord
// give what ReadField gives, for records and fields in and out of range.
TEST(RecordFile, FastFieldReadsAgreeWithReadField) {
  unsigned state = 777;
  auto next = [&state](unsigned n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  };
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    std::vector<int> widths;
    int length = 0;
    while (widths.size() < 3 || length < 200) {
      widths.push_back(1 + (int)next(next(4) == 0 ? 120 : 20));
      length += widths.back();
    }
    std::vector<int> offsets(widths.size());
    for (std::size_t i = 1; i < widths.size(); ++i) offsets[i] = offsets[i - 1] + widths[i - 1];
    const int records = 70000 / length + 40;
    std::string file((std::size_t)records * (std::size_t)length + next((unsigned)length), ' ');
    for (char& c : file) {
      unsigned roll = next(16);
      if (roll == 0) c = (char)next(256);
      else if (roll < 3) c = (char)('A' + next(26));
    }
    TempRoot root;
    const std::string name = root.Path("F.DAT");
    WriteFileBytes(name, file);
    PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
    ASSERT_NE(s, nullptr);
    const RecordLayout layout{length, widths, offsets};
    RecordBuffer buffer{layout, {}, {}};
    std::string plain, fast, copied;
    for (int i = 0; i < 3000; ++i) {
      // now and then past the end, or a field outside the table
      const int record = (int)next((unsigned)records + 2) - (next(50) == 0 ? records + 3 : 0);
      const int field = (int)next((unsigned)widths.size() + 1) - (next(50) == 0 ? 2 : 0);
      const int ok = ReadField(s, record, plain, field, "", length, widths);
      ASSERT_EQ(ReadFieldFast(s, record, fast, field, "", layout), ok) << record << ' ' << field;
      ASSERT_EQ(fast, plain) << record << ' ' << field;
      if (ReadRecord(s, record, buffer)) {
        ASSERT_EQ(RecordField(buffer, field, copied), ok) << record << ' ' << field;
        ASSERT_EQ(copied, plain) << record << ' ' << field;
      } else {
        ASSERT_EQ(ok, 0) << record << ' ' << field;
      }
    }
    PlatClose(s);
  }
}

// Whole records of a file far larger than a stream's buffer, with a record
// length that makes records lie across the buffer's ends: every record
// comes back as the file holds it, in order and out of order, the partial
// last one as far as it goes; a free mark counts only on a whole record.
TEST(RecordFile, ReadRecordGivesEachRecordAsTheFileHoldsIt) {
  constexpr int kLength = 900;
  constexpr int kCount = 400;  // 360 kB: records at 64 kB boundaries are split
  std::string file;
  for (int n = 0; n < kCount; ++n)
    file += Rec("R" + std::to_string(n) + std::string((std::size_t)(n % 37), 'x'), kLength,
                n % 7 == 0 ? '+' : ' ');
  file += "TAIL+";  // a partial record ending in the free mark
  TempRoot root;
  std::string name = root.Path("BIG.DAT");
  WriteFileBytes(name, file);
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  const std::array<int, 1> widths = {kLength};
  RecordBuffer r{RecordLayout{kLength, widths}, {}, {}};
  struct Order {
    const char* name;
    int first, step;
  } orders[] = {{"forwards", 0, 1}, {"backwards", kCount, -1}, {"strided", 3, 73}};
  for (const Order& order : orders) {
    SCOPED_TRACE(order.name);
    for (int n = order.first; n >= 0 && n <= kCount; n += order.step) {
      ASSERT_EQ(ReadRecord(s, n, r), 1) << n;
      std::string want = file.substr((std::size_t)n * kLength, kLength);
      ASSERT_EQ(std::string(r.bytes), want) << n;
      EXPECT_EQ(IsFreeRecordBuffer(r), n < kCount && n % 7 == 0 ? 1 : 0) << n;
    }
  }
  EXPECT_EQ(ReadRecord(s, kCount + 1, r), 0);
  EXPECT_TRUE(r.bytes.empty());
  EXPECT_EQ(ReadRecord(s, -1, r), 0);
  EXPECT_EQ(ReadRecord(nullptr, 0, r), 0);
  PlatClose(s);
}

// A new record reuses the first free one after the record given, wherever
// it lies in a file of many buffers' worth of records.
TEST(RecordFile, FOpen2ReusesAFreeRecordAnywhereInALargeFile) {
  constexpr int kLength = 700;  // 93 whole records to a 64 kB block
  constexpr int kCount = 300;
  struct Case {
    const char* name;
    std::vector<int> free;
    int after;  // the record passed in; -1 searches from the first
    int want;
  } cases[] = {
      {"first", {0}, -1, 0},
      {"last_of_a_block", {92}, -1, 92},
      {"first_of_the_next_block", {93}, -1, 93},
      {"deep", {186, 250}, -1, 186},
      {"after_one", {10, 200}, 10, 200},
      {"last", {kCount - 1}, -1, kCount - 1},
      {"none", {}, -1, kCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file;
    for (int n = 0; n < kCount; ++n) {
      bool is_free = std::find(c.free.begin(), c.free.end(), n) != c.free.end();
      file += Rec("R" + std::to_string(n), kLength, is_free ? '+' : ' ');
    }
    TempRoot root;
    MessageRecorder messages;
    std::string name = root.Path("F.DAT");
    WriteFileBytes(name, file);
    int record = c.after < 0 ? 0 : c.after;
    PlatStream* s = FOpen2(name, kLength, kOpenNewRecord, record, c.after < 0 ? kReuseFromFirst : 2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(record, c.want);
    PlatClose(s);
    EXPECT_TRUE(messages.messages().empty());
  }
}

TEST(RecordFile, ReadFieldOfAMissingFileIsEmpty) {
  TempRoot root;
  MessageRecorder messages;
  std::string text = "stale";
  EXPECT_EQ(ReadField(nullptr, 0, text, 0, root.Path("NONE.DAT"), kL, kWidths), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ReadField(nullptr, 0, text, 0, "", kL, kWidths), 0);
  EXPECT_TRUE(messages.messages().empty());
}

// ---------------------------------------------------------------------------
// FindCode
struct FindCase {
  const char* name;
  std::string file;
  std::string code;
  int key_offset;
  int key_width;
  int found;
  int record;
};

TEST(RecordFile, FindCodeFindsTheFirstLiveRecordOfTheKey) {
  const std::string abc = Rec("ABC", kL);
  const std::string abc_free = Rec("ABC", kL, '+');
  const std::string other = Rec("XYZ", kL);
  const std::string keyed5 = Rec("12345abc", kL);  // key at offset 5
  const std::string long_key = std::string(50, 'k') + "DIFFERENT" + std::string(40, ' ');
  const FindCase cases[] = {
      // "abc" in width 10 matches ABC and seven blanks: case does not matter
      {"case_insensitive", other + abc, "abc", 0, 10, 1, 1},
      // a matching free record is passed over, the next live one wins
      {"free_passed_over", abc_free + other + abc, "ABC", 0, 10, 1, 2},
      // the first live record of a key wins
      {"first_wins", abc + abc, "ABC", 0, 10, 1, 0},
      // only free records of the key: not found
      {"only_free", other + abc_free, "ABC", 0, 10, 0, -1},
      // a prefix is no match: the key is blank-padded to its width
      {"prefix_no_match", Rec("ABCD", kL), "ABC", 0, 10, 0, -1},
      // the code is cut to the key width
      {"code_cut", other + abc, "ABC       tail", 0, 10, 1, 1},
      {"key_offset", other + keyed5, "ABC", 5, 3, 1, 1},
      {"not_there", other + other, "ABC", 0, 10, 0, -1},
      {"empty_code", abc, "", 0, 10, 0, -1},
      {"empty_file", "", "ABC", 0, 10, 0, -1},
      // a partial last record whose key is cut short does not match
      {"partial_key", other + "AB", "AB", 0, 10, 0, -1},
      // accented letters are compared as bytes: Ç is not ç
      {"accent_exact", Rec("AÇÃO", kL), "aÇÃo", 0, 10, 1, 0},
      {"accent_case", Rec("AÇÃO", kL), "ação", 0, 10, 0, -1},
      {"zero_width", abc, "ABC", 0, 0, 0, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F.DAT");
    WriteFileBytes(name, c.file);
    int record = 99;
    EXPECT_EQ(FindCodeInFile(c.code, name, kL, record, c.key_offset, c.key_width), c.found);
    EXPECT_EQ(record, c.record);
  }
  // width 60 compares 50 characters: a difference after the 50th is unseen
  {
    TempRoot root;
    std::string name = root.Path("G.DAT");
    constexpr int kLong = 100;
    WriteFileBytes(name, Rec("x", kLong) + Rec(long_key, kLong));
    int record = 99;
    EXPECT_EQ(FindCodeInFile(std::string(50, 'K') + "SOMETHING ELSE", name, kLong, record, 0, 60), 1);
    EXPECT_EQ(record, 1);
  }
}

TEST(RecordFile, FindCodeWithoutStreamOrFileIsNotFound) {
  TempRoot root;
  int record = 5;
  EXPECT_EQ(FindCode(nullptr, "ABC", kL, record, 0, 10), 0);
  EXPECT_EQ(record, -1);
  record = 5;
  EXPECT_EQ(FindCodeInFile("ABC", root.Path("NONE.DAT"), kL, record, 0, 10), 0);
  EXPECT_EQ(record, -1);
}

// ---------------------------------------------------------------------------
// IsFreeRecord, SeekInside, ReadText
TEST(RecordFile, IsFreeRecordLooksOnlyAtTheStatusByte) {
  struct Case {
    const char* name;
    int record;
    int free_record;
  };
  const Case cases[] = {
      {"live", 0, 0},       {"free", 1, 1},
      {"plus_not_last", 2, 0},  // '+' inside the record, status blank
      {"beyond_end", 4, 0}, {"partial", 3, 0}, {"negative", -1, 0},
  };
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Rec("A", kL) + Rec("B", kL, '+') + Rec("++++", kL) + "+++");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsFreeRecord(s, c.record, kL), c.free_record);
    EXPECT_EQ(IsFreeRecordInFile(name, c.record, kL), c.free_record);
  }
  PlatClose(s);
  EXPECT_EQ(IsFreeRecord(nullptr, 1, kL), 0);
  EXPECT_EQ(IsFreeRecordInFile(root.Path("NONE.DAT"), 1, kL), 0);
}

TEST(RecordFile, SeekInsideAcceptsOnlyPositionsInsideTheFile) {
  struct Case {
    long long position;
    int result;
  };
  const Case cases[] = {{0, 0}, {9, 0}, {10, 1}, {11, 1}, {-1, 1}};
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, "0123456789");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_EQ(SeekInside(s, c.position), c.result);
    if (c.result == 0) {
      EXPECT_EQ(PlatTell(s), c.position);
    }
  }
  PlatClose(s);
  EXPECT_EQ(SeekInside(nullptr, 0), 1);
  // an empty file has no position inside it
  WriteFileBytes(name, "");
  s = PlatOpen(name, PlatOpenMode::kRead);
  EXPECT_EQ(SeekInside(s, 0), 1);
  PlatClose(s);
}

TEST(RecordFile, ReadTextReadsAtMostTheWidth) {
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, "abcdef");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  std::string text;
  EXPECT_EQ(ReadText(s, text, 4), 1);
  EXPECT_EQ(text, "abcd");
  EXPECT_EQ(ReadText(s, text, 4), 1);  // short read at the end
  EXPECT_EQ(text, "ef");
  EXPECT_EQ(ReadText(s, text, 4), 0);
  EXPECT_EQ(text, "");
  PlatSeek(s, 0);
  EXPECT_EQ(ReadText(s, text, 0), 0);
  EXPECT_EQ(ReadText(nullptr, text, 3), 0);
  PlatClose(s);
}

// ---------------------------------------------------------------------------
// FileBusy with a scripted probe: how long it waits and what it says.
struct BusyCase {
  const char* name;
  bool exists;
  int busy_probes;
  int vanish_after;
  int type;
  int result;
  int sleeps;
  bool warns;
};

TEST(RecordFile, FileBusyWaitsAtMost21ProbesThenActsByType) {
  const BusyCase cases[] = {
      // a missing file is not busy: no probe, no pause
      {"missing", false, 0, 0, kBusyWarn, 0, 0, false},
      {"free_at_once", true, 0, 0, kBusyWarn, 0, 0, false},
      {"free_after_3", true, 3, 0, kBusyWarn, 0, 3, false},
      // free at the 21st probe, just in time
      {"free_at_21", true, 20, 0, kBusySilent, 0, 20, false},
      {"busy_type0", true, 100, 0, kBusySilent, 1, 20, false},
      {"busy_type1", true, 100, 0, kBusyWarn, 1, 20, true},
      {"busy_type2", true, 100, 0, kBusyGoAhead, 0, 20, false},
      // a file that disappears while we wait is not busy any more
      {"vanishes", true, 100, 2, kBusyWarn, 0, 2, false},
  };
  for (const BusyCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F.DAT");
    if (c.exists) WriteFileBytes(name, "x");
    BusyScript script;
    script.busy_probes = c.busy_probes;
    script.vanish_after = c.vanish_after;
    ScriptedPlatform scripted(script);
    MessageRecorder messages;
    EXPECT_EQ(FileBusy(name, c.type), c.result);
    EXPECT_EQ(script.sleeps, c.sleeps);
    EXPECT_EQ(script.slept_ms, c.sleeps * 50);
    EXPECT_EQ(script.cursors_shown, 1);
    EXPECT_EQ(script.cursors_restored, 1);
    if (c.warns) {
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0],
                (RecordedMessage{PlatIcon::kWarning, "FileBusy", "Sistema ocupado, tente novamente."}));
    } else {
      EXPECT_TRUE(messages.messages().empty());
    }
  }
}

// A busy file stops the reuse search (FileBusy type 0) and FOpen2 appends
// after waiting (type 2) rather than failing.
TEST(RecordFile, FOpen2AppendsToABusyFileAfterWaiting) {
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Records({' ', '+', ' '}));
  BusyScript script;
  script.busy_probes = 1000;
  ScriptedPlatform scripted(script);
  MessageRecorder messages;
  int record = 0;
  PlatStream* s = FOpen2(name, kL, kOpenNewRecord, record, kReuseFromFirst);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(record, 3);  // free record 1 not reused: the file was busy
  EXPECT_EQ(script.probes, 2 * kBusyAttempts);
  PlatClose(s);
  EXPECT_TRUE(messages.messages().empty());
}

}  // namespace
