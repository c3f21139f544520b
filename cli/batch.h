// vri-batch: the jobs of Vri from a shell. Each command checks its own
// options first (a usage error touches nothing), then calls StartUp() and
// runs the same core code as the dialogs.
#pragma once

#include <string>
#include <vector>

// Exit statuses.
constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Prints "vri-batch: <text>" and the usage on standard error; returns 2.
int UsageError(const std::string& text);

// Makes the product folder current and loads the company given with
// --company, exactly as the Win32 start-up does, with the job mode of the
// command (565 fiscal printer, 566 Palm). Returns 1, or 0 after the folder
// message was shown (the command then exits 1).
int StartUp(int job_mode);

// A path given on the command line: relative ones are taken from the folder
// vri-batch was started in. Returns the path to hand to the core.
std::string StartFolderPath(const std::string& path);

// Number of error messages shown so far (every message goes through the sink).
int ErrorsShown();

// Windows-1252 to UTF-8, for printing.
std::string Cp1252ToUtf8(const std::string& text);
// UTF-8 from the command line to Windows-1252; characters outside it become '?'.
std::string Utf8ToCp1252(const std::string& text);

// Commands: args are the words after the command name.
int RunPalmExport(const std::vector<std::string>& args);
int RunPalmImport(const std::vector<std::string>& args);
int RunSintegra(const std::vector<std::string>& args);
int RunSintegraSort(const std::vector<std::string>& args);
