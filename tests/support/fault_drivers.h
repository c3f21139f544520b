// The two drivers every fault and kill test runs its job through, after
// SQLite's do_faultsim_test: FaultSweep fails the n-th operation of one kind
// for n = 1, 2, ... and hands each run's outcome to the job's own invariant;
// CrashSweep ends a child process at its k-th file operation and lets the
// test look at what the files say. Tests only (GoogleTest).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/support/seam_doubles.h"

// Which calls a sweep visits: with count > 0, the first `head` calls one by
// one, then steps of about 1/count of the calls a clean run makes.
struct Spread {
  int count = 0;
  int head = 4;
};

// One row of a fault sweep.
struct FaultPlan {
  FaultOp op;
  bool persistent = false;    // every call of op from the n-th on fails
  bool full_disk = false;     // FillDisk(n): the disk is full from the n-th write on
  bool short_writes = false;  // a failing write writes half its bytes first
  int also_at = 0;            // > 0: also_op fails too, counted from the first failure
  FaultOp also_op = FaultOp::kOpen;
  bool also_persistent = false;
  Spread spread = {};  // count 0: every n until the fault no longer fires
  const char* name = "";
  int limit = 2000;  // the fault must stop firing before the limit-th call
};

// What one run under a fault gives the job's check.
struct FaultRun {
  FaultPlan plan;
  int n;
  int result;        // what the job returned: 0 for a failure it reported
  int fired;         // FaultInjector::Fired
  int open_handles;  // FaultInjector::OpenHandles when the job returned
  std::vector<RecordedMessage> messages;  // shown while the job ran
  std::string Label() const {
    static const char* const kNames[] = {"open",  "write", "rename", "remove",
                                         "sync",  "read",  "close",  "truncate"};
    std::string s = std::string(plan.name) + " " + (plan.full_disk ? "full disk" : kNames[(int)plan.op]);
    if (plan.also_at > 0) s += std::string(", then ") + kNames[(int)plan.also_op];
    return s + (plan.persistent ? " from call " : " at call ") + std::to_string(n);
  }
};

// Runs of a sweep: all of them, those the fault fired in, those that failed.
struct FaultCounts {
  int runs = 0;
  int fired = 0;
  int failures = 0;
};

// Calls of op in a clean run of the job (prep first), for a spread sweep.
template <typename Prep, typename Job>
long long CleanRunCalls(const FaultOp* op, Prep& prep, Job& job) {
  prep();
  MessageRecorder quiet;
  FaultInjector count;
  if constexpr (std::is_invocable_v<Job&, FaultInjector&>) {
    job(count);
  } else {
    job();
  }
  return op ? count.Calls(*op) : count.TotalCalls();
}

inline long long NextInSpread(long long n, long long calls, const Spread& spread) {
  if (spread.count <= 0 || n < spread.head) return n + 1;
  return n + std::max<long long>(1, calls / spread.count);
}

// Runs prep() and then job() under plan's fault at n = 1, 2, ... until a run
// the fault does not fire in (every n up to the calls of a clean run, when
// spread), and check(run) after each run. job() (or job(faults), to disarm
// before its own clean-up) returns 0 when it failed. Every run must leave no
// handle open, a run the fault did not touch must succeed, and the fault must
// fire at least once. Returns the counts for the test's own figures.
template <typename Prep, typename Job, typename Check>
FaultCounts FaultSweep(const FaultPlan& plan, Prep prep, Job job, Check check) {
  FaultCounts counts;
  const long long calls = plan.spread.count > 0 ? CleanRunCalls(&plan.op, prep, job) : 0;
  for (long long n = 1; plan.spread.count == 0 || n <= calls; n = NextInSpread(n, calls, plan.spread)) {
    FaultRun run{plan, (int)n, 0, 0, 0, {}};
    SCOPED_TRACE(run.Label());
    prep();
    {
      MessageRecorder messages;
      {
        FaultInjector faults;
        faults.SetShortWrites(plan.short_writes);
        if (plan.full_disk) {
          faults.FillDisk(run.n);
        } else {
          faults.FailAt(plan.op, run.n, plan.persistent);
        }
        if (plan.also_at > 0) faults.FailAlsoAt(plan.also_op, plan.also_at, plan.also_persistent);
        if constexpr (std::is_invocable_v<Job&, FaultInjector&>) {
          run.result = job(faults);
        } else {
          run.result = job();
        }
        run.fired = faults.Fired();
        run.open_handles = faults.OpenHandles();
      }
      run.messages = messages.messages();
    }
    EXPECT_EQ(run.open_handles, 0);
    if (!run.fired) {
      EXPECT_NE(run.result, 0) << "failed with no fault";
    }
    ++counts.runs;
    counts.fired += run.fired > 0;
    counts.failures += run.result == 0;
    check(run);
    if (!run.fired) break;
    if (n + 1 >= plan.limit) {
      ADD_FAILURE() << "the fault never stopped firing";
      break;
    }
  }
  EXPECT_GT(counts.fired, 0) << plan.name << " the fault never fired";
  return counts;
}

// Sweeps every plan in turn; the counts add up.
template <typename Plans, typename Prep, typename Job, typename Check>
FaultCounts FaultSweepAll(const Plans& plans, Prep prep, Job job, Check check) {
  FaultCounts total;
  for (const FaultPlan& plan : plans) {
    const FaultCounts c = FaultSweep(plan, prep, job, check);
    total.runs += c.runs;
    total.fired += c.fired;
    total.failures += c.failures;
  }
  return total;
}

#ifndef _WIN32
// A crash replay without a debugger: job() runs in a forked child whose seam
// ends the process at its k-th file operation (FaultInjector::CrashAt), as a
// power cut or a killed program would. Returns 1 when the child was ended
// there, 0 when the job finished before (k past its last operation), -1 when
// no child could be started or it ended any other way. POSIX only (fork).
template <typename Job>
int RunEndedAt(long long k, Job job) {
  std::fflush(nullptr);
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
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  if (WEXITSTATUS(status) == kCrashExitStatus) return 1;
  return WEXITSTATUS(status) == 0 ? 0 : -1;
}

// Runs of a crash sweep: all of them, and those ended before the job's end.
struct CrashCounts {
  int runs = 0;
  int ended = 0;
  long long calls = 0;  // operations of the clean run, when spread
};

// Runs prep() and then job() in a child ended at its k-th file operation for
// k = 1, 2, ... (spread over the operations of a clean run, when asked) until
// the job finishes first, and check(k, ended) after each run, where the files
// are as the ended child left them. Returns the counts.
template <typename Prep, typename Job, typename Check>
CrashCounts CrashSweep(const Spread& spread, Prep prep, Job job, Check check) {
  CrashCounts counts;
  const long long total = counts.calls = spread.count > 0 ? CleanRunCalls(nullptr, prep, job) : 0;
  for (long long k = 1; spread.count == 0 || k <= total; k = NextInSpread(k, total, spread)) {
    SCOPED_TRACE("ended at operation " + std::to_string(k));
    prep();
    const int r = RunEndedAt(k, job);
    if (r < 0) {
      ADD_FAILURE() << "the child did not end at an operation or finish";
      break;
    }
    ++counts.runs;
    counts.ended += r;
    check(k, r == 1);
    if (r == 0) break;
  }
  EXPECT_GT(counts.ended, 0) << "no run was ended";
  return counts;
}

// Starts `count` children that run job() at once, each showing no message,
// and waits for them. Returns how many returned 1.
template <typename Job>
int RunAtOnce(int count, Job job) {
  std::fflush(nullptr);
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t child = fork();
    if (child == 0) {
      MessageRecorder quiet;
      std::_Exit(job() == 1 ? 0 : 1);
    }
    if (child > 0) children.push_back(child);
  }
  int succeeded = 0;
  for (pid_t child : children) {
    int status = 0;
    succeeded += waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return succeeded;
}
#endif
