// The install folder: the default offered on page 1, and the folder made of
// what the user typed there.
#pragma once

#include <cstddef>

namespace karvex {

// "%ProgramFiles%\Karvex"; false (empty text) when it does not fit.
bool DefaultInstallFolder(char* folder, std::size_t size);

// Turns the text of the folder field into the install folder: absolute and
// without a trailing backslash (a drive's root stays "C:"). False when the
// text is empty, is only a backslash, or makes a folder too long for the
// paths the client builds inside it.
bool MakeInstallFolder(const char* typed, char* folder, std::size_t size);

}  // namespace karvex
