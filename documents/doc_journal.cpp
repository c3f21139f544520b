#include "documents/doc_journal.h"

#include <algorithm>
#include <map>

#include "records/record_file.h"

namespace {

constexpr char kSeparator = '|';

std::vector<std::string> SplitFields(const std::string& line, std::size_t max_fields) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() + 1 < max_fields) {
    std::size_t bar = line.find(kSeparator, start);
    if (bar == std::string::npos) break;
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

std::string WholeLine(const std::string& group, const std::string& key) {
  return "C|" + group + "|" + key;
}

int ParseRecordNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return -1;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Frees or cuts off the records of one file. 1 when none of ours is left live.
int FreeInFile(const std::string& file, const std::vector<const OwnRecord*>& records) {
  if (!PlatFileExists(file)) return 1;  // nothing of ours can be live in it
  PlatStream* stream = PlatOpen(file, PlatOpenMode::kUpdate);
  if (!stream) return 0;
  int ok = 1;
  // From the last record back, so that a torn record at the end is cut off
  // before the ones in front of it are looked at.
  std::vector<const OwnRecord*> order = records;
  std::sort(order.begin(), order.end(),
            [](const OwnRecord* a, const OwnRecord* b) { return a->record > b->record; });
  std::string bytes;
  for (const OwnRecord* own : order) {
    if (own->versions.empty() || own->record < 0) continue;
    // A version cut short in the journal is no record length.
    long long length = 0;
    for (const std::string& version : own->versions) length = std::max(length, (long long)version.size());
    const long long start = (long long)own->record * length;
    const long long size = PlatSize(stream);
    if (size < 0) {
      ok = 0;
      break;
    }
    if (size <= start) continue;  // never reached the file
    bytes.assign((std::size_t)std::min(length, size - start), ' ');
    if (!PlatSeek(stream, start) || PlatRead(stream, bytes.data(), bytes.size()) != bytes.size()) {
      ok = 0;
      break;
    }
    const bool torn = size - start < length;
    for (const std::string& version : own->versions) {
      if ((long long)version.size() != length) continue;
      if (torn ? version.compare(0, bytes.size(), bytes) == 0 : bytes == version) {
        if (torn) {
          if (!PlatTruncate(stream, start)) ok = 0;
        } else {
          const char mark = kFreeRecordMark;
          if (!PlatSeek(stream, start + length - 1) || !PlatWrite(stream, &mark, 1) ||
              !PlatFlush(stream))
            ok = 0;
        }
        break;
      }
    }
    if (!ok) break;
  }
  if (PlatFailed(stream)) ok = 0;
  if (!PlatClose(stream)) ok = 0;
  return ok;
}

}  // namespace

int OpenJournal(DocJournal& journal, const std::string& path) {
  CloseJournal(journal);
  journal.path = path;
  journal.failed = 0;
  journal.stream = PlatOpen(path, PlatOpenMode::kAppend);
  return journal.stream ? 1 : 0;
}

int CloseJournal(DocJournal& journal) {
  if (!journal.stream) return 1;
  int ok = PlatClose(journal.stream);
  journal.stream = nullptr;
  if (!ok) journal.failed = 1;
  return ok;
}

int JournalLine(DocJournal& journal, const std::string& line, int sync) {
  if (!journal.stream || journal.failed) return 0;
  std::string text = line;
  text.append("\r\n");
  if (PlatWrite(journal.stream, text.data(), text.size()) &&
      (sync ? PlatSync(journal.stream) : PlatFlush(journal.stream)))
    return 1;
  // Once more through a new stream (a stream's failure is sticky). The line
  // end first closes whatever part of the line reached the file, which the
  // reader then passes over as a line it does not know.
  PlatClose(journal.stream);
  journal.stream = PlatOpen(journal.path, PlatOpenMode::kAppend);
  text.insert(0, "\r\n");
  if (journal.stream && PlatWrite(journal.stream, text.data(), text.size()) &&
      (sync ? PlatSync(journal.stream) : PlatFlush(journal.stream)))
    return 1;
  journal.failed = 1;
  return 0;
}

int JournalBegin(DocJournal& journal, const std::string& key) {
  journal.current.clear();
  return JournalLine(journal, "B|" + key, 0);
}

int JournalRecord(DocJournal& journal, const std::string& file, int record,
                  const std::string& bytes) {
  const int first = journal.current.empty();
  NoteOwnRecord(journal.current, file, record, bytes);
  if (std::find(journal.files.begin(), journal.files.end(), file) == journal.files.end())
    journal.files.push_back(file);
  return JournalLine(journal, "W|" + file + "|" + std::to_string(record) + "|" + bytes, first);
}

int JournalWhole(DocJournal& journal, const std::string& group, const std::string& key) {
  return JournalLine(journal, WholeLine(group, key), 0);
}

int JournalUndone(DocJournal& journal, const std::string& key) {
  return JournalLine(journal, "R|" + key, 0);
}

int SyncFile(const std::string& path) {
  PlatStream* stream = PlatOpen(path, PlatOpenMode::kUpdate);
  if (!stream) return 0;
  int ok = PlatSync(stream);
  if (!PlatClose(stream)) ok = 0;
  return ok;
}

int SyncJournal(DocJournal& journal) {
  if (!journal.stream || journal.failed) return 0;
  if (PlatSync(journal.stream)) return 1;
  journal.failed = 1;
  return 0;
}

void NoteOwnRecord(std::vector<OwnRecord>& records, const std::string& file, int record,
                   const std::string& bytes) {
  for (OwnRecord& own : records) {
    if (own.record == record && own.file == file) {
      if (std::find(own.versions.begin(), own.versions.end(), bytes) == own.versions.end())
        own.versions.push_back(bytes);
      return;
    }
  }
  records.push_back(OwnRecord{file, record, {bytes}});
}

int FreeOwnRecords(const std::vector<OwnRecord>& records) {
  std::map<std::string, std::vector<const OwnRecord*>> by_file;
  for (const OwnRecord& own : records) by_file[own.file].push_back(&own);
  int ok = 1;
  for (const auto& [file, own] : by_file)
    if (!FreeInFile(file, own)) ok = 0;
  return ok;
}

int ReadJournal(const std::string& path, JournalState& state) {
  state = JournalState{};
  std::string text;
  if (!PlatFileExists(path) && !PlatFolderExists(path)) return 1;
  if (!PlatReadWhole(path, text)) return 0;

  // The document being written when the journal ends, by key.
  std::map<std::string, std::vector<OwnRecord>> open;
  std::vector<std::string> open_order;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;  // a line cut short by a crash
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.size() < 2 || line[1] != kSeparator) continue;
    switch (line[0]) {
      case 'B': {
        std::string key = line.substr(2);
        if (!open.count(key)) open_order.push_back(key);
        open[key];
        break;
      }
      case 'W': {
        std::vector<std::string> f = SplitFields(line.substr(2), 3);
        if (f.size() != 3 || open_order.empty()) break;
        int record = ParseRecordNumber(f[1]);
        if (record < 0) break;
        // A record belongs to the document begun last.
        NoteOwnRecord(open[open_order.back()], f[0], record, f[2]);
        break;
      }
      case 'C': {
        std::vector<std::string> f = SplitFields(line.substr(2), 2);
        if (f.size() != 2) break;
        NoteWhole(state, f[0], f[1]);
        open.erase(f[1]);
        open_order.erase(std::remove(open_order.begin(), open_order.end(), f[1]), open_order.end());
        break;
      }
      case 'R': {
        std::string key = line.substr(2);
        open.erase(key);
        open_order.erase(std::remove(open_order.begin(), open_order.end(), key), open_order.end());
        break;
      }
      default:
        break;
    }
  }
  for (const std::string& key : open_order) state.unfinished.emplace_back(key, open[key]);
  return 1;
}

void NoteWhole(JournalState& state, const std::string& group, const std::string& key) {
  state.whole.insert({group, key});
  state.whole_in_order.emplace_back(group, key);
}

int ForgetGroup(DocJournal& journal, const JournalState& state, const std::string& group,
                const std::string& temp) {
  std::string keep;
  for (const auto& [whole_group, key] : state.whole_in_order)
    if (whole_group != group) keep.append(WholeLine(whole_group, key)).append("\r\n");
  CloseJournal(journal);
  return keep.empty() ? PlatRemove(journal.path) : PlatReplaceWhole(journal.path, temp, keep, 1);
}

std::string JournalGroup(const std::string& folder) {
  std::string group = folder;
  while (!group.empty() && (group.back() == '\\' || group.back() == '/')) group.pop_back();
  for (char& c : group) {
    if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    if (c == '/') c = '\\';
    if (c == kSeparator) c = ' ';
  }
  return group;
}
