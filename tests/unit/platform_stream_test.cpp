#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>
#include <string>

#include "platform/platform.h"
#include "tests/support/fault_drivers.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/test_support.h"

namespace {

TEST(PlatformStream, ReadsThroughSeeksWithinTheBuffer) {
  TempRoot root;
  std::string name = root.Path("a.dat");
  WriteFileBytes(name, std::string("0123456789abcdef"));
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  char buf[4] = {};
  ASSERT_EQ(PlatSeek(s, 10), 1);
  EXPECT_EQ(PlatRead(s, buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "abc");
  ASSERT_EQ(PlatSeek(s, 2), 1);
  EXPECT_EQ(PlatRead(s, buf, 2), 2u);
  EXPECT_EQ(std::string(buf, 2), "23");
  ASSERT_EQ(PlatSeek(s, 15), 1);
  EXPECT_EQ(PlatRead(s, buf, 4), 1u);  // short read at the end
  EXPECT_EQ(PlatRead(s, buf, 4), 0u);
  EXPECT_EQ(PlatSize(s), 16);
  EXPECT_EQ(PlatWrite(s, "x", 1), 0);  // read-only stream refuses writes
  EXPECT_EQ(PlatClose(s), 1);
}

TEST(PlatformStream, AppendWritesGoToTheEndWhateverThePosition) {
  TempRoot root;
  std::string name = root.Path("b.dat");
  WriteFileBytes(name, "abc");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kAppend);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(PlatTell(s), 3);
  ASSERT_EQ(PlatSeek(s, 0), 1);
  EXPECT_EQ(PlatWrite(s, "XY", 2), 1);
  EXPECT_EQ(PlatSize(s), 5);
  EXPECT_EQ(PlatClose(s), 1);
  EXPECT_EQ(ReadFileBytes(name), "abcXY");
}

TEST(PlatformStream, UpdateRewritesInPlaceAndReadsItsOwnWrites) {
  TempRoot root;
  std::string name = root.Path("c.dat");
  WriteFileBytes(name, std::string("aaaa\x1a" "bbbb", 9));
  PlatStream* s = PlatOpen(name, PlatOpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(PlatSeek(s, 5), 1);
  EXPECT_EQ(PlatWrite(s, "BB", 2), 1);
  ASSERT_EQ(PlatSeek(s, 4), 1);
  char buf[5] = {};
  EXPECT_EQ(PlatRead(s, buf, 5), 5u);  // 0x1A does not end a binary read
  EXPECT_EQ(std::string(buf, 5), "\x1a" "BBbb");
  EXPECT_EQ(PlatClose(s), 1);
  EXPECT_EQ(ReadFileBytes(name), "aaaa\x1a" "BBbb");
}

// Small writes are gathered and large ones go straight to the file: in any
// mix, with seeks between them, the file ends up as the writes in their
// order say, and reading back through the same stream sees them.
TEST(PlatformStream, MixedSmallAndLargeWritesLandInOrder) {
  constexpr std::size_t kLarge = 200 * 1024;
  struct Op {
    long long seek;  // -1: no seek before the write
    std::size_t size;
    char fill;
  };
  struct Case {
    const char* name;
    PlatOpenMode mode;
    std::string before;
    std::vector<Op> ops;
  } cases[] = {
      {"small_then_large", PlatOpenMode::kCreate, "", {{-1, 10, 'a'}, {-1, kLarge, 'b'}, {-1, 5, 'c'}}},
      {"large_then_small", PlatOpenMode::kCreate, "", {{-1, kLarge, 'a'}, {-1, 3, 'b'}}},
      {"large_over_gathered", PlatOpenMode::kUpdate, std::string(300000, '.'),
       {{100, 50, 'a'}, {120, kLarge, 'b'}, {-1, 7, 'c'}, {10, 4, 'd'}}},
      {"large_behind_gathered", PlatOpenMode::kUpdate, std::string(300000, '.'),
       {{250000, 20, 'a'}, {0, kLarge, 'b'}, {-1, 1, 'c'}}},
      {"append_ignores_seeks", PlatOpenMode::kAppend, "xyz",
       {{0, 2, 'a'}, {1, kLarge, 'b'}, {0, 2, 'c'}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("w.dat");
    if (c.mode != PlatOpenMode::kCreate) WriteFileBytes(name, c.before);
    std::string model = c.before;
    PlatStream* s = PlatOpen(name, c.mode);
    ASSERT_NE(s, nullptr);
    long long at = c.mode == PlatOpenMode::kAppend ? (long long)model.size() : 0;
    for (const Op& op : c.ops) {
      if (op.seek >= 0) {
        ASSERT_EQ(PlatSeek(s, op.seek), 1);
        at = op.seek;
      }
      std::string bytes(op.size, op.fill);
      ASSERT_EQ(PlatWrite(s, bytes.data(), bytes.size()), 1);
      if (c.mode == PlatOpenMode::kAppend) at = (long long)model.size();
      if (model.size() < (std::size_t)at + op.size) model.resize((std::size_t)at + op.size, '\0');
      model.replace((std::size_t)at, op.size, bytes);
      at += (long long)op.size;
    }
    if (c.mode == PlatOpenMode::kUpdate) {
      // the stream reads its own writes, gathered or not
      std::string back(model.size(), '?');
      ASSERT_EQ(PlatSeek(s, 0), 1);
      ASSERT_EQ(PlatRead(s, back.data(), back.size()), model.size());
      EXPECT_TRUE(back == model);
    }
    ASSERT_EQ(PlatClose(s), 1);
    std::string after = ReadFileBytes(name);
    ASSERT_EQ(after.size(), model.size());
    EXPECT_TRUE(after == model);
  }
}

TEST(PlatformStream, MissingFileDoesNotOpenForReadOrUpdate) {
  TempRoot root;
  EXPECT_EQ(PlatOpen(root.Path("none.dat"), PlatOpenMode::kRead), nullptr);
  EXPECT_EQ(PlatOpen(root.Path("none.dat"), PlatOpenMode::kUpdate), nullptr);
  EXPECT_EQ(PlatOpen("", PlatOpenMode::kAppend), nullptr);
}

TEST(PlatformStream, ReadLineTakesWholeLinesOfAnyLength) {
  TempRoot root;
  std::string name = root.Path("l.txt");
  std::string longline(5000, 'x');
  WriteFileBytes(name, "one\r\n" + longline + "\ntwo\r\nlast");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kRead);
  ASSERT_NE(s, nullptr);
  std::string line;
  ASSERT_EQ(PlatReadLine(s, line), 1);
  EXPECT_EQ(line, "one");
  ASSERT_EQ(PlatReadLine(s, line), 1);
  EXPECT_EQ(line, longline);
  ASSERT_EQ(PlatReadLine(s, line), 1);
  EXPECT_EQ(line, "two");
  ASSERT_EQ(PlatReadLine(s, line), 1);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(PlatReadLine(s, line), 0);
  PlatClose(s);
}

TEST(FaultInjection, FailedWriteIsReportedAtCloseAndNothingIsWritten) {
  TempRoot root;
  std::string name = root.Path("f.dat");
  FaultInjector faults;
  faults.FailAt(FaultOp::kWrite, 1);
  PlatStream* s = PlatOpen(name, PlatOpenMode::kCreate);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(PlatWrite(s, "hello", 5), 1);  // buffered
  EXPECT_EQ(faults.OpenHandles(), 1);
  EXPECT_EQ(PlatClose(s), 0);
  EXPECT_EQ(faults.OpenHandles(), 0);
  EXPECT_EQ(faults.Fired(), 1);
  EXPECT_EQ(ReadFileBytes(name), "");
}

TEST(FaultInjection, NthOpenAndRenameFail) {
  TempRoot root;
  std::string a = root.Path("a.txt"), b = root.Path("b.txt");
  WriteFileBytes(a, "A");
  FaultInjector faults;
  faults.FailAt(FaultOp::kOpen, 2);
  PlatStream* first = PlatOpen(a, PlatOpenMode::kRead);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(PlatOpen(a, PlatOpenMode::kRead), nullptr);
  EXPECT_EQ(faults.Fired(), 1);
  PlatStream* third = PlatOpen(a, PlatOpenMode::kRead);
  EXPECT_NE(third, nullptr);
  PlatClose(first);
  PlatClose(third);
  faults.FailAt(FaultOp::kRename, 1);
  EXPECT_EQ(PlatRename(a, b), 0);
  EXPECT_EQ(faults.Fired(), 1);
  EXPECT_EQ(ReadFileBytes(a), "A");
  EXPECT_EQ(PlatRename(a, b), 1);
  EXPECT_EQ(ReadFileBytes(b), "A");
  EXPECT_EQ(faults.Calls(FaultOp::kRename), 2);
}

TEST(Platform, RenameReplacesAnExistingFile) {
  TempRoot root;
  WriteFileBytes(root.Path("new.txt"), "new");
  WriteFileBytes(root.Path("old.txt"), "old");
  EXPECT_EQ(PlatRename(root.Path("new.txt"), root.Path("old.txt")), 1);
  EXPECT_EQ(ReadFileBytes(root.Path("old.txt")), "new");
  EXPECT_EQ(PlatFileExists(root.Path("new.txt")), 0);
}

// A file rewritten whole is the old one or the new one after any failure,
// and its temporary file never stays.
TEST(Replacement, LeavesTheOldFileOrTheNewOneAndNoTemporary) {
  struct Case {
    FaultOp op;
    long long reserve;  // room set aside before the writes
  } cases[] = {
      {FaultOp::kOpen, 0},    // temporary cannot be made
      {FaultOp::kWrite, 0},   // bytes refused
      {FaultOp::kSync, 0},    // not forced onto the disk
      {FaultOp::kClose, 0},   // last bytes lost at close
      {FaultOp::kRename, 0},  // not put in place
      {FaultOp::kWrite, 1 << 20},  // reserved room: the file is as long as written
#ifndef _WIN32  // Windows reserves nothing, so has nothing to give back
      {FaultOp::kTruncate, 1 << 20},  // the room past the end not given back
#endif
  };
  TempRoot root;
  const std::string path = root.Path("t.txt"), temp = root.Path("t.txt.tmp"), bytes = "new bytes\r\n";
  for (const Case& c : cases) {
    FaultSweep(
        {{.op = c.op}}, [&] { WriteFileBytes(path, "old"); },
        [&] {
          if (c.reserve == 0) return PlatReplaceWhole(path, temp, bytes, 1);
          PlatReplacement r;
          int ok = PlatBeginReplacement(r, path, temp);
          PlatReserveReplacement(r, c.reserve);
          PlatReplacementWrite(r, bytes.data(), bytes.size());
          return (int)(ok && PlatCommitReplacement(r, 1));
        },
        [&](const FaultRun& run) {
          if (run.n == 1) {
            EXPECT_EQ(run.result, 0);  // the first call of each kind is needed
          }
          EXPECT_EQ(ReadFileBytes(path), run.result ? bytes : "old");
          EXPECT_EQ(PlatFileExists(temp), 0);
        });
  }
}

TEST(MessageRecorder, RecordsIconCaptionAndTextInOrder) {
  MessageRecorder rec;
  PlatShowMessage(nullptr, "um", "A", PlatIcon::kError);
  PlatShowMessage(nullptr, "dois", "B", PlatIcon::kWarning);
  ASSERT_EQ(rec.messages().size(), 2u);
  EXPECT_EQ(rec.messages()[0], (RecordedMessage{PlatIcon::kError, "A", "um"}));
  EXPECT_EQ(rec.messages()[1], (RecordedMessage{PlatIcon::kWarning, "B", "dois"}));
}

TEST(MessageRecorder, AnInnerRecorderTakesItsMessagesAndHandsBackToTheOuter) {
  MessageRecorder outer;
  PlatShowMessage(nullptr, "antes", "A", PlatIcon::kError);
  {
    MessageRecorder inner;
    PlatShowMessage(nullptr, "dentro", "B", PlatIcon::kWarning);
    EXPECT_EQ(inner.messages(),
              (std::vector<RecordedMessage>{{PlatIcon::kWarning, "B", "dentro"}}));
  }
  PlatShowMessage(nullptr, "depois", "C", PlatIcon::kInformation);
  EXPECT_EQ(outer.messages(), (std::vector<RecordedMessage>{{PlatIcon::kError, "A", "antes"},
                                                            {PlatIcon::kInformation, "C", "depois"}}));
}

}  // namespace
