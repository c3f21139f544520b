// The document journal: a write-ahead log of our own that lets a document
// written record by record into a file the larger product shares be undone
// after a crash half-way, and tells which orders became whole documents.
//
// File: the company folder's VriDocumentos.jnl (never a name the larger
// product uses). A text file of lines, each ended by CR LF; fields are
// separated by '|', which no path, key or record can hold. A last line
// without its CR LF was cut short by a crash and is not read.
//
//   B|<key>                      a document for <key> begins
//   W|<file>|<record>|<bytes>    record <record> of <file> is about to hold
//                                exactly <bytes> (the whole record); also
//                                written again before a link rewrites it
//   C|<group>|<key>              the document of <key> is whole
//   R|<key>                      the document of <key> was undone
//
// <key> names what the document was made from (an order of the handheld);
// <group> the source it came from (the exchange folder), so that one
// company's imports from several folders keep apart.
//
// A document begun and neither whole nor undone is undone by the next
// RecoverJournal: each of its records is freed with the status byte '+'
// only where the slot still holds one of the versions we wrote (the larger
// product may have reused a freed slot since), and a record torn at the end
// of the file (a full disk, a kill inside the write) is cut off.
//
// Every line reaches the system before the record it announces is written,
// so a killed process leaves nothing the journal does not know of. Forced
// onto the disk: the first record of each document (its parent) before it
// is written, so that no parent outlives a crash of the machine unknown to
// the journal; and the document files, then the journal, before the order
// files are rewritten or the journal emptied. A flush per record instead of
// a disk sync keeps a quote at one sync (a sync costs milliseconds on a
// busy disk); after a power cut an undone quote may leave item records
// whose parent is free, which no document names.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

inline constexpr char kJournalFile[] = "VriDocumentos.jnl";

// One record a document wrote, with every version it was given.
struct OwnRecord {
  std::string file;
  int record = -1;
  std::vector<std::string> versions;
};

// The journal open for appending: writes reach the system line by line.
struct DocJournal {
  std::string path;
  PlatStream* stream = nullptr;
  // A line could not be written: what follows can no longer be undone after
  // a crash, so no further document may be begun.
  int failed = 0;
  // The records announced since the last JournalBegin.
  std::vector<OwnRecord> current;
  // Every file a record was announced in, to be synced before the journal.
  std::vector<std::string> files;
};

// Opens (creating it) the journal `path` for appending. 1, or 0 (no message).
int OpenJournal(DocJournal& journal, const std::string& path);
// Flushes and closes; 1 when every line reached the file.
int CloseJournal(DocJournal& journal);

// Appends one line (CR LF added) and hands it to the system, forced onto the
// disk when `sync` is nonzero. 1, or 0 with journal.failed set.
int JournalLine(DocJournal& journal, const std::string& line, int sync);
// JournalLine of each kind; the first record line after a begin is synced.
int JournalBegin(DocJournal& journal, const std::string& key);
int JournalRecord(DocJournal& journal, const std::string& file, int record,
                  const std::string& bytes);
int JournalWhole(DocJournal& journal, const std::string& group, const std::string& key);
int JournalUndone(DocJournal& journal, const std::string& key);
// Forces the journal onto the disk. 1 or 0.
int SyncJournal(DocJournal& journal);
// Forces a file written through other streams onto the disk. 1 or 0.
int SyncFile(const std::string& path);

// Adds `bytes` as a version of record `record` of `file` in `records`.
void NoteOwnRecord(std::vector<OwnRecord>& records, const std::string& file, int record,
                   const std::string& bytes);

// Frees each record of `records` that still holds one of its versions (the
// status byte becomes '+'), and cuts off a record torn at the end of its
// file whose bytes begin one of its versions. A record that holds anything
// else is left alone. 1 when nothing of ours is left live; 0 when a file
// could not be opened, read or written (no message).
int FreeOwnRecords(const std::vector<OwnRecord>& records);

// What the journal says, read at the start of a job.
struct JournalState {
  // Keys of whole documents, for each group: (group, key).
  std::set<std::pair<std::string, std::string>> whole;
  // The same in journal order (kept when the journal is emptied of one
  // group).
  std::vector<std::pair<std::string, std::string>> whole_in_order;
  // Documents begun and not finished, with the records they announced.
  std::vector<std::pair<std::string, std::vector<OwnRecord>>> unfinished;
};

// Reads the journal `path` (a missing journal is an empty one). 1, or 0 when
// it exists and cannot be read whole.
int ReadJournal(const std::string& path, JournalState& state);

// Notes in `state` the document of `key` from `group` as whole (once its
// line is written, JournalWhole).
void NoteWhole(JournalState& state, const std::string& group, const std::string& key);

// Closes the journal and forgets the whole documents of `group`: the journal
// is rewritten with those of the other groups, in order, through `temp` (one
// rename), or removed when none is left. 1 when done; 0 with the journal as
// it was.
int ForgetGroup(DocJournal& journal, const JournalState& state, const std::string& group,
                const std::string& temp);

// Group names compare without letter case and trailing backslashes, as
// Windows compares folders.
std::string JournalGroup(const std::string& folder);
