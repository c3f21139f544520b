// The portable part of the Palm dialog: its caption, and what the folder
// chooser does with the folder typed and the path chosen. The Win32 dialog
// (palm_dialog_win32.cpp) reads and writes the controls around these.
#pragma once

#include <string>

#include "platform/platform.h"

inline constexpr char kPalmChooserCaption[] = "GetOpenFileName2";
inline constexpr char kPalmPathTooLong[] = "Caminho muito grande.";
// What the chooser's file-name box holds; the user confirms the folder with it.
inline constexpr char kPalmChooserFileName[] = "Selecione uma pasta";
// The key of the remembered folder in F37.DAT: two empty parts and "PAL".
inline constexpr char kPalmSavedFolderKey[] = "PAL";
// The main window's title counts with at most this many characters.
constexpr int kPalmCaptionTitleMax = 49;

// "<title> - <company code>", the title cut to 49 characters. Returns out.
std::string& PalmDialogCaption(std::string& out, const std::string& main_title,
                               const std::string& company_code);

// Where the chooser starts for the folder field's text: the text when it
// names a folder, else the part before its last backslash when that does,
// else "C:\". Returns folder.
std::string& ChooserStartFolder(std::string& folder);

// Takes the path the chooser returned: the folder is the path without its
// last component (a drive root comes back as "C:"). When it is longer than
// the folder field's 49 characters, shows "Caminho muito grande." (caption
// "GetOpenFileName2", error) and returns 0 with `folder` unchanged;
// otherwise `folder` becomes it, it is remembered in F37.DAT under the key
// "PAL" as a folder (a failed write is shown by the record layer) and 1 is
// returned.
int AcceptChosenFolder(PlatWindow owner, const std::string& chosen_path, std::string& folder);
