// Another program holding a file open for writing, for the tests of the busy
// wait (POSIX: the platform layer sees another writer through its advisory
// lock).
#pragma once
#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

// A child process that takes a write lock on the file, says so through a
// pipe, and keeps it until Release (or the end of the object).
class LockHolder {
 public:
  explicit LockHolder(const std::string& native_path) {
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
      pause();
      _exit(0);
    }
    close(fds[1]);
    char ok = '0';
    if (pid_ > 0 && read(fds[0], &ok, 1) == 1) locked_ = ok == '1';
    close(fds[0]);
  }
  ~LockHolder() { Release(); }
  void Release() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  bool locked() const { return locked_; }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

#endif  // _WIN32
