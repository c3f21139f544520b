#include "tests/support/seam_doubles.h"

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

namespace {

struct ArmedFault {
  FaultOp op;
  int at;
  bool persistent;
  bool after_first;  // counted from the calls after the first fault fired
  int calls = 0;
};

struct FaultState {
  PlatformOps inner;
  std::vector<ArmedFault> armed;
  bool short_writes = false;
  bool full_disk = false;
  std::map<PlatHandle, long long> position;  // where the next raw write goes
  long long crash_at = 0;
  long long total = 0;
  int fired = 0;
  std::map<FaultOp, int> calls;
  std::set<PlatHandle> open;
};
FaultState* g_faults = nullptr;

void CountOperation() {
  ++g_faults->total;
  if (g_faults->crash_at > 0 && g_faults->total >= g_faults->crash_at) std::_Exit(kCrashExitStatus);
}

bool ShouldFail(FaultOp op) {
  CountOperation();
  ++g_faults->calls[op];
  bool fail = false;
  const bool first_fired = g_faults->fired > 0;
  for (ArmedFault& f : g_faults->armed) {
    if (f.op != op || (f.after_first && !first_fired)) continue;
    int n = ++f.calls;
    if (f.at > 0 && (f.persistent ? n >= f.at : n == f.at)) fail = true;
  }
  if (fail) ++g_faults->fired;
  return fail;
}

PlatHandle FaultOpen(const std::string& path, PlatOpenMode mode) {
  if (ShouldFail(FaultOp::kOpen)) return kNoHandle;
  PlatHandle h = g_faults->inner.open_file(path, mode);
  if (h != kNoHandle) g_faults->open.insert(h);
  return h;
}
long long FaultRead(PlatHandle h, void* buffer, long long count) {
  if (ShouldFail(FaultOp::kRead)) return -1;
  return g_faults->inner.read_file(h, buffer, count);
}
long long FaultSeek(PlatHandle h, long long offset, int whence) {
  long long at = g_faults->inner.seek_file(h, offset, whence);
  g_faults->position[h] = at;
  return at;
}
long long FaultWrite(PlatHandle h, const void* data, long long count) {
  const PlatformOps& inner = g_faults->inner;
  const long long at = g_faults->position[h];
  long long done = -1;
  if (ShouldFail(FaultOp::kWrite)) {
    // A full disk refuses only what would make a file grow: what fits in
    // place is written, then half of the rest.
    long long keep = g_faults->short_writes ? count / 2 : 0;
    if (g_faults->full_disk) {
      long long size = inner.seek_file(h, 0, 2);
      inner.seek_file(h, at, 0);
      if (size >= 0 && at + count <= size) {
        done = inner.write_file(h, data, count);
        g_faults->position[h] = at + (done > 0 ? done : 0);
        --g_faults->fired;  // nothing refused
        return done;
      }
      keep = size > at ? size - at + (at + count - size) / 2 : count / 2;
    }
    if (keep > 0) inner.write_file(h, data, keep);
    g_faults->position[h] = at + keep;
    return -1;
  }
  done = inner.write_file(h, data, count);
  g_faults->position[h] = at + (done > 0 ? done : 0);
  return done;
}
int FaultClose(PlatHandle h) {
  bool fail = ShouldFail(FaultOp::kClose);
  g_faults->open.erase(h);
  int ok = g_faults->inner.close_file(h);
  return fail ? 0 : ok;
}
int FaultRename(const std::string& from, const std::string& to) {
  if (ShouldFail(FaultOp::kRename)) return 0;
  return g_faults->inner.rename_file(from, to);
}
int FaultRemove(const std::string& path) {
  if (ShouldFail(FaultOp::kRemove)) return 0;
  return g_faults->inner.remove_file(path);
}
int FaultSync(PlatHandle h) {
  if (ShouldFail(FaultOp::kSync)) return 0;
  return g_faults->inner.sync_file(h);
}
int FaultTruncate(PlatHandle h, long long length) {
  if (ShouldFail(FaultOp::kTruncate)) return 0;
  return g_faults->inner.truncate_file(h, length);
}

}  // namespace

MessageRecorder::MessageRecorder()
    : sink_([this](const RecordedMessage& m) { messages_.push_back(m); }) {}

FaultInjector::FaultInjector() : saved_(Platform()) {
  g_faults = new FaultState;
  g_faults->inner = saved_;
  PlatformOps ops = saved_;
  ops.open_file = FaultOpen;
  ops.write_file = FaultWrite;
  ops.close_file = FaultClose;
  ops.rename_file = FaultRename;
  ops.remove_file = FaultRemove;
  ops.sync_file = FaultSync;
  ops.read_file = FaultRead;
  ops.seek_file = FaultSeek;
  ops.truncate_file = FaultTruncate;
  SetPlatform(ops);
}

FaultInjector::~FaultInjector() {
  SetPlatform(saved_);
  delete g_faults;
  g_faults = nullptr;
}

void FaultInjector::FailAt(FaultOp op, int n, bool persistent) {
  g_faults->armed.assign(1, ArmedFault{op, n, persistent, false});
  g_faults->fired = 0;
}

void FaultInjector::FailAlsoAt(FaultOp op, int n, bool persistent) {
  g_faults->armed.push_back(ArmedFault{op, n, persistent, true});
}

void FaultInjector::Disarm() {
  for (ArmedFault& f : g_faults->armed) f.at = 0;
}

void FaultInjector::SetShortWrites(bool short_writes) { g_faults->short_writes = short_writes; }

void FaultInjector::FillDisk(int n) {
  g_faults->full_disk = true;
  g_faults->armed.assign(1, ArmedFault{FaultOp::kWrite, n, true, false});
  g_faults->fired = 0;
}

void FaultInjector::CrashAt(long long k) { g_faults->crash_at = k; }

long long FaultInjector::TotalCalls() const { return g_faults->total; }

int FaultInjector::Calls(FaultOp op) const {
  auto it = g_faults->calls.find(op);
  return it == g_faults->calls.end() ? 0 : it->second;
}

int FaultInjector::Fired() const { return g_faults->fired; }

int FaultInjector::OpenHandles() const { return (int)g_faults->open.size(); }
