// FileBusy against a real second process holding the file (POSIX: the
// platform layer sees another writer through its advisory lock). The Win32
// counterpart, a handle without read sharing, is in tests/win32/.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing.h"
#include "records/record_file.h"
#include "tests/unit/lock_holder.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

struct BusyCase {
  const char* name;
  int type;
  int release_at_pause;  // 0: held throughout
  int result;
  bool warns;
  int probes;
  int pauses;
};

// 21 probes with 20 pauses of 50 ms between them (about a second), then the
// type decides; a holder that lets go ends the wait at the next probe.
TEST(RecordsBusy, FileBusyProbesTwentyOneTimesForAnotherProcessThenActsByType) {
  const BusyCase cases[] = {
      {"type0_silent", kBusySilent, 0, 1, false, 21, 20},
      {"type1_warns", kBusyWarn, 0, 1, true, 21, 20},
      {"type2_goes_ahead", kBusyGoAhead, 0, 0, false, 21, 20},
      {"released_at_the_sixth_pause", kBusyWarn, 6, 0, false, 7, 6},
  };
  for (const BusyCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F34.DAT");
    WriteFileBytes(name, Rec("00001", 30));
    LockHolder holder(PlatNativePath(name));
    ASSERT_TRUE(holder.locked());
    MessageRecorder messages;
    CountedWaits waits([&](int pause) {
      if (pause == c.release_at_pause) holder.Release();
    });
    EXPECT_EQ(FileBusy(name, c.type), c.result);
    EXPECT_EQ(waits.probes(), c.probes);
    EXPECT_EQ(waits.pauses(), std::vector<int>((std::size_t)c.pauses, 50));
    if (c.warns) {
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0], (RecordedMessage{PlatIcon::kWarning, "FileBusy",
                                                         "Sistema ocupado, tente novamente."}));
    } else {
      EXPECT_TRUE(messages.messages().empty());
    }
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
