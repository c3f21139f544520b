// A crash replay without a debugger: the job runs in a forked child whose
// seam ends the process at its k-th file operation (FaultInjector::CrashAt),
// as a power cut or a killed program would. The test then checks what the
// files on disk say. POSIX only (fork).
#pragma once
#ifndef _WIN32

#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/seam_doubles.h"

// Runs job() in a child that ends at its k-th file operation. Returns 1 when
// the child was ended there, 0 when the job finished before (k past its last
// operation), -1 when no child could be started.
template <typename Job>
int RunEndedAt(long long k, Job job) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    MessageRecorder quiet;
    FaultInjector crash;
    crash.CrashAt(k);
    job();
    std::_Exit(0);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == kCrashExitStatus ? 1 : 0;
}

#endif
