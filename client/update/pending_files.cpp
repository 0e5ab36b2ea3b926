#include "client/update/pending_files.h"

#include <windows.h>

#include <cstdio>

#include "client/update/manifest.h"
#include "client/update/replace_file.h"
#include "client/update/staging.h"
#include "common/file_steps.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/handles.h"

namespace karvex {

namespace {

bool Exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool Marker(const char* folder, char (&marker)[MAX_PATH])
{
    return FormatText(marker, sizeof marker, "%s\\update\\ready", folder);
}

// The marker with exactly `names`, written beside it and renamed into place;
// deleted when there is none.
bool WriteMarker(const char* folder, const std::vector<std::string>& names)
{
    char marker[MAX_PATH];
    char written[MAX_PATH];
    if (!Marker(folder, marker) || !FormatText(written, sizeof written, "%s~", marker))
        return false;
    if (names.empty()) {
        FileStep("marker deleted");
        return ::DeleteFileA(marker) != FALSE || !Exists(marker);
    }
    FileStep("marker written");
    bool listed = false;
    if (FilePtr file = OpenFile(written, "w")) {
        listed = true;
        for (const std::string& name : names)
            listed = std::fprintf(file.get(), "%s \n", name.c_str()) > 0 && listed;
        listed = FlushToDisk(file.get()) && listed;
        listed = std::fclose(file.release()) == 0 && listed;
    }
    FileStep("marker renamed");
    if (listed && ::MoveFileExA(written, marker, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(written);
    return false;
}

// Whether `path` names the program this process runs from.
bool IsOwnProgram(const char* path)
{
    char own[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, own, sizeof own);
    return length > 0 && length < sizeof own && ::lstrcmpiA(own, path) == 0;
}

// Renames `live` aside into `temp` under a name no earlier install left there
// (an old program may still run from one). Its new name in `aside`.
bool RenameAside(const char* live, const char* temp, const char* name, char (&aside)[MAX_PATH])
{
    ::CreateDirectoryA(temp, nullptr);
    const DWORD tick = ::GetTickCount();
    for (DWORD n = 0; n < 100; ++n) {
        if (!FormatText(aside, sizeof aside, "%s\\%s~%lx", temp, name, static_cast<unsigned long>(tick + n)))
            return false;
        FileStep("program file renamed aside");
        if (::MoveFileA(live, aside))
            return true;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

// Puts one staged file in place; false when it is still staged.
bool InstallOne(const char* folder, const char* name)
{
    char staged[MAX_PATH];
    char live[MAX_PATH];
    char temp[MAX_PATH];
    if (!FormatText(staged, sizeof staged, "%s\\update\\%s", folder, name) ||
        !FormatText(live, sizeof live, "%s\\%s", folder, name) || !FormatText(temp, sizeof temp, "%s\\Temp", folder))
        return false;
    if (!Exists(staged))
        return true;  // named twice, or installed already
    if (IsOwnProgram(live))
        return false;
    FileStep("program file put in place");
    if (::MoveFileExA(staged, live, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // A program that runs cannot be replaced, but it can be renamed aside.
    // Between the two renames its name is free: FinishInterruptedInstall
    // completes an install that ends there.
    char aside[MAX_PATH];
    const bool renamed = RenameAside(live, temp, name, aside);
    if (!renamed && Exists(live))
        return false;
    FileStep("program file put in place");
    if (::MoveFileExA(staged, live, MOVEFILE_WRITE_THROUGH))
        return true;
    if (renamed) {
        FileStep("program file renamed back");
        ::MoveFileExA(aside, live, MOVEFILE_WRITE_THROUGH);
    }
    return false;
}

}  // namespace

std::vector<std::string> ReadStagedNames(const char* folder)
{
    std::vector<std::string> names;
    char marker[MAX_PATH];
    FilePtr file = Marker(folder, marker) ? OpenFile(marker, "rb") : FilePtr();
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

bool ReplaceWithCopy(const char* source, const char* copy, const char* target)
{
    FileStep("program file copied");
    bool copied = false;
    if (::CopyFileA(source, copy, FALSE)) {
        // Flushed before the rename, so a power cut cannot put an empty file in place.
        FilePtr file = OpenFile(copy, "r+b");
        copied = file && FlushToDisk(file.get());
    }
    FileStep("program file renamed into place");
    if (copied && ::MoveFileExA(copy, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(copy);
    return false;
}

bool StageFile(const char* folder, const char* source, const char* name)
{
    char staging[MAX_PATH];
    char staged[MAX_PATH];
    char copy[MAX_PATH];
    if (!FormatText(staging, sizeof staging, "%s\\update", folder) ||
        !FormatText(staged, sizeof staged, "%s\\%s", staging, name) ||
        !FormatText(copy, sizeof copy, "%s~", staged))
        return false;
    ::CreateDirectoryA(staging, nullptr);
    if (!ReplaceWithCopy(source, copy, staged))
        return false;
    std::vector<std::string> names = ReadStagedNames(folder);
    names.push_back(name);
    if (WriteMarker(folder, names))
        return true;
    ::DeleteFileA(staged);  // a staged file nobody lists would never go in
    return false;
}

bool InstallPendingFiles(const char* folder)
{
    char marker[MAX_PATH];
    if (!Marker(folder, marker))
        return false;
    if (!Exists(marker))
        return true;
    std::vector<std::string> left;
    for (const std::string& name : ReadStagedNames(folder)) {
        if (!InstallOne(folder, name.c_str()))
            left.push_back(name);
    }
    return WriteMarker(folder, left) && left.empty();
}

void FinishInterruptedInstall(const char* folder)
{
    for (const std::string& name : ReadStagedNames(folder)) {
        char staged[MAX_PATH];
        char live[MAX_PATH];
        char aside[MAX_PATH];
        if (!FormatText(staged, sizeof staged, "%s\\update\\%s", folder, name.c_str()) ||
            !FormatText(live, sizeof live, "%s\\%s", folder, name.c_str()) ||
            !FormatText(aside, sizeof aside, "%s\\Temp\\%s~*", folder, name.c_str()) || Exists(live) ||
            !Exists(staged))
            continue;
        // Only a file that was renamed aside for this install: a new program
        // file that never had a live copy waits for the install as usual.
        WIN32_FIND_DATAA found;
        UniqueFind search(::FindFirstFileA(aside, &found));
        if (search) {
            FileStep("program file put in place");
            ::MoveFileExA(staged, live, MOVEFILE_WRITE_THROUGH);
        }
    }
}

}  // namespace karvex
