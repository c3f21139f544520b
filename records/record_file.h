// Record files: fixed-length text records without separators, shared with
// the larger product. Record n occupies bytes n*L .. (n+1)*L-1; the last byte
// of every record is its status byte, '+' marking a free (deleted) record
// whose slot the next new record may take. A partial last record is
// completed with blanks before the next record is appended.
//
// Every file is reached through platform streams (64 KiB buffer: a seek
// inside the buffer costs no system call), so a scan that seeks once per
// record reads about as fast as a plain read.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

// Field widths of one record layout, in field order; they sum to the record
// length (checked at compile time beside every table).
using WidthTable = std::span<const int>;

// Sum of all widths of a table.
constexpr int SumWidths(WidthTable widths) {
  int sum = 0;
  for (int w : widths) sum += w;
  return sum;
}

// Offset of field `field` (the sum of the widths before it); -1 when the
// index is outside the table.
constexpr int FieldOffset(WidthTable widths, int field) {
  if (field < 0 || field >= (int)widths.size()) return -1;
  int offset = 0;
  for (int i = 0; i < field; ++i) offset += widths[i];
  return offset;
}

// Field offsets of a width table of N fields, worked out at compile time.
template <std::size_t N>
constexpr std::array<int, N> OffsetsOf(const std::array<int, N>& widths) {
  std::array<int, N> offsets{};
  int sum = 0;
  for (std::size_t i = 0; i < N; ++i) {
    offsets[i] = sum;
    sum += widths[i];
  }
  return offsets;
}

// A record length with its width table (and, optionally, the table's field
// offsets, which spare every read the sum), for readers that pass them around.
struct RecordLayout {
  int record_length;
  WidthTable widths;
  std::span<const int> offsets = {};  // empty, or one per field
};

// The offsets of a width table, worked out once per table.
template <const auto& widths>
inline constexpr auto kOffsetsOf = OffsetsOf(widths);

// The layout of a record of the given length, with its table's offsets.
template <const auto& widths>
constexpr RecordLayout LayoutOf(int record_length) {
  return RecordLayout{record_length, widths, kOffsetsOf<widths>};
}

constexpr char kFreeRecordMark = '+';
// Waits of FileBusy: 21 probes, 50 ms apart (about one second).
constexpr int kBusyAttempts = 21;
constexpr int kBusyPauseMs = 50;
// Takes the lock file `path` (PlatLockFile), waiting for another holder as
// FileBusy waits for a busy file. The handle, or kNoHandle when it was held
// all that time or cannot be made. Shows nothing.
PlatHandle LockFileWaiting(const std::string& path);

// Keys are compared over at most this many characters.
constexpr int kMaxKeyWidth = 50;

// FileBusy wait types.
constexpr int kBusySilent = 0;   // still busy: 1, no message
constexpr int kBusyWarn = 1;     // still busy: 1 after "Sistema ocupado, tente novamente."
constexpr int kBusyGoAhead = 2;  // still busy: 0 anyway (the caller goes ahead)

// FOpen2 modes and reuse rules.
constexpr int kOpenNewRecord = 1;      // any other mode rewrites record n
constexpr int kOpenRewrite = 2;
constexpr int kReuseNever = 0;
constexpr int kReuseFromFirst = 1;     // 2 or more: search after the record passed in

// Waits (wait cursor shown) while another program holds the file open for
// writing or without read sharing, up to 21 probes 50 ms apart. Returns 0
// (go ahead) when the file is free, missing or disappears; when still busy:
// type 0 returns 1 silently, type 1 shows "Sistema ocupado, tente
// novamente." (caption "FileBusy", warning) and returns 1, type 2 returns 0.
int FileBusy(const std::string& name, int type);

// Opens a record file for writing one whole record of `record_length`
// characters. Mode 1 (new record): with reuse >= 1 and the file not busy,
// takes the first free record (searching from record 0 for reuse 1, after
// `record` for reuse >= 2); otherwise appends (after FileBusy type 2),
// completing a partial last record with blanks; `record` receives the slot's
// number. Any other mode: positions at record `record` for a rewrite.
// Returns the stream positioned for the write (the caller writes the record
// and closes it), or nullptr after one message (caption "FOpen2", error
// icon); `record` is then -1 in mode 1 and unchanged otherwise.
PlatStream* FOpen2(const std::string& name, int record_length, int mode, int& record,
                   int reuse);

// A field is read in one of three ways. ReadField is the rule, written
// plainly; ReadFieldFast and RecordField / RecordFieldText are the fast
// paths of the master readers and the scans, and each gives exactly what
// ReadField gives (the record tests compare them on random files).

// Reads field `field` of record `record` with layout `widths` through
// `stream`, or (stream nullptr) opens `name` for reading and closes it: the
// field's characters as far as the file holds them (ReadText at the field's
// offset), less their trailing blanks (TrimmedLength). Returns 1 and the
// text when at least one character was read; 0 and an empty text when the
// record number is negative, the field index is outside the table, the file
// cannot be opened, the position is outside the file or nothing can be
// read. Never shows a message.
int ReadField(PlatStream* stream, int record, std::string& text, int field,
              const std::string& name, int record_length, WidthTable widths);

// ReadField with the record length and widths of `layout`, fast: the field
// offset comes from the layout's offsets, the field is looked at in the
// stream's buffer and only what is left after the trailing blanks
// (TrimmedLengthFast) is copied. Same result as ReadField.
int ReadFieldFast(PlatStream* stream, int record, std::string& text, int field,
                  const std::string& name, const RecordLayout& layout);

// A whole record read once through a stream, its fields then taken by
// offset without going back to the stream: for scans that read many fields
// of every record. The field rules are ReadField's.
struct RecordBuffer {
  RecordLayout layout;
  // As much of the record as the file holds: in the stream's own buffer
  // when the record lies in it whole, else in `spare`. Valid until the next
  // operation on the stream, as are the field texts taken from it.
  std::string_view bytes;
  std::string spare;
};

// Reads record `record` into r.bytes (at most r.layout.record_length bytes).
// 1 when at least one byte of it lies inside the file; 0 and no bytes for a
// negative record number, no stream or a position at or beyond the end.
int ReadRecord(PlatStream* stream, int record, RecordBuffer& r);

// Length of the first `end` characters of p without their trailing blanks
// (only ' ' is a blank): the rule of every field read. Never fails.
inline std::size_t TrimmedLength(const char* p, std::size_t end) {
  while (end > 0 && p[end - 1] == ' ') --end;
  return end;
}

// TrimmedLength for fields that are mostly blank fill, fast: looks at
// sixteen, then eight bytes at a time. Same result as TrimmedLength. Inline
// because a scan of the masters calls it for every field of every record:
// out of line, the field reads of bench/record_bench were measured slower.
inline std::size_t TrimmedLengthFast(const char* p, std::size_t end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kEightBlanks = 0x2020202020202020ULL;
    // sixteen blanks at a time over the fill
    while (end >= 16) {
      std::uint64_t low, high;
      std::memcpy(&low, p + end - 16, 8);
      std::memcpy(&high, p + end - 8, 8);
      if ((low ^ kEightBlanks) | (high ^ kEightBlanks)) break;
      end -= 16;
    }
    while (end >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p + end - 8, 8);
      word ^= kEightBlanks;
      // the last non-blank is in the highest byte that differs from a blank
      if (word) return end - (std::size_t)(std::countl_zero(word) / 8);
      end -= 8;
    }
  }
  return TrimmedLength(p, end);
}

// Offset of field `field` of a layout, the index known to be inside it.
inline int LayoutFieldOffset(const RecordLayout& layout, int field) {
  return layout.offsets.size() == layout.widths.size() ? layout.offsets[(std::size_t)field]
                                                       : FieldOffset(layout.widths, field);
}

// 1 when at least one character of field `field` was read.
inline int HasRecordField(const RecordBuffer& r, int field) {
  if (field < 0 || (std::size_t)field >= r.layout.widths.size()) return 0;
  return (std::size_t)LayoutFieldOffset(r.layout, field) < r.bytes.size() ? 1 : 0;
}

// The text of field `field` without its trailing blanks (TrimmedLengthFast),
// pointing into r.bytes (valid as long as they are); empty when the field
// index is outside the table or no character of the field was read. After
// ReadRecord(stream, n, r) the fast path of a scan: the text ReadField gives
// for record n, with no stream operation.
inline std::string_view RecordFieldText(const RecordBuffer& r, int field) {
  if (field < 0 || (std::size_t)field >= r.layout.widths.size()) return {};
  std::size_t offset = (std::size_t)LayoutFieldOffset(r.layout, field);
  if (offset >= r.bytes.size()) return {};
  std::size_t width =
      std::min((std::size_t)r.layout.widths[(std::size_t)field], r.bytes.size() - offset);
  const char* p = r.bytes.data() + offset;
  return std::string_view(p, TrimmedLengthFast(p, width));
}

// RecordFieldText copied into `text`: 1 when at least one character of the
// field was read (the text may still be empty: a blank field), else 0 and an
// empty text; after ReadRecord(stream, n, r), ReadField's result for record
// n.
int RecordField(const RecordBuffer& r, int field, std::string& text);

// 1 when the whole record was read and its status byte is '+'.
int IsFreeRecordBuffer(const RecordBuffer& r);

// Finds the first live record whose key field (at `key_offset`, `key_width`
// characters, at most 50 compared) equals `code` cut and blank-padded to the
// key width, ignoring ASCII letter case. Reads only the key field of each
// record. Returns 1 and its record number; 0 and -1 when the code is empty,
// there is no stream or no live record matches.
int FindCode(PlatStream* stream, const std::string& code, int record_length, int& record,
             int key_offset, int key_width);

// FindCode on the file `name`, opened for reading and closed again. A file
// that cannot be opened gives 0 and -1.
int FindCodeInFile(const std::string& code, const std::string& name, int record_length,
                   int& record, int key_offset, int key_width);

// 1 when the status byte of record `record` is '+'; 0 when it is anything
// else, the record lies outside the file, the number is negative or there is
// no stream.
int IsFreeRecord(PlatStream* stream, int record, int record_length);

// IsFreeRecord on the file `name`; 0 when it cannot be opened.
int IsFreeRecordInFile(const std::string& name, int record, int record_length);

// NOTE the inverted result, kept from the larger product's interface:
// returns 0 with the stream positioned at `position` when 0 <= position <
// file length; 1 (position unspecified) otherwise or without a stream.
int SeekInside(PlatStream* stream, long long position);

// Reads at most `width` characters from the current position into `text`
// (binary: 0x00 and 0x1A are ordinary bytes). Returns 1 when at least one
// character was read; 0 and an empty text at the end of the file, for a
// width below 1 or without a stream.
int ReadText(PlatStream* stream, std::string& text, int width);
