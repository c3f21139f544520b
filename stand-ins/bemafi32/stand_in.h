// Pieces of the printer library stand-in that differ between systems.
#pragma once

#include <string>

// The folder the stand-in library was loaded from, with a trailing separator;
// the empty text (the current folder) when it cannot be told.
std::string StandInFolder();
