#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "platform/testing.h"
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
  PlatStream* third = PlatOpen(a, PlatOpenMode::kRead);
  EXPECT_NE(third, nullptr);
  PlatClose(first);
  PlatClose(third);
  faults.FailAt(FaultOp::kRename, 1);
  EXPECT_EQ(PlatRename(a, b), 0);
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

TEST(MessageRecorder, RecordsIconCaptionAndTextInOrder) {
  MessageRecorder rec;
  PlatShowMessage(nullptr, "um", "A", PlatIcon::kError);
  PlatShowMessage(nullptr, "dois", "B", PlatIcon::kWarning);
  ASSERT_EQ(rec.messages().size(), 2u);
  EXPECT_EQ(rec.messages()[0], (RecordedMessage{PlatIcon::kError, "A", "um"}));
  EXPECT_EQ(rec.messages()[1], (RecordedMessage{PlatIcon::kWarning, "B", "dois"}));
}

}  // namespace
