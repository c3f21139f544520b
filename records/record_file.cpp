#include "records/record_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "codecs/text.h"

namespace {

constexpr char kBusyText[] = "Sistema ocupado, tente novamente.";
constexpr char kBusyCaption[] = "FileBusy";
constexpr char kOpenCaption[] = "FOpen2";
constexpr char kLengthText[] = "Erro ao conferir posições dos registros (at).";
constexpr char kPositionText[] = "Erro ao posicionar arquivo (r+t).";
constexpr char kOpenText[] = "Erro ao abrir o arquivo.";
// Bytes looked at in one piece by the free-record search (the stream buffer
// is 64 KiB).
constexpr std::size_t kViewRecordsBytes = 64 * 1024;

void ShowOpenError(const char* text) {
  PlatShowMessage(nullptr, text, kOpenCaption, PlatIcon::kError);
}

// First free record after `record` whose status byte lies inside the file,
// or -1. A partial last record has no status byte yet and is never reused.
// The status bytes are looked at in the stream's buffer, whole records at a
// time, so the search reads the file at the speed of a plain read.
int FindFreeRecordAfter(PlatStream* stream, int record, int record_length) {
  long long size = PlatSize(stream);
  if (size < 0 || record_length <= 0) return -1;
  if (record < -1) record = -1;
  WaitCursor wait;
  const long long records = size / record_length;
  // As many whole records as a buffer holds (at least one).
  const std::size_t block_records =
      std::max<std::size_t>(1, kViewRecordsBytes / (std::size_t)record_length);
  for (long long n = (long long)record + 1; n < records;) {
    long long want = std::min<long long>((long long)block_records, records - n);
    if (!PlatSeek(stream, n * record_length)) return -1;
    const char* data = nullptr;
    std::size_t got = PlatReadView(stream, (std::size_t)(want * record_length), &data);
    long long whole = (long long)got / record_length;
    if (whole == 0) {
      // a record wider than the buffer: its status byte alone
      if (IsFreeRecord(stream, (int)n, record_length)) return (int)n;
      ++n;
      continue;
    }
    for (long long i = 0; i < whole; ++i)
      if (data[(i + 1) * record_length - 1] == kFreeRecordMark) return (int)(n + i);
    n += whole;
  }
  return -1;
}

// 1 when a field read may go to the file: a record number of 0 or more, a
// field of the table and a record length above 0.
int FieldReadable(int record, int field, WidthTable widths, int record_length) {
  return record >= 0 && field >= 0 && (std::size_t)field < widths.size() && record_length > 0;
}

// The stream a field read goes through: the caller's, or (stream nullptr)
// `name` opened for reading into `own`, which the reader closes. nullptr
// when the file cannot be opened.
PlatStream* FieldStream(PlatStream* stream, const std::string& name, PlatStream*& own) {
  own = stream ? nullptr : PlatOpen(name, PlatOpenMode::kRead);
  return stream ? stream : own;
}

}  // namespace

int FileBusy(const std::string& name, int type) {
  int failures = 0;
  {
    WaitCursor wait;
    // The existence test comes before every probe: a file that disappears
    // while we wait is not busy any more.
    while (PlatFileExists(name)) {
      if (PlatProbeReadable(name)) return 0;
      if (++failures >= kBusyAttempts) break;
      PlatSleep(kBusyPauseMs);
    }
  }
  if (failures < kBusyAttempts) return 0;
  if (type == kBusyGoAhead) return 0;
  if (type == kBusyWarn) PlatShowMessage(nullptr, kBusyText, kBusyCaption, PlatIcon::kWarning);
  return 1;
}

PlatStream* FOpen2(const std::string& name, int record_length, int mode, int& record,
                   int reuse) {
  if (mode != kOpenNewRecord) {
    PlatStream* stream = PlatOpen(name, PlatOpenMode::kUpdate);
    if (!stream) {
      ShowOpenError(kOpenText);
      return nullptr;
    }
    if (record_length <= 0 || SeekInside(stream, (long long)record * record_length) != 0) {
      PlatClose(stream);
      ShowOpenError(kPositionText);
      return nullptr;
    }
    return stream;
  }

  if (record_length <= 0) {
    record = -1;
    ShowOpenError(kOpenText);
    return nullptr;
  }

  if (reuse >= kReuseFromFirst && FileBusy(name, kBusySilent) == 0) {
    PlatStream* stream = PlatOpen(name, PlatOpenMode::kUpdate);
    if (stream) {
      int free_record = FindFreeRecordAfter(stream, reuse == kReuseFromFirst ? -1 : record,
                                            record_length);
      if (free_record >= 0) {
        record = free_record;
        if (SeekInside(stream, (long long)free_record * record_length) != 0) {
          PlatClose(stream);
          record = -1;
          ShowOpenError(kPositionText);
          return nullptr;
        }
        return stream;
      }
      PlatClose(stream);
    }
  }

  record = -1;
  FileBusy(name, kBusyGoAhead);
  PlatStream* stream = PlatOpen(name, PlatOpenMode::kAppend);
  if (!stream) {
    ShowOpenError(kOpenText);
    return nullptr;
  }
  long long length = PlatSize(stream);
  if (length < 0) {
    PlatClose(stream);
    ShowOpenError(kLengthText);
    return nullptr;
  }
  long long slot = length / record_length;
  long long partial = length % record_length;
  if (partial != 0) {
    // Complete the torn last record so that the new one starts on a record
    // boundary; the blanks and the caller's record reach the file together.
    std::string fill((std::size_t)(record_length - partial), ' ');
    PlatWrite(stream, fill.data(), fill.size());
    ++slot;
  }
  record = (int)slot;
  return stream;
}

int ReadText(PlatStream* stream, std::string& text, int width) {
  text.clear();
  if (!stream || width < 1) return 0;
  // Straight from the stream's buffer; a text wider than the buffer (none of
  // the layouts has one) goes on with plain reads.
  const char* data = nullptr;
  std::size_t n = PlatReadView(stream, (std::size_t)width, &data);
  text.assign(data ? data : "", n);
  if (n > 0 && n < (std::size_t)width) {
    std::size_t more = (std::size_t)width - n;
    text.resize((std::size_t)width);
    text.resize(n + PlatRead(stream, text.data() + n, more));
  }
  return text.empty() ? 0 : 1;
}

int ReadField(PlatStream* stream, int record, std::string& text, int field,
              const std::string& name, int record_length, WidthTable widths) {
  text.clear();
  if (!FieldReadable(record, field, widths, record_length)) return 0;
  PlatStream* own;
  stream = FieldStream(stream, name, own);
  if (!stream) return 0;
  int ok = 0;
  if (PlatSeek(stream, (long long)record * record_length + FieldOffset(widths, field)))
    ok = ReadText(stream, text, widths[(std::size_t)field]);
  if (own) PlatClose(own);
  text.resize(TrimmedLength(text.data(), text.size()));
  return ok;
}

int ReadFieldFast(PlatStream* stream, int record, std::string& text, int field,
                  const std::string& name, const RecordLayout& layout) {
  text.clear();
  if (!FieldReadable(record, field, layout.widths, layout.record_length)) return 0;
  int offset = LayoutFieldOffset(layout, field);
  int width = layout.widths[(std::size_t)field];
  PlatStream* own;
  stream = FieldStream(stream, name, own);
  if (!stream) return 0;
  int ok = 0;
  if (PlatSeek(stream, (long long)record * layout.record_length + offset)) {
    // The common case takes the field straight from the stream's buffer and
    // copies only what is left after the trailing blanks.
    const char* data = nullptr;
    std::size_t n = width > 0 ? PlatReadView(stream, (std::size_t)width, &data) : 0;
    if (n == (std::size_t)width) {
      text.assign(data, TrimmedLengthFast(data, n));
      ok = 1;
    } else if (n > 0) {
      text.assign(data, n);
      std::size_t more = (std::size_t)width - n;
      text.resize((std::size_t)width);
      text.resize(n + PlatRead(stream, text.data() + n, more));
      text.resize(TrimmedLengthFast(text.data(), text.size()));
      ok = 1;
    }
  }
  if (own) PlatClose(own);
  return ok;
}

int FindCode(PlatStream* stream, const std::string& code, int record_length, int& record,
             int key_offset, int key_width) {
  WaitCursor wait;
  record = -1;
  if (code.empty() || !stream || record_length <= 0 || key_offset < 0 || key_width < 1) return 0;
  if (key_width > kMaxKeyWidth) key_width = kMaxKeyWidth;
  std::string key = code.substr(0, (std::size_t)key_width);
  key.resize((std::size_t)key_width, ' ');
  std::string got;
  got.reserve((std::size_t)key_width);
  for (long long n = 0;; ++n) {
    if (!PlatSeek(stream, key_offset + n * record_length)) break;
    if (!ReadText(stream, got, key_width)) break;
    // Only a matching key costs the status byte read.
    if (EqualNoCaseAscii(got, key) && !IsFreeRecord(stream, (int)n, record_length)) {
      record = (int)n;
      return 1;
    }
  }
  return 0;
}

int FindCodeInFile(const std::string& code, const std::string& name, int record_length,
                   int& record, int key_offset, int key_width) {
  record = -1;
  PlatStream* stream = PlatOpen(name, PlatOpenMode::kRead);
  if (!stream) return 0;
  int found = FindCode(stream, code, record_length, record, key_offset, key_width);
  PlatClose(stream);
  return found;
}

int IsFreeRecord(PlatStream* stream, int record, int record_length) {
  if (!stream || record < 0 || record_length <= 0) return 0;
  char status = 0;
  if (!PlatSeek(stream, ((long long)record + 1) * record_length - 1)) return 0;
  if (PlatRead(stream, &status, 1) != 1) return 0;
  return status == kFreeRecordMark ? 1 : 0;
}

int IsFreeRecordInFile(const std::string& name, int record, int record_length) {
  PlatStream* stream = PlatOpen(name, PlatOpenMode::kRead);
  if (!stream) return 0;
  int free_record = IsFreeRecord(stream, record, record_length);
  PlatClose(stream);
  return free_record;
}

int SeekInside(PlatStream* stream, long long position) {
  if (!stream || position < 0) return 1;
  long long length = PlatSize(stream);
  if (length < 0 || position >= length) return 1;
  return PlatSeek(stream, position) ? 0 : 1;
}

int ReadRecord(PlatStream* stream, int record, RecordBuffer& r) {
  r.bytes = {};
  const int length = r.layout.record_length;
  if (!stream || record < 0 || length <= 0) return 0;
  if (!PlatSeek(stream, (long long)record * length)) return 0;
  const char* data = nullptr;
  std::size_t n = PlatReadView(stream, (std::size_t)length, &data);
  if (n == 0) return 0;
  if (n == (std::size_t)length) {
    r.bytes = std::string_view(data, n);  // the common case: no copy
    return 1;
  }
  // The record lies across the end of the stream's buffer, or the file ends
  // in it: what was seen is copied before the stream reads on.
  r.spare.assign(data, n);
  r.spare.resize((std::size_t)length);
  r.spare.resize(n + PlatRead(stream, r.spare.data() + n, (std::size_t)length - n));
  r.bytes = r.spare;
  return 1;
}

int RecordField(const RecordBuffer& r, int field, std::string& text) {
  if (!HasRecordField(r, field)) {
    text.clear();
    return 0;
  }
  std::string_view view = RecordFieldText(r, field);
  text.assign(view.data(), view.size());
  return 1;
}

int IsFreeRecordBuffer(const RecordBuffer& r) {
  return r.layout.record_length > 0 && r.bytes.size() == (std::size_t)r.layout.record_length &&
                 r.bytes.back() == kFreeRecordMark
             ? 1
             : 0;
}

PlatHandle LockFileWaiting(const std::string& path) {
  PlatHandle lock = PlatLockFile(path);
  for (int attempt = 1; lock == kNoHandle && attempt < kBusyAttempts; ++attempt) {
    PlatSleep(kBusyPauseMs);
    lock = PlatLockFile(path);
  }
  return lock;
}
