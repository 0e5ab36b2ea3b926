#include "client/update/pending_files.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "client/update/manifest.h"
#include "client/update/staging.h"
#include "common/std_file.h"
#include "common/text.h"

namespace karvex {

namespace {

bool Exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Puts one staged file in place; false when it is still staged.
bool InstallOne(const char* folder, const char* name)
{
    char staged[MAX_PATH];
    char live[MAX_PATH];
    char temp[MAX_PATH];
    char aside[MAX_PATH];
    if (!FormatText(staged, sizeof staged, "%s\\update\\%s", folder, name) ||
        !FormatText(live, sizeof live, "%s\\%s", folder, name) ||
        !FormatText(temp, sizeof temp, "%s\\Temp", folder) ||
        !FormatText(aside, sizeof aside, "%s\\%s", temp, name))
        return false;
    if (!Exists(staged))
        return true;  // named twice, or installed already
    if (::MoveFileExA(staged, live, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // A running program cannot be replaced, but it can be renamed aside.
    ::CreateDirectoryA(temp, nullptr);
    ::DeleteFileA(aside);
    const bool movedAside = ::MoveFileA(live, aside) != FALSE;
    if (!movedAside && Exists(live))
        return false;
    if (::MoveFileA(staged, live))
        return true;
    if (movedAside)
        ::MoveFileA(aside, live);
    return false;
}

// The marker's names, read back with the manifest's line rules.
std::vector<std::string> ReadMarker(const char* marker)
{
    std::vector<std::string> names;
    FilePtr file(std::fopen(marker, "r"));
    if (!file)
        return names;
    char line[kManifestLineBuffer];
    std::size_t lines = 0;
    while (ReadWholeLine(file.get(), line, sizeof line, &lines)) {
        char name[kMaxProgramFileName + 1];
        if (StagedNameFromLine(line, name, sizeof name) && IsProgramFileName(name))
            names.push_back(name);
    }
    return names;
}

}  // namespace

bool InstallPendingFiles(const char* folder)
{
    char marker[MAX_PATH];
    if (!FormatText(marker, sizeof marker, "%s\\update\\ready", folder))
        return false;
    if (!Exists(marker))
        return true;
    std::vector<std::string> left;
    for (const std::string& name : ReadMarker(marker)) {
        if (!InstallOne(folder, name.c_str()))
            left.push_back(name);
    }
    if (left.empty())
        return ::DeleteFileA(marker) != FALSE || !Exists(marker);
    FilePtr file(std::fopen(marker, "w"));
    if (file) {
        for (const std::string& name : left)
            std::fprintf(file.get(), "%s \n", name.c_str());
    }
    return false;
}

}  // namespace karvex
