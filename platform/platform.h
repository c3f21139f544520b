// The seam between Vri and the operating system.
//
// Everything the core needs from the system goes through the function
// pointers of PlatformOps: one default instance per platform (platform/win32.cpp
// or platform/posix.cpp, exactly one of them is linked). A test copies the
// default struct, replaces a few pointers (to record messages, to hold a file
// busy, to fail the n-th open, write or rename) and installs the copy with
// SetPlatform; RestorePlatform puts the default back.
//
// Names here stay clear of the <windows.h> macros (DeleteFile, MessageBox,
// LoadLibrary, ...) so this header can sit beside it.
//
// Paths are Windows-style everywhere ("C:\Kmar\Vri", "R00\00001\F15R1.DAT");
// the POSIX layer maps a leading drive to a root folder and backslashes to '/'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PlatIcon { kError, kWarning, kInformation };

// How a file is opened. Every mode is binary.
enum class PlatOpenMode {
  kRead,    // must exist; read at any position
  kUpdate,  // must exist; read and write at any position
  kAppend,  // created when missing; every write goes to the end of the file
  kCreate,  // created or truncated; write (and read back) at any position
};

// Local calendar date and time of the machine.
struct PlatLocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;  // 0 = Sunday
};

// A raw file handle of the platform layer; -1 is none.
using PlatHandle = std::intptr_t;
constexpr PlatHandle kNoHandle = -1;

// Opaque window handle (HWND on Windows); nullptr means "the active window"
// as owner of a message.
using PlatWindow = void*;

struct PlatformOps {
  // Shows a modal message box. owner nullptr: the active window. detail is
  // what the box does not show: the path and the system's reason behind the
  // text, for vri-batch (empty when there is none).
  void (*show_message)(PlatWindow owner, const std::string& text, const std::string& caption,
                       PlatIcon icon, const std::string& detail);

  // Wait cursor: begin returns a token of the previous cursor, end restores it.
  void* (*begin_wait_cursor)();
  void (*end_wait_cursor)(void* previous);

  void (*sleep_ms)(int ms);

  // 1 when a file (not a folder) of that name exists.
  int (*file_exists)(const std::string& path);
  // 1 when a folder of that name exists.
  int (*folder_exists)(const std::string& path);
  // 1 when the file can be opened for reading while denying other writers
  // (nobody else holds it open for writing); 0 when another program holds it.
  int (*probe_readable)(const std::string& path);

  // 1 on success, 0 on failure (a folder that exists already is a failure).
  int (*make_folder)(const std::string& path);
  int (*remove_file)(const std::string& path);
  // Renames from over to, replacing to when it exists. 1 on success.
  int (*rename_file)(const std::string& from, const std::string& to);

  // 1 and the current folder (Windows-style on every system), or 0.
  int (*get_current_folder)(std::string& out);
  int (*set_current_folder)(const std::string& path);

  void (*local_time)(PlatLocalTime& out);

  // Raw files. open returns kNoHandle on failure. read/write return the
  // number of bytes moved, or -1. seek takes whence 0 (start) or 2 (end) and
  // returns the new position or -1. sync flushes to the disk: 1 or 0.
  PlatHandle (*open_file)(const std::string& path, PlatOpenMode mode);
  long long (*read_file)(PlatHandle h, void* buffer, long long count);
  long long (*write_file)(PlatHandle h, const void* data, long long count);
  long long (*seek_file)(PlatHandle h, long long offset, int whence);
  int (*sync_file)(PlatHandle h);
  int (*close_file)(PlatHandle h);

  // Dynamic libraries: load returns nullptr on failure; find returns nullptr
  // when the library has no such function; free returns 1, or 0 when the
  // system refused to release it.
  void* (*load_library)(const std::string& path);
  void* (*find_function)(void* library, const char* name);
  int (*free_library)(void* library);

  // Maps a Windows-style path to the name the system uses (identity on Windows).
  std::string (*native_path)(const std::string& path);

  // Cuts the file to `length` bytes (only ever shorter): 1 or 0.
  int (*truncate_file)(PlatHandle h, long long length);

  // An exclusive lock over a whole job, held through a lock file of our own
  // (created when missing, never deleted). Returns the handle that holds it,
  // or kNoHandle when another holder has it or the file cannot be made. The
  // lock ends with unlock_file or with the process, so a lock file left by
  // a crash never blocks anyone. Win32: the file opened without sharing;
  // POSIX: flock, which two opens in one process also contend for.
  PlatHandle (*lock_file)(const std::string& path);
  void (*unlock_file)(PlatHandle h);

  // Sets room aside on the disk for `bytes` bytes of a file about to be
  // written, without changing its length; the blocks past its end stay
  // reserved until the file is cut to its length. 1 when reserved; 0 when
  // not (no room, or the system does not do it): a hint, the writes decide.
  int (*reserve_space)(PlatHandle h, long long bytes);

  // The names of the entries of a folder (files and folders, without "."
  // and ".."), in no particular order. 1, or 0 when it cannot be read.
  int (*list_folder)(const std::string& path, std::vector<std::string>& names);
};

// The platform's own operations, as linked.
const PlatformOps& DefaultPlatform();
// The operations in force; starts as DefaultPlatform().
const PlatformOps& Platform();
// Installs a copy of ops (tests). RestorePlatform goes back to the default.
void SetPlatform(const PlatformOps& ops);
void RestorePlatform();

// Thin wrappers over the operations in force.
// detail: see PlatformOps::show_message.
void PlatShowMessage(PlatWindow owner, const std::string& text, const std::string& caption,
                     PlatIcon icon, const std::string& detail = std::string());
void PlatSleep(int ms);
int PlatFileExists(const std::string& path);
int PlatFolderExists(const std::string& path);
int PlatProbeReadable(const std::string& path);
int PlatMakeFolder(const std::string& path);
int PlatRemove(const std::string& path);
int PlatRename(const std::string& from, const std::string& to);
int PlatListFolder(const std::string& path, std::vector<std::string>& names);
int PlatGetCurrentFolder(std::string& out);
int PlatSetCurrentFolder(const std::string& path);
PlatLocalTime PlatNow();
void* PlatLoadLibrary(const std::string& path);
void* PlatFindFunction(void* library, const char* name);
// 1 when the library was released (or none was given), 0 when the system refused.
int PlatFreeLibrary(void* library);
std::string PlatNativePath(const std::string& path);
// See PlatformOps::lock_file.
PlatHandle PlatLockFile(const std::string& path);
void PlatUnlockFile(PlatHandle h);
// The number the system gives this process (for names unique to one run).
long PlatProcessId();

// The folder that stands for drive C: in the POSIX layer (vri-batch --root,
// VRI_ROOT, tests). Ignored on Windows, where C: is C:.
void PlatSetDriveRoot(const std::string& folder);
const std::string& PlatDriveRoot();

// Shows the wait cursor for its lifetime and always restores the previous one.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  void* previous_;
};

// ---------------------------------------------------------------------------
// Buffered binary streams over the raw files (stdio-like, but with a large
// buffer so that seeking within it costs no system call: a key scan that
// seeks once per record reads the file about as fast as a plain read).
struct PlatStream;

// Opens a stream; nullptr when the file cannot be opened in that mode.
PlatStream* PlatOpen(const std::string& path, PlatOpenMode mode);
// Reads at most count bytes at the current position; returns the number read
// (0 at the end of the file or on an error).
std::size_t PlatRead(PlatStream* s, void* buffer, std::size_t count);
// Like PlatRead, without the copy: makes at most count bytes (at most 64 KiB)
// at the current position available in one piece in the stream's buffer,
// sets *data to them and moves past them. Returns how many (0 at the end of
// the file or on an error, *data nullptr). The bytes stay valid until the
// next operation on the stream. For readers of many small fields.
std::size_t PlatReadView(PlatStream* s, std::size_t count, const char** data);
// Writes count bytes at the current position (at the end in append mode).
// Returns 1 when all were accepted, 0 on an error. Writes are buffered and
// reach the file at the latest when the stream is flushed or closed; a
// failure at that point is reported by PlatFlush or PlatClose.
int PlatWrite(PlatStream* s, const void* data, std::size_t count);
// Moves to an absolute position; 1 on success, 0 on failure (negative).
int PlatSeek(PlatStream* s, long long position);
// Moves to the end of the file; 1 on success.
int PlatSeekEnd(PlatStream* s);
// Current position, or -1.
long long PlatTell(PlatStream* s);
// Length of the file in bytes (including buffered writes), or -1.
long long PlatSize(PlatStream* s);
// Writes out buffered data: 1 on success.
int PlatFlush(PlatStream* s);
// Flushes and forces the data onto the disk: 1 on success.
int PlatSync(PlatStream* s);
// Flushes, then cuts the file to `length` bytes: 1 on success.
int PlatTruncate(PlatStream* s, long long length);
// 1 when a read or write of the stream has failed since it was opened (a
// failed read otherwise looks like the end of the file).
int PlatFailed(PlatStream* s);
// Flushes and closes; the stream is gone either way. 1 when every byte
// written reached the file, 0 otherwise. Null is accepted (returns 1).
int PlatClose(PlatStream* s);

// Reads the whole file `path` into `bytes`. 1, or 0 (bytes empty) when it
// cannot be opened or a read fails.
int PlatReadWhole(const std::string& path, std::string& bytes);

// A file rewritten whole (an export table, the sorted Sintegra file, an
// order file written back) is written under a temporary name beside it and
// put in place in one rename, so a failure or a kill half-way never leaves
// it empty or half written: it is always the old file or the new one.
struct PlatReplacement {
  std::string path;  // the file replaced
  std::string temp;  // the temporary name beside it, unique to this writer
  PlatStream* stream = nullptr;
  int failed = 0;
  int reserved = 0;  // room set aside past what is written, cut off at the finish
};
// Creates temp for writing. 1; 0 when it cannot be made (nothing left).
int PlatBeginReplacement(PlatReplacement& r, const std::string& path, const std::string& temp);
// Sets room aside for about `bytes` bytes of temp at once, so the file is
// laid out in one piece and putting it in place over the old file need not
// first allocate what was written (on file systems that allocate late, that
// made the rename cost more than the writes). A hint: nothing fails by it.
void PlatReserveReplacement(PlatReplacement& r, long long bytes);
// Writes count bytes to temp. 1 while no write has failed; after a failure the
// rest are skipped and PlatFinishReplacement reports it.
int PlatReplacementWrite(PlatReplacement& r, const void* data, std::size_t count);
// Writes out and closes temp, forced onto the disk first when sync is 1 (for
// files that cannot be made again). 1 when every byte reached it; 0 after
// removing temp, path untouched.
int PlatFinishReplacement(PlatReplacement& r, int sync);
// Finishes temp (as PlatFinishReplacement) and renames it over path. 1 when
// path is the new file; 0 with path as it was and temp removed.
int PlatCommitReplacement(PlatReplacement& r, int sync);
// Closes and removes temp; path stays as it was.
void PlatDropReplacement(PlatReplacement& r);
// Begin, write and commit, for bytes in memory.
// 1 when path holds exactly bytes; 0
// with path as it was and no temp left.
int PlatReplaceWhole(const std::string& path, const std::string& temp, std::string_view bytes,
                     int sync);

// Reads a whole line (any length) into line, without its CR LF or LF.
// Returns 1 when a line was read, 0 at the end of the file.
int PlatReadLine(PlatStream* s, std::string& line);

// ---------------------------------------------------------------------------
// The edges of the batch program (vri-batch): its command line, its console
// and the paths its user types. platform/batch_win32.cpp or batch_posix.cpp.

// One word of the command line. On Windows it comes from the wide command
// line converted to Windows-1252 (cp1252 1), or, when a character has no
// place in that code page, cp1252 0 with the word in UTF-8 as typed; nothing
// is ever replaced by '?'. Elsewhere the bytes as they stand (raw 1, text
// and utf8 both those bytes): the caller decides what they are.
struct PlatArgument {
  std::string text;
  int cp1252 = 0;
  int raw = 0;
  std::string utf8;
};
// The words after the program's name.
void PlatCommandLine(int argc, char** argv, std::vector<PlatArgument>& out);

// Writes UTF-8 text to standard output (to_error 0) or standard error (1). A
// Windows console gets it as wide characters, right whatever its code page;
// a file or pipe, and every other system, get the UTF-8 bytes.
void PlatWriteText(int to_error, const std::string& utf8);

// The full name of a path typed by the user, from the current folder. With a
// drive root in force a name on drive C: is marked ("\\?\C:\..." on
// Windows) so the layer takes it as it stands, never below the root.
std::string PlatTypedPath(const std::string& path);

// Looks a library of that bare name up as the system's search would: 1 and
// its path, or 0 when none is found.
int PlatSearchLibrary(const std::string& name, std::string& found);

// The system's own words (Windows-1252) for the last failure, such as a
// library that would not load; the empty text when it has none.
std::string PlatLastError();
