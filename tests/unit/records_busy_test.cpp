// FileBusy against a real second process holding the file (POSIX: the
// platform layer sees another writer through its advisory lock). The Win32
// counterpart, a handle without read sharing, is in tests/win32/.
#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/platform.h"
#include "platform/testing.h"
#include "records/record_file.h"
#include "tests/unit/records_test_support.h"
#include "tests/unit/test_support.h"

namespace {

// A child process that takes a write lock on the file, says so through a
// pipe, and keeps it for hold_ms (or until killed).
class LockHolder {
 public:
  LockHolder(const std::string& native_path, int hold_ms) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int fd = open(native_path.c_str(), O_RDWR);
      struct flock fl = {};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      char ok = (fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0) ? '1' : '0';
      (void)!write(fds[1], &ok, 1);
      usleep((useconds_t)hold_ms * 1000);
      _exit(0);
    }
    close(fds[1]);
    char ok = '0';
    if (pid_ > 0 && read(fds[0], &ok, 1) == 1) locked_ = ok == '1';
    close(fds[0]);
  }
  ~LockHolder() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct HeldCase {
  const char* name;
  int type;
  int result;
  bool warns;
};

TEST(RecordsBusy, FileBusyWaitsAboutASecondForAnotherProcessThenActsByType) {
  const HeldCase cases[] = {
      {"type0_silent", kBusySilent, 1, false},
      {"type1_warns", kBusyWarn, 1, true},
      {"type2_goes_ahead", kBusyGoAhead, 0, false},
  };
  for (const HeldCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempRoot root;
    std::string name = root.Path("F34.DAT");
    WriteFileBytes(name, Rec("00001", 30));
    LockHolder holder(PlatNativePath(name), 10000);
    ASSERT_TRUE(holder.locked());
    MessageRecorder messages;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FileBusy(name, c.type), c.result);
    double took = Seconds(start);
    EXPECT_GE(took, 0.9);  // 20 pauses of 50 ms
    EXPECT_LT(took, 3.0);
    if (c.warns) {
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_EQ(messages.messages()[0], (RecordedMessage{PlatIcon::kWarning, "FileBusy",
                                                         "Sistema ocupado, tente novamente."}));
    } else {
      EXPECT_TRUE(messages.messages().empty());
    }
  }
}

TEST(RecordsBusy, FileBusyGoesAheadAsSoonAsTheOtherProcessLetsGo) {
  TempRoot root;
  std::string name = root.Path("F34.DAT");
  WriteFileBytes(name, Rec("00001", 30));
  LockHolder holder(PlatNativePath(name), 300);
  ASSERT_TRUE(holder.locked());
  MessageRecorder messages;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileBusy(name, kBusyWarn), 0);
  double took = Seconds(start);
  EXPECT_GE(took, 0.2);
  EXPECT_LT(took, 0.9);
  EXPECT_TRUE(messages.messages().empty());
}

TEST(RecordsBusy, FileBusyOnAMissingFileReturnsAtOnce) {
  TempRoot root;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileBusy(root.Path("NONE.DAT"), kBusyWarn), 0);
  EXPECT_LT(Seconds(start), 0.04);
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
