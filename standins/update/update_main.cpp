// Stand-in for the program updater update.exe. The client starts it, with its
// token, when program files were staged in "update" by an earlier pass and the
// user agreed to finish the update. It waits for the client to end, moves the
// files listed in "update\ready" into the install folder, deletes the marker
// and starts the client again.
//
// Exit codes: 0 done, 1 some file could not be put in place, 2 not started by
// the client (no token), 3 the client did not end.
#include <windows.h>

#include <cstdio>

#include "client/app/command_line.h"
#include "client/update/staging.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/handles.h"
#include "common/win/module_path.h"

using namespace karvex;

namespace {

constexpr DWORD kClientExitTimeout = 30 * 1000;

// The client is gone once no process holds its single-instance event.
bool WaitForClientToEnd()
{
    for (DWORD waited = 0; waited < kClientExitTimeout; waited += 100) {
        UniqueKernelHandle event(::OpenEventA(SYNCHRONIZE, FALSE, kSingleInstanceEvent));
        if (!event)
            return true;
        ::Sleep(100);
    }
    return false;
}

bool Exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Puts one staged file in place; the live file is moved aside into Temp when
// it cannot simply be replaced.
bool InstallStagedFile(const char* folder, const char* name)
{
    char staged[MAX_PATH], live[MAX_PATH], aside[MAX_PATH], temp[MAX_PATH];
    if (!FormatText(staged, sizeof staged, "%s\\update\\%s", folder, name) ||
        !FormatText(live, sizeof live, "%s\\%s", folder, name) ||
        !FormatText(temp, sizeof temp, "%s\\Temp", folder) ||
        !FormatText(aside, sizeof aside, "%s\\%s", temp, name))
        return false;
    if (!Exists(staged))
        return true;  // named twice, or already installed
    if (::MoveFileExA(staged, live, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::CreateDirectoryA(temp, nullptr);
    ::DeleteFileA(aside);
    return ::MoveFileA(live, aside) && ::MoveFileA(staged, live);
}

bool InstallStagedFiles(const char* folder)
{
    char marker[MAX_PATH];
    if (!FormatText(marker, sizeof marker, "%s\\update\\ready", folder))
        return false;
    bool ok = true;
    {
        FilePtr file(std::fopen(marker, "r"));
        if (!file)
            return true;
        char line[MAX_PATH];
        while (std::fgets(line, sizeof line, file.get()) != nullptr) {
            char name[MAX_PATH];
            if (!StagedNameFromLine(line, name, sizeof name))
                continue;
            if (!IsPlainFileName(name) || !InstallStagedFile(folder, name))
                ok = false;
        }
    }
    ::DeleteFileA(marker);
    return ok;
}

void StartClient(const char* folder)
{
    char commandLine[MAX_PATH + 2];
    if (!FormatText(commandLine, sizeof commandLine, "\"%s\\karvex.exe\"", folder))
        return;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                         &process)) {
        UniqueKernelHandle thread(process.hThread);
        UniqueKernelHandle handle(process.hProcess);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (CountTokens(::GetCommandLineA(), kUpdaterToken) == 0)
        return 2;
    char folder[MAX_PATH];
    if (!GetProgramFolder(folder, sizeof folder))
        return 1;
    if (!WaitForClientToEnd())
        return 3;
    const bool installed = InstallStagedFiles(folder);
    StartClient(folder);
    return installed ? 0 : 1;
}
