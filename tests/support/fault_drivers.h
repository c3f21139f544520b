// The two drivers every fault and kill test runs its job through, after
// SQLite's do_faultsim_test: FaultSweep fails the n-th operation of one kind
// for n = 1, 2, ... and hands each run's outcome to the job's own invariant;
// CrashSweep ends a child process at its k-th file operation and hands over
// the files it left. Tests only (GoogleTest).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/support/seam_doubles.h"

// With count > 0 a sweep visits the first `head` calls one by one, then
// steps of about 1/count of the calls a clean run makes.
struct Spread {
  int count = 0;
  int head = 4;
};

// One row of a fault sweep.
struct FaultPlan {
  FaultOp op;
  bool persistent = false;    // every call of op from the n-th on fails
  bool full_disk = false;     // FillDisk(n) in place of FailAt
  bool short_writes = false;  // a failing write writes half its bytes first
  int also_at = 0;            // > 0: also_op fails too, counted from the first failure
  FaultOp also_op = FaultOp::kOpen;
  bool also_persistent = false;
  Spread spread = {};  // count 0: every n until the fault no longer fires
  const char* name = "";
  int limit = 2000;  // the fault must stop firing before the limit-th call
};

// One run under a fault, as the job's check sees it.
struct FaultRun {
  FaultPlan plan;
  int n;
  int result;  // what the job returned: 0 for a failure it reported
  int fired;   // FaultInjector::Fired
  std::vector<RecordedMessage> messages;  // shown while the job ran
  std::string Label() const {
    static const char* const kNames[] = {"open", "write", "rename", "remove",
                                         "sync", "read",  "close",  "truncate"};
    std::string s = std::string(plan.name) + " " + (plan.full_disk ? "full disk" : kNames[(int)plan.op]);
    if (plan.also_at > 0) s += std::string(", then ") + kNames[(int)plan.also_op];
    return s + (plan.persistent ? " from call " : " at call ") + std::to_string(n);
  }
};

// Each op failing once, then each from then on, in plans of `limit`.
inline std::vector<FaultPlan> OnceAndFromThenOn(std::initializer_list<FaultOp> ops, int limit = 2000) {
  std::vector<FaultPlan> plans;
  for (FaultOp op : ops)
    for (bool persistent : {false, true}) plans.push_back({.op = op, .persistent = persistent, .limit = limit});
  return plans;
}

struct FaultCounts {
  int runs = 0, fired = 0, failures = 0;
};

template <typename Job>
auto RunJob(Job& job, FaultInjector& faults) {
  if constexpr (std::is_invocable_v<Job&, FaultInjector&>) {
    return job(faults);
  } else {
    return job();
  }
}

// Calls of *op (of any kind without op) in a clean run of prep() and job().
template <typename Prep, typename Job>
long long CleanRunCalls(const FaultOp* op, Prep& prep, Job& job) {
  prep();
  MessageRecorder quiet;
  FaultInjector count;
  RunJob(job, count);
  return op ? count.Calls(*op) : count.TotalCalls();
}

inline long long NextInSpread(long long n, long long calls, const Spread& spread) {
  if (spread.count <= 0 || n < spread.head) return n + 1;
  return n + std::max<long long>(1, calls / spread.count);
}

// For each plan, runs prep() and then job() under the plan's fault at
// n = 1, 2, ... until a run the fault does not fire in (spread: every n up to
// the calls of a clean run), and check(run) after each run. job() (or
// job(faults), to Disarm before its own clean-up) returns 0 when it failed.
// Every run must leave no handle open, a run the fault missed must succeed,
// and each plan's fault must fire. Returns the counts over all plans.
template <typename Prep, typename Job, typename Check>
FaultCounts FaultSweep(const std::vector<FaultPlan>& plans, Prep prep, Job job, Check check) {
  FaultCounts counts;
  for (const FaultPlan& plan : plans) {
    const int fired_before = counts.fired;
    const long long calls = plan.spread.count > 0 ? CleanRunCalls(&plan.op, prep, job) : 0;
    for (long long n = 1; plan.spread.count == 0 || n <= calls; n = NextInSpread(n, calls, plan.spread)) {
      FaultRun run{plan, (int)n, 0, 0, {}};
      SCOPED_TRACE(run.Label());
      prep();
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
        run.result = RunJob(job, faults);
        run.fired = faults.Fired();
        EXPECT_EQ(faults.OpenHandles(), 0);
      }
      run.messages = messages.messages();
      EXPECT_TRUE(run.result || run.fired) << "failed with no fault";
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
    EXPECT_GT(counts.fired, fired_before) << plan.name << " the fault never fired";
  }
  return counts;
}

#ifndef _WIN32
struct CrashCounts {
  int runs = 0, ended = 0;
  long long calls = 0;  // operations of the clean run, when spread
};

// Runs prep() and then job() in a forked child whose seam ends the process
// at its k-th file operation (FaultInjector::CrashAt), as a power cut or a
// kill would, for k = 1, 2, ... (spread: over the operations of a clean run)
// until the job finishes first, and check(k, ended) after each run with the
// files as the child left them. The child must end at k or finish; some run
// must end it. Returns the counts. POSIX only (fork).
template <typename Prep, typename Job, typename Check>
CrashCounts CrashSweep(const Spread& spread, Prep prep, Job job, Check check) {
  CrashCounts counts;
  const long long total = counts.calls = spread.count > 0 ? CleanRunCalls(nullptr, prep, job) : 0;
  for (long long k = 1; spread.count == 0 || k <= total; k = NextInSpread(k, total, spread)) {
    SCOPED_TRACE("ended at operation " + std::to_string(k));
    prep();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      MessageRecorder quiet;
      FaultInjector crash;
      crash.CrashAt(k);
      job();
      std::_Exit(0);
    }
    int status = -1;
    const bool exited = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
    const bool ended = exited && WEXITSTATUS(status) == kCrashExitStatus;
    if (!ended && !(exited && WEXITSTATUS(status) == 0)) {
      ADD_FAILURE() << "the child neither ended at the operation nor finished";
      break;
    }
    ++counts.runs;
    counts.ended += ended;
    check(k, ended);
    if (!ended) break;
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
    const pid_t child = fork();
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
