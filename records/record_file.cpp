#include "records/record_file.h"

#include <string>

namespace {

constexpr char kBusyText[] = "Sistema ocupado, tente novamente.";
constexpr char kBusyCaption[] = "FileBusy";
constexpr char kOpenCaption[] = "FOpen2";
constexpr char kLengthText[] = "Erro ao conferir posições dos registros (at).";
constexpr char kPositionText[] = "Erro ao posicionar arquivo (r+t).";
constexpr char kOpenText[] = "Erro ao abrir o arquivo.";

void ShowOpenError(const char* text) {
  PlatShowMessage(nullptr, text, kOpenCaption, PlatIcon::kError);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

void TrimTrailingBlanks(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  text.resize(end);
}

// First free record after `record` whose status byte lies inside the file,
// or -1. A partial last record has no status byte yet and is never reused.
int FindFreeRecordAfter(PlatStream* stream, int record, int record_length) {
  long long size = PlatSize(stream);
  if (size < 0) return -1;
  if (record < -1) record = -1;
  WaitCursor wait;
  for (long long n = (long long)record + 1; (n + 1) * record_length <= size; ++n) {
    if (IsFreeRecord(stream, (int)n, record_length)) return (int)n;
  }
  return -1;
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
  text.resize((std::size_t)width);
  std::size_t n = PlatRead(stream, text.data(), (std::size_t)width);
  text.resize(n);
  return n > 0 ? 1 : 0;
}

int ReadField(PlatStream* stream, int record, std::string& text, int field,
              const std::string& name, int record_length, WidthTable widths) {
  text.clear();
  int offset = FieldOffset(widths, field);
  if (record < 0 || offset < 0 || record_length <= 0) return 0;
  PlatStream* own = nullptr;
  if (!stream) {
    own = PlatOpen(name, PlatOpenMode::kRead);
    if (!own) return 0;
    stream = own;
  }
  int ok = 0;
  if (PlatSeek(stream, (long long)record * record_length + offset) &&
      ReadText(stream, text, widths[(std::size_t)field])) {
    TrimTrailingBlanks(text);
    ok = 1;
  } else {
    text.clear();
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
    if (EqualNoCase(got, key) && !IsFreeRecord(stream, (int)n, record_length)) {
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
