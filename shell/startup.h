// Start-up of Vri, free of windows: the command-line rule, the product folder
// and the company context. vri.exe and vri-batch both start through here.
#pragma once

#include <string>

// Current folder left alone by SetWorkFolder: the build machine's output
// folder, so a program started from the debugger keeps its own folder.
inline constexpr char kDevelopmentFolder[] = "C:\\Kmar\\Fontes\\Vri\\Bin";

// LoadCompany requests: look the code up (3), or look it up and take no
// other (4, vri-batch --company); the look-up found it (2) or not (0, take
// the company used last).
constexpr int kLoadExact = 4;
constexpr int kLoadLookUp = 3;
constexpr int kLoadFound = 2;
constexpr int kLoadLastUsed = 0;

// Settles the job mode and the company code of Company() from the arguments
// text (everything after the program's name, any length and any bytes):
// exactly 9 characters starting with "vri" in any ASCII case give mode 566
// when the 4th is '2', else 0, and the code of characters 5 to 9 as they
// stand; anything else gives mode 565 and code "00001". Returns the mode.
int ApplyCommandLine(const std::string& arguments);

// The decimal value of a text as the larger product reads numbers: leading
// white space skipped, optional sign, digits up to the first non-digit; no
// digits give 0. Values beyond the int range stop at its bounds.
int DecimalValue(const std::string& text);

// Makes the product folder "C:\Kmar\<name>" the current folder, unless the
// current folder is kDevelopmentFolder (any case). Returns 1 on success (or
// when left alone); 0 after "Erro ao mudar a pasta." (caption
// "Desenvolvimento", error icon, owner the active window). The Win32 caller
// then posts the quit request.
int SetWorkFolder(const std::string& name);

// Reads the record number of the company used last from C11.DAT (its first
// 10 characters, a decimal number) into Company().company_record when
// request is kLoadLastUsed; any other request reads nothing. Returns the
// record number in force afterwards; -1 when C11.DAT cannot be opened or
// holds no number.
int ReadLastCompany(int request);

// A company code as LoadCompany normalises it, "%05d": at least five digits
// with leading zeros, a minus sign counting as one. Returns out.
std::string& FormatCode(std::string& out, int value);

// Loads the company context from the product folder (the current folder).
// With kLoadLookUp and a code: the code is normalised to "%05d" of its
// decimal value and looked up in F00R0.DAT; when it is not there the company
// used last (C11.DAT) is taken; with kLoadExact none is, and nothing is
// made. The code stored in that master record then
// replaces Company().company_code, and R00\<code> is created (made or not).
// Returns 1 with a company loaded; 0 with an empty code and record -1 when
// none could be (no message: the first company file the job opens reports
// it). The Win32 caller repaints the main window afterwards.
// make_folder 0: R00\<code> is not made (a reading that writes nothing).
int LoadCompany(int request, int make_folder = 1);
