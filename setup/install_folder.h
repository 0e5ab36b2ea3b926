// The install folder: the default offered on page 1, and the folder made of
// what the user typed there.
#pragma once

#include <cstddef>

namespace karvex {

// "%ProgramFiles%\Karvex"; false (empty text) when it does not fit.
bool DefaultInstallFolder(char* folder, std::size_t size);

// Why a text of the folder field makes no install folder.
enum class FolderRefusal {
    kNone,
    kEmpty,          // nothing, or only a backslash
    kNotAbsolute,    // no drive and root ("C:\") nor share ("\\server\share\")
    kRoot,           // a drive's or a share's root: the client empties folders below it
    kUnusableName,   // a device name (NUL, COM1...) or path (\\.\), a name ending in a dot or a space
    kTooLong,        // no room for the paths the client builds inside it
};

// Turns the text of the folder field into the install folder: absolute and
// without a trailing backslash. kNone when it did, else why not.
FolderRefusal MakeInstallFolder(const char* typed, char* folder, std::size_t size);

// What the user is told about a refusal; null for an empty text, where the
// focus back in the field says enough.
const char* RefusalMessage(FolderRefusal refusal);

}  // namespace karvex
