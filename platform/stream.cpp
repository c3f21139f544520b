// Buffered streams and the thin wrappers over the operations in force.
// Portable: no system header, only the raw operations of PlatformOps.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

const PlatformOps* g_ops = nullptr;
PlatformOps g_installed;

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

const PlatformOps& Platform() { return g_ops ? *g_ops : DefaultPlatform(); }

void SetPlatform(const PlatformOps& ops) {
  g_installed = ops;
  g_ops = &g_installed;
}

void RestorePlatform() { g_ops = nullptr; }

void PlatShowMessage(PlatWindow owner, const std::string& text, const std::string& caption,
                     PlatIcon icon, const std::string& detail) {
  Platform().show_message(owner, text, caption, icon, detail);
}
void PlatSleep(int ms) { Platform().sleep_ms(ms); }
int PlatFileExists(const std::string& path) { return Platform().file_exists(path); }
int PlatFolderExists(const std::string& path) { return Platform().folder_exists(path); }
int PlatProbeReadable(const std::string& path) { return Platform().probe_readable(path); }
int PlatMakeFolder(const std::string& path) { return Platform().make_folder(path); }
int PlatRemove(const std::string& path) { return Platform().remove_file(path); }
int PlatRename(const std::string& from, const std::string& to) {
  return Platform().rename_file(from, to);
}
int PlatListFolder(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  return Platform().list_folder(path, names);
}
int PlatGetCurrentFolder(std::string& out) { return Platform().get_current_folder(out); }
int PlatSetCurrentFolder(const std::string& path) { return Platform().set_current_folder(path); }
PlatLocalTime PlatNow() {
  PlatLocalTime t;
  Platform().local_time(t);
  return t;
}
void* PlatLoadLibrary(const std::string& path) { return Platform().load_library(path); }
void* PlatFindFunction(void* library, const char* name) {
  return library ? Platform().find_function(library, name) : nullptr;
}
int PlatFreeLibrary(void* library) {
  return library ? Platform().free_library(library) : 1;
}
std::string PlatNativePath(const std::string& path) { return Platform().native_path(path); }
PlatHandle PlatLockFile(const std::string& path) { return Platform().lock_file(path); }
void PlatUnlockFile(PlatHandle h) {
  if (h != kNoHandle) Platform().unlock_file(h);
}

WaitCursor::WaitCursor() : previous_(Platform().begin_wait_cursor()) {}
WaitCursor::~WaitCursor() { Platform().end_wait_cursor(previous_); }

// ---------------------------------------------------------------------------
// Streams. One buffer serves reading; a second one gathers writes that follow
// each other, so a record written with several calls reaches the file in one
// raw write. Any raw error is sticky for writes: once a write failed, the
// stream reports failure at flush and close.

struct PlatStream {
  PlatHandle handle = kNoHandle;
  PlatOpenMode mode = PlatOpenMode::kRead;
  long long pos = 0;  // logical position
  // read buffer: bytes [rstart, rstart + rbuf.size()) of the file
  long long rstart = 0;
  std::vector<char> rbuf;
  // pending writes: bytes [wstart, wstart + wbuf.size()); in append mode
  // they go to the end of the file whatever wstart says
  long long wstart = 0;
  std::vector<char> wbuf;
  bool failed = false;       // a write failed (sticky for writes)
  bool read_failed = false;  // a read failed: what looked like the end was not
};

namespace {

// Writes `count` bytes at `start` (at the end of the file in append mode)
// with one raw write; the read buffer no longer holds what the file holds.
int WriteRaw(PlatStream* s, long long start, const char* data, std::size_t count) {
  const PlatformOps& ops = Platform();
  long long at = s->mode == PlatOpenMode::kAppend ? ops.seek_file(s->handle, 0, 2)
                                                  : ops.seek_file(s->handle, start, 0);
  long long n = -1;
  if (at >= 0) n = ops.write_file(s->handle, data, (long long)count);
  bool ok = n == (long long)count;
  if (s->mode == PlatOpenMode::kAppend && at >= 0 && ok) {
    // the logical position follows the bytes written at the end
    s->pos = at + n;
  }
  s->rbuf.clear();
  if (!ok) s->failed = true;
  return ok && !s->failed ? 1 : 0;
}

int FlushWrites(PlatStream* s) {
  if (s->wbuf.empty()) return s->failed ? 0 : 1;
  int ok = WriteRaw(s, s->wstart, s->wbuf.data(), s->wbuf.size());
  s->wbuf.clear();
  return ok;
}

}  // namespace

PlatStream* PlatOpen(const std::string& path, PlatOpenMode mode) {
  if (path.empty()) return nullptr;
  PlatHandle h = Platform().open_file(path, mode);
  if (h == kNoHandle) return nullptr;
  auto* s = new PlatStream;
  s->handle = h;
  s->mode = mode;
  if (mode == PlatOpenMode::kAppend) {
    long long end = Platform().seek_file(h, 0, 2);
    s->pos = end < 0 ? 0 : end;
  }
  return s;
}

namespace {

// Fills the read buffer from the current position. 1 when it holds bytes;
// 0 at the end of the file or on a failed read (marked), the buffer empty.
int Refill(PlatStream* s) {
  const PlatformOps& ops = Platform();
  s->rbuf.resize(kBufferSize);
  s->rstart = s->pos;
  long long n = -1;
  if (ops.seek_file(s->handle, s->pos, 0) >= 0)
    n = ops.read_file(s->handle, s->rbuf.data(), (long long)kBufferSize);
  if (n < 0) s->read_failed = true;
  s->rbuf.resize(n > 0 ? (std::size_t)n : 0);
  return n > 0;
}

}  // namespace

std::size_t PlatRead(PlatStream* s, void* buffer, std::size_t count) {
  if (!s || count == 0) return 0;
  if (!s->wbuf.empty() && !FlushWrites(s)) return 0;
  char* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  const PlatformOps& ops = Platform();
  while (done < count) {
    long long rend = s->rstart + (long long)s->rbuf.size();
    if (s->pos >= s->rstart && s->pos < rend) {
      std::size_t avail = (std::size_t)(rend - s->pos);
      std::size_t take = std::min(avail, count - done);
      std::memcpy(out + done, s->rbuf.data() + (s->pos - s->rstart), take);
      done += take;
      s->pos += (long long)take;
      continue;
    }
    // a large read goes straight into the caller's buffer
    if (count - done >= kBufferSize) {
      if (ops.seek_file(s->handle, s->pos, 0) < 0) break;
      long long n = ops.read_file(s->handle, out + done, (long long)(count - done));
      if (n < 0) s->read_failed = true;
      if (n <= 0) break;
      done += (std::size_t)n;
      s->pos += n;
      continue;
    }
    if (!Refill(s)) break;
  }
  return done;
}

std::size_t PlatReadView(PlatStream* s, std::size_t count, const char** data) {
  *data = nullptr;
  if (!s || count == 0) return 0;
  if (!s->wbuf.empty() && !FlushWrites(s)) return 0;
  if (count > kBufferSize) count = kBufferSize;
  long long rend = s->rstart + (long long)s->rbuf.size();
  if (s->pos < s->rstart || s->pos + (long long)count > rend) {
    // Refill from the current position so that the bytes asked for lie in
    // one piece (unless the file ends first).
    Refill(s);
    rend = s->rstart + (long long)s->rbuf.size();
  }
  if (s->pos >= rend) return 0;
  std::size_t take = std::min(count, (std::size_t)(rend - s->pos));
  *data = s->rbuf.data() + (s->pos - s->rstart);
  s->pos += (long long)take;
  return take;
}

int PlatWrite(PlatStream* s, const void* data, std::size_t count) {
  if (!s || s->mode == PlatOpenMode::kRead) return 0;
  if (s->failed) return 0;
  if (count == 0) return 1;
  s->rbuf.clear();
  bool contiguous = s->mode == PlatOpenMode::kAppend ||
                    s->wstart + (long long)s->wbuf.size() == s->pos;
  if (!s->wbuf.empty() && !contiguous) {
    if (!FlushWrites(s)) return 0;
  }
  const char* in = static_cast<const char*>(data);
  if (count >= kBufferSize) {
    // A large write goes straight to the file, after what was gathered
    // before it.
    if (!s->wbuf.empty() && !FlushWrites(s)) return 0;
    long long start = s->pos;
    if (s->mode != PlatOpenMode::kAppend) s->pos += (long long)count;
    return WriteRaw(s, start, in, count);
  }
  if (s->wbuf.empty()) s->wstart = s->pos;
  s->wbuf.insert(s->wbuf.end(), in, in + count);
  s->pos += (long long)count;
  if (s->wbuf.size() >= kBufferSize) return FlushWrites(s);
  return 1;
}

int PlatSeek(PlatStream* s, long long position) {
  if (!s || position < 0) return 0;
  if (s->mode == PlatOpenMode::kAppend && !s->wbuf.empty() && !FlushWrites(s)) return 0;
  s->pos = position;
  return 1;
}

int PlatSeekEnd(PlatStream* s) {
  long long size = PlatSize(s);
  if (size < 0) return 0;
  s->pos = size;
  return 1;
}

long long PlatTell(PlatStream* s) { return s ? s->pos : -1; }

long long PlatSize(PlatStream* s) {
  if (!s) return -1;
  if (!s->wbuf.empty() && !FlushWrites(s)) return -1;
  return Platform().seek_file(s->handle, 0, 2);
}

int PlatFlush(PlatStream* s) {
  if (!s) return 0;
  return FlushWrites(s);
}

int PlatSync(PlatStream* s) {
  if (!PlatFlush(s)) return 0;
  return Platform().sync_file(s->handle);
}

int PlatTruncate(PlatStream* s, long long length) {
  if (!s || length < 0 || !FlushWrites(s)) return 0;
  s->rbuf.clear();
  return Platform().truncate_file(s->handle, length);
}

int PlatFailed(PlatStream* s) { return s && (s->failed || s->read_failed) ? 1 : 0; }

int PlatClose(PlatStream* s) {
  if (!s) return 1;
  int ok = FlushWrites(s);
  if (!Platform().close_file(s->handle)) ok = 0;
  delete s;
  return ok;
}

int PlatReadWhole(const std::string& path, std::string& bytes) {
  bytes.clear();
  PlatStream* in = PlatOpen(path, PlatOpenMode::kRead);
  if (!in) return 0;
  std::string chunk(kBufferSize, '\0');
  for (std::size_t n; (n = PlatRead(in, chunk.data(), chunk.size())) > 0;) bytes.append(chunk, 0, n);
  int ok = !PlatFailed(in);
  PlatClose(in);
  if (!ok) bytes.clear();
  return ok;
}

int PlatBeginReplacement(PlatReplacement& r, const std::string& path, const std::string& temp) {
  r.path = path;
  r.temp = temp;
  r.failed = 0;
  r.stream = PlatOpen(temp, PlatOpenMode::kCreate);
  if (r.stream) return 1;
  PlatRemove(temp);
  return 0;
}

void PlatReserveReplacement(PlatReplacement& r, long long bytes) {
  if (r.stream && bytes > 0 && Platform().reserve_space(r.stream->handle, bytes)) r.reserved = 1;
}

int PlatReplacementWrite(PlatReplacement& r, const void* data, std::size_t count) {
  if (!r.failed && !PlatWrite(r.stream, data, count)) r.failed = 1;
  return !r.failed;
}

int PlatFinishReplacement(PlatReplacement& r, int sync) {
  // what was set aside beyond the last byte goes back to the disk
  if (!r.failed && r.reserved && !PlatTruncate(r.stream, PlatSize(r.stream))) r.failed = 1;
  if (!r.failed && sync && !PlatSync(r.stream)) r.failed = 1;
  if (!PlatClose(r.stream)) r.failed = 1;
  r.stream = nullptr;
  if (r.failed) PlatRemove(r.temp);
  return !r.failed;
}

int PlatCommitReplacement(PlatReplacement& r, int sync) {
  if (!PlatFinishReplacement(r, sync)) return 0;
  if (PlatRename(r.temp, r.path)) return 1;
  PlatRemove(r.temp);
  return 0;
}

void PlatDropReplacement(PlatReplacement& r) {
  PlatClose(r.stream);
  r.stream = nullptr;
  PlatRemove(r.temp);
}

int PlatReplaceWhole(const std::string& path, const std::string& temp, std::string_view bytes,
                     int sync) {
  PlatReplacement r;
  if (!PlatBeginReplacement(r, path, temp)) return 0;
  PlatReplacementWrite(r, bytes.data(), bytes.size());
  return PlatCommitReplacement(r, sync);
}

int PlatReadLine(PlatStream* s, std::string& line) {
  line.clear();
  if (!s) return 0;
  bool any = false;
  char c;
  for (;;) {
    // Take what the read buffer holds up to the line end in one piece; a
    // one-byte read refills it (or meets the end of the file).
    long long rend = s->rstart + (long long)s->rbuf.size();
    if (s->wbuf.empty() && s->pos >= s->rstart && s->pos < rend) {
      const char* begin = s->rbuf.data() + (s->pos - s->rstart);
      std::size_t avail = (std::size_t)(rend - s->pos);
      const char* end = static_cast<const char*>(std::memchr(begin, '\n', avail));
      std::size_t take = end ? (std::size_t)(end - begin) : avail;
      line.append(begin, take);
      s->pos += (long long)take;
      any = true;
      if (!end) continue;
      s->pos += 1;
    } else {
      if (PlatRead(s, &c, 1) != 1) return any ? 1 : 0;
      any = true;
      if (c != '\n') {
        line.push_back(c);
        continue;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return 1;
  }
}
