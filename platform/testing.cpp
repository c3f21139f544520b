#include "platform/testing.h"

#include <map>
#include <set>

namespace {

std::function<void(const RecordedMessage&)>* g_sink = nullptr;

void SinkMessage(PlatWindow, const std::string& text, const std::string& caption, PlatIcon icon) {
  if (g_sink && *g_sink) (*g_sink)(RecordedMessage{icon, caption, text});
}

struct FaultState {
  PlatformOps inner;
  FaultOp op = FaultOp::kOpen;
  int at = 0;
  bool persistent = false;
  int fired = 0;
  std::map<FaultOp, int> calls;
  std::set<PlatHandle> open;
};
FaultState* g_faults = nullptr;

bool ShouldFail(FaultOp op) {
  int n = ++g_faults->calls[op];
  if (g_faults->at <= 0 || op != g_faults->op) return false;
  bool fail = g_faults->persistent ? n >= g_faults->at : n == g_faults->at;
  if (fail) ++g_faults->fired;
  return fail;
}

PlatHandle FaultOpen(const std::string& path, PlatOpenMode mode) {
  if (ShouldFail(FaultOp::kOpen)) return kNoHandle;
  PlatHandle h = g_faults->inner.open_file(path, mode);
  if (h != kNoHandle) g_faults->open.insert(h);
  return h;
}
long long FaultWrite(PlatHandle h, const void* data, long long count) {
  if (ShouldFail(FaultOp::kWrite)) return -1;
  return g_faults->inner.write_file(h, data, count);
}
int FaultClose(PlatHandle h) {
  g_faults->open.erase(h);
  return g_faults->inner.close_file(h);
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

}  // namespace

const char* IconName(PlatIcon icon) {
  switch (icon) {
    case PlatIcon::kError: return "error";
    case PlatIcon::kWarning: return "warning";
    case PlatIcon::kInformation: return "information";
  }
  return "error";
}

MessageSink::MessageSink(std::function<void(const RecordedMessage&)> sink) : saved_(Platform()) {
  g_sink = new std::function<void(const RecordedMessage&)>(std::move(sink));
  PlatformOps ops = saved_;
  ops.show_message = SinkMessage;
  SetPlatform(ops);
}

MessageSink::~MessageSink() {
  delete g_sink;
  g_sink = nullptr;
  SetPlatform(saved_);
}

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
  SetPlatform(ops);
}

FaultInjector::~FaultInjector() {
  SetPlatform(saved_);
  delete g_faults;
  g_faults = nullptr;
}

void FaultInjector::FailAt(FaultOp op, int n, bool persistent) {
  g_faults->op = op;
  g_faults->at = n;
  g_faults->persistent = persistent;
  g_faults->fired = 0;
}

int FaultInjector::Calls(FaultOp op) const {
  auto it = g_faults->calls.find(op);
  return it == g_faults->calls.end() ? 0 : it->second;
}

int FaultInjector::Fired() const { return g_faults->fired; }

int FaultInjector::OpenHandles() const { return (int)g_faults->open.size(); }
