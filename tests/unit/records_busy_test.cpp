// FileBusy against a real second process holding the file (POSIX: the
// platform layer sees another writer through its advisory lock). The Win32
// counterpart, a handle without read sharing, is in tests/win32/.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "records/record_file.h"
#include "tests/support/seam_doubles.h"
#include "tests/unit/lock_holder.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

// A real holder is busy through all 21 probes (20 pauses of 50 ms); one that
// lets go is free at the next probe. (What each type does next is in
// records_file_test.)
TEST(RecordsBusy, FileBusySeesAnotherProcessHoldAndLetGo) {
  const struct {
    const char* name;
    int release_at_pause;  // 0: held throughout
    int result;
    int probes;
    int pauses;
  } cases[] = {{"held", 0, 1, 21, 20}, {"released_at_the_sixth_pause", 6, 0, 7, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F34.DAT");
    WriteFileBytes(name, Rec("00001", 30));
    LockHolder holder(PlatNativePath(name));
    ASSERT_TRUE(holder.locked());
    CountedWaits waits([&](int pause) {
      if (pause == c.release_at_pause) holder.Release();
    });
    EXPECT_EQ(FileBusy(name, kBusySilent), c.result);
    EXPECT_EQ(waits.probes(), c.probes);
    EXPECT_EQ(waits.pauses(), std::vector<int>((std::size_t)c.pauses, 50));
  }
}

TEST(RecordsBusy, FileBusyOnAMissingFileNeitherProbesNorPauses) {
  TempRoot root;
  CountedWaits waits;
  EXPECT_EQ(FileBusy(root.Path("NONE.DAT"), kBusyWarn), 0);
  EXPECT_EQ(waits.probes(), 0);
  EXPECT_TRUE(waits.pauses().empty());
}

// Our own open streams do not make a file busy for ourselves.
TEST(RecordsBusy, OwnUpdateStreamIsNoOtherWriter) {
  TempRoot root;
  std::string name = root.Path("F.DAT");
  WriteFileBytes(name, Rec("A", 30));
  PlatStream* mine = PlatOpen(name, PlatOpenMode::kUpdate);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(FileBusy(name, kBusySilent), 0);
  PlatClose(mine);
}

}  // namespace

#endif  // _WIN32
