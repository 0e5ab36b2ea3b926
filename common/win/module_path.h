// Paths of the running program, in the ANSI code page.
#pragma once

#include <cstddef>

namespace karvex {

// Full path of the running executable; false if it does not fit.
bool GetProgramPath(char* out, std::size_t size);
// Folder of the running executable, without a trailing backslash.
bool GetProgramFolder(char* out, std::size_t size);

}  // namespace karvex
