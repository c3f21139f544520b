// Why a path could not be used, in the technician's words: the detail that a
// message carries for vri-batch (the Win32 program shows only the message's
// caption and text). Portable, over the seam.
#pragma once

#include <string>

#include "platform/platform.h"

// The path as the system names it, as a person reads it: under a drive root
// the real folder, and without the "\\?\" mark of a path typed on
// vri-batch's command line.
std::string PlatShownPath(const std::string& path);
// The path without the "\\?\" mark, not mapped.
std::string PlatUnmarkedPath(const std::string& path);

// Why a library could not be loaded from path (a bare name: the system's
// search): missing, not a 32-bit library, not a library at all, access
// denied... Call it at once after the failed load: it reads the system's
// last error first.
std::string LibraryTrouble(const std::string& path);

// Why a folder cannot be used: missing, a file of that name, access denied.
std::string FolderTrouble(const std::string& folder);
