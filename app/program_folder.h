// The folder that holds the running program file.
#pragma once

#include <cstddef>

#include "app/text_memory.h"

namespace app {

// A fresh copy of the program folder for the caller to release; null when empty.
Text program_folder();
// False when the program's path could not be held exactly in the ANSI code page, so
// the folder text may name another folder.
bool program_folder_is_exact();
// Releases the folder read at start (normal shutdown).
void forget_program_folder();

// Index of the last real backslash in `path`, or -1 when there is none. The second byte
// of a double-byte character is never taken for a backslash, even when it is 0x5C.
std::ptrdiff_t last_backslash(const char* path);

}  // namespace app
