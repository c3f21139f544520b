// FileBusy and FOpen2 against a real Win32 handle held by "another program":
// sharing is enforced per handle, so a handle of this process (or of a
// second thread) stands for the larger product holding the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "records/record_file.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

HANDLE Hold(const std::string& name, DWORD access, DWORD share) {
  return CreateFileA(PlatNativePath(name).c_str(), access, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A holder is busy through all 21 probes (20 pauses of 50 ms); one that lets
// go is free at the next probe. (What each type does next is in the unit
// tests of the record files.)
TEST(RecordsBusyWin32, FileBusySeesAHolderHoldAndLetGo) {
  const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const struct {
    const char* name;
    DWORD access;
    DWORD share;
    int release_at_pause;  // 0: held throughout
    int result;
    int probes;
    int pauses;
  } cases[] = {
      // a writer that lets others read and write: still a writer
      {"writer", GENERIC_WRITE, kShareAll, 0, 1, 21, 20},
      {"writer_lets_go", GENERIC_WRITE, kShareAll, 6, 0, 7, 6},
      // a reader that shares nothing
      {"exclusive_reader", GENERIC_READ, 0, 0, 1, 21, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F34.DAT");
    WriteFileBytes(name, Rec("00001", 30));
    HANDLE held = Hold(name, c.access, c.share);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
      CountedWaits waits([&](int pause) {
        if (pause == c.release_at_pause) {
          CloseHandle(held);
          held = INVALID_HANDLE_VALUE;
        }
      });
      EXPECT_EQ(FileBusy(name, kBusySilent), c.result);
      EXPECT_EQ(waits.probes(), c.probes);
      EXPECT_EQ(waits.pauses(), std::vector<int>((std::size_t)c.pauses, 50));
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  }
}

// The larger product writing the file (sharing read and write): the free
// record is not reused, the new record is appended after the wait.
TEST(RecordsBusyWin32, FOpen2AppendsBesideAWriterThatShares) {
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Rec("A", 30) + Rec("B", 30, '+'));
  HANDLE held = Hold(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  MessageRecorder messages;
  CountedWaits waits;
  int record = 0;
  PlatStream* s = FOpen2(name, 30, kOpenNewRecord, record, kReuseFromFirst);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(waits.probes(), 42);  // the reuse's wait, then the append's
  EXPECT_EQ(record, 2);
  std::string mine = Rec("NEW", 30);
  PlatWrite(s, mine.data(), mine.size());
  EXPECT_EQ(PlatClose(s), 1);
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(name).substr(60), mine);
  EXPECT_TRUE(messages.messages().empty());
}

// A holder that shares nothing: the append cannot open the file either.
TEST(RecordsBusyWin32, FOpen2ReportsAFileHeldExclusively) {
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Rec("A", 30));
  HANDLE held = Hold(name, GENERIC_READ, 0);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  MessageRecorder messages;
  CountedWaits waits;
  int record = 0;
  EXPECT_EQ(FOpen2(name, 30, kOpenNewRecord, record, kReuseNever), nullptr);
  EXPECT_EQ(waits.probes(), 21);
  EXPECT_EQ(record, -1);
  CloseHandle(held);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0],
            (RecordedMessage{PlatIcon::kError, "FOpen2", "Erro ao abrir o arquivo."}));
  EXPECT_EQ(ReadFileBytes(name), Rec("A", 30));
}

// The job lock: a second holder is refused while the first holds it, the
// lock file left behind blocks nobody, and truncation cuts a torn record.
TEST(RecordsBusyWin32, JobLockAndTruncate) {
  TempRoot root;
  std::string lock = root.Path("VriImportacao.lck");
  PlatHandle first = PlatLockFile(lock);
  ASSERT_NE(first, kNoHandle);
  EXPECT_EQ(PlatLockFile(lock), kNoHandle);
  PlatUnlockFile(first);
  PlatHandle again = PlatLockFile(lock);
  EXPECT_NE(again, kNoHandle);
  PlatUnlockFile(again);

  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Rec("A", 30) + "torn");
  PlatStream* s = PlatOpen(name, PlatOpenMode::kUpdate);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(PlatTruncate(s, 30), 1);
  EXPECT_EQ(PlatClose(s), 1);
  EXPECT_EQ(ReadFileBytes(name), Rec("A", 30));
}

}  // namespace
