// Every text of the system is Windows-1252, one byte a character. The sources
// are UTF-8: a build without -fexec-charset=CP1252 would write two bytes for
// each accented letter into records and messages.
#pragma once

static_assert(sizeof("ç") == 2, "build with -fexec-charset=CP1252");
