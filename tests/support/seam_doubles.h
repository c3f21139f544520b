// Test doubles over the seam: a message recorder and fault injection. Linked
// into the tests and benchmarks only, never into a program.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "platform/platform.h"

// A message as a recorder keeps it.
using RecordedMessage = PlatMessage;

// How a test failure shows one (icon, caption, text).
inline void PrintTo(const PlatMessage& m, std::ostream* os) {
  *os << "{" << IconName(m.icon) << ", \"" << m.caption << "\", \"" << m.text << "\"}";
}

// Records every message in order (and shows none) while it lives. Recorders
// nest as sinks do: an inner recorder gets the messages shown while it lives
// (the outer one does not see them), and the outer records again once the
// inner one ends.
class MessageRecorder {
 public:
  MessageRecorder();
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  void Clear() { messages_.clear(); }

 private:
  std::vector<RecordedMessage> messages_;
  MessageSink sink_;
};

enum class FaultOp { kOpen, kWrite, kRename, kRemove, kSync, kRead, kClose, kTruncate };

// Exit status of a process ended by FaultInjector::CrashAt.
constexpr int kCrashExitStatus = 86;

// Fails the n-th call (counted from 1) of one kind of file operation, once or
// from then on, while the guard lives; counts the calls of every kind.
// An open that fails returns no handle; a write that fails writes nothing
// (or, with short writes, the first half of its bytes: a full disk); a read
// that fails reads nothing; a close that fails closes the handle all the same
// (the bytes written reached the file) and reports the failure; a rename or
// remove that fails leaves both names as they were.
class FaultInjector {
 public:
  FaultInjector();
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // n <= 0 disarms. persistent: every call from the n-th on fails. Replaces
  // every fault armed before.
  void FailAt(FaultOp op, int n, bool persistent = false);
  // Arms a second fault: the n-th call of its kind counted from the first
  // fault's firing (a second failure after the first).
  void FailAlsoAt(FaultOp op, int n, bool persistent = false);
  // The armed faults fire no more (a job's own clean-up after the part under
  // test); Fired keeps its count.
  void Disarm();
  void SetShortWrites(bool short_writes);
  // The disk is full from the n-th write on: a write that would make a file
  // grow writes what fits in place and half of the rest, then fails; a write
  // inside a file (freeing a record) still succeeds. Fired counts refusals.
  void FillDisk(int n);
  // Ends the process (std::_Exit with kCrashExitStatus) at the k-th file
  // operation of any kind, before it happens: a kill at that instant. For a
  // child process of a test.
  void CrashAt(long long k);
  int Calls(FaultOp op) const;
  // File operations of every kind so far (the count CrashAt looks at).
  long long TotalCalls() const;
  // 1 when an armed fault has fired at least once.
  int Fired() const;
  // Open handles not yet closed (to prove that a job closed everything).
  int OpenHandles() const;

 private:
  PlatformOps saved_;
};
