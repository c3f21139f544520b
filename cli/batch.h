// vri-batch: the jobs of Vri from a shell. Each command checks its own
// options first (a usage error touches nothing), then calls StartUp() and
// runs the same core code as the dialogs.
//
// Text inside is Windows-1252, as the core, the files and the printer library
// have it (the string literals of these sources are compiled into it too).
// Arguments are converted to it on the way in; everything printed is
// converted on the way out (wide text on a Windows console, UTF-8 elsewhere).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/trouble.h"

// Exit statuses.
constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNothing = 3;  // nothing to do (palm-import without orders)

// ---- text (encoding.cpp) -------------------------------------------------
// Windows-1252 to UTF-8.
std::string Cp1252ToUtf8(const std::string& text);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int Cp1252Byte(std::uint32_t code_point);
// The code point of a Windows-1252 byte (U+FFFD for the five unassigned ones).
std::uint32_t Cp1252CodePoint(unsigned char byte);
// 1 when text is well-formed UTF-8 (checked continuation bytes, no overlong
// forms, no surrogates).
bool IsUtf8(const std::string& text);
// An argument of a non-Windows system: well-formed UTF-8 is converted to
// Windows-1252 (0 when a character has no place in it, out then incomplete);
// anything else is taken as Windows-1252 bytes as they stand. Returns 1.
int ArgumentToCp1252(const std::string& raw, std::string& out);
// One output line of a message: line breaks inside become " — ", line
// breaks and blanks at either end go.
std::string OneLine(const std::string& text);

// ---- console (console.cpp, over the platform's command line and console) --
// The words after the program's name, in Windows-1252. On Windows they come
// from the wide command line; elsewhere from argv (see ArgumentToCp1252).
// Returns 1; 0 when an argument holds a character Windows-1252 does not have:
// bad_index is then its position (from 1) and bad_utf8 the argument as typed.
int ReadArguments(int argc, char** argv, std::vector<std::string>& args, int& bad_index,
                  std::string& bad_utf8);
// Writes lines of Windows-1252 text to standard output or standard error: on
// a Windows console as wide text (right whatever its code page), to a file or
// pipe and on other systems as UTF-8. A line end is added.
void PrintOut(const std::string& cp1252);
void PrintErr(const std::string& cp1252);
// The same with UTF-8 text.
void PrintErrUtf8(const std::string& utf8);
// The full form of a path typed on the command line, from the folder
// vri-batch was started in (call before StartUp changes the folder). With a
// drive root in force the result is marked so the platform layer takes it as
// it stands (on Windows "\\?\C:\..."), never below the root.
std::string TypedPath(const std::string& path);
// A path for showing: the "\\?\" mark removed.
std::string ShownPath(const std::string& path);

// ---- main.cpp --------------------------------------------------------------
// Prints "vri-batch: erro de uso: <text>" and a hint on standard error (and a
// JSON line in the --messages file); returns 2.
int UsageError(const std::string& text);

// Makes the product folder current and loads the company given with
// --company, exactly as the Win32 start-up does, with the job mode of the
// command (565 fiscal printer, 566 Palm), and prints the company loaded.
// Returns 1, or 0 after the folder message was shown (the command then exits 1).
// make_folder 0: the company folder is not made (a run that writes nothing).
int StartUp(int job_mode, int make_folder = 1);

// Makes the product folder current, as StartUp does. 1, or 0 after the
// folder message.
int StartUpFolder();
// Loads the company given with --company (that one or none) or, without
// it, start-up's company, making no folder; prints the company loaded. 1
// when one is loaded; 0 with `asked` the code looked for.
int LoadCompanyReadOnly(std::string& asked);

// One JSON member, the value Windows-1252 text: "\"name\": \"value\"".
std::string JsonMember(const std::string& name, const std::string& cp1252);

// The printer library the fiscal job loads by default: Bemafi32.dll by the
// system's search on Windows, the stand-in beside vri-batch elsewhere.
std::string DefaultLibrary();

// Members added to the JSON line of every message shown while set (for
// example "\"line\": 3, \"code\": \"S01\""); the empty text adds none.
void SetMessageFields(const std::string& json_members);

// Number of error messages shown so far (every message goes through the sink).
int ErrorsShown();

// ---- help.cpp ----------------------------------------------------------------
// The help of the program (command empty) or of one command; empty text when
// there is no such command.
std::string HelpText(const std::string& command);
// "vri-batch 4.77.0".
std::string VersionText();
// 1 when word asks for help: --help, -h, /?, ajuda.
bool IsHelpWord(const std::string& word);

// Commands: args are the words after the command name.
int RunPalmExport(const std::vector<std::string>& args);
int RunPalmImport(const std::vector<std::string>& args);
int RunSintegra(const std::vector<std::string>& args);
int RunSintegraSort(const std::vector<std::string>& args);
int RunSintegraCheck(const std::vector<std::string>& args);
int RunDoctor(const std::vector<std::string>& args);
