#include "setup/install_folder.h"

#include <windows.h>

#include <cstring>

#include "common/text.h"
#include "common/win/ansi_text.h"
#include "setup/deployment.h"

namespace karvex {

namespace {

// Drops one backslash at the end: the last character, not a last byte that
// may be the second half of a double-byte character.
void RemoveTrailingBackslash(char* path)
{
    const char* slash = FindLastBackslash(path);
    if (slash != nullptr && slash[1] == '\0')
        path[slash - path] = '\0';
}

}  // namespace

bool DefaultInstallFolder(char* folder, std::size_t size)
{
    char programFiles[276];
    const DWORD length = ::ExpandEnvironmentStringsA("%ProgramFiles%", programFiles, sizeof programFiles);
    if (length == 0 || length > sizeof programFiles ||
        !FormatText(folder, size, "%s\\Karvex", programFiles)) {
        CopyText(folder, size, "");
        return false;
    }
    return true;
}

bool MakeInstallFolder(const char* typed, char* folder, std::size_t size)
{
    char text[MAX_PATH];
    if (!CopyText(text, typed))
        return false;
    RemoveTrailingBackslash(text);
    if (text[0] == '\0')
        return false;
    // Made absolute from the text as typed, so that "C:\" stays the root.
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(typed, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return false;
    RemoveTrailingBackslash(full);
    if (std::strlen(full) + std::strlen(kLongestInstalledPath) >= MAX_PATH)
        return false;
    return CopyText(folder, size, full);
}

}  // namespace karvex
