// Stand-in for the program updater update.exe. The client starts it, with its
// token, when program files were staged in "update" by an earlier pass and the
// user agreed to finish the update. It waits for the client to end, puts the
// files listed in "update\ready" in place by the client's own rules
// (InstallPendingFiles) and starts the client again.
//
// Exit codes: 0 done, 1 some file could not be put in place, 2 not started by
// the client (no token), 3 the client did not end.
#include <windows.h>


#include "client/app/command_line.h"
#include "client/update/pending_files.h"
#include "common/product.h"
#include "common/text.h"
#include "common/win/handles.h"
#include "common/win/module_path.h"
#include "common/win/process.h"

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

void StartClient(const char* folder)
{
    char commandLine[MAX_PATH + 2];
    if (FormatText(commandLine, sizeof commandLine, "\"%s\\karvex.exe\"", folder))
        StartProcess(commandLine, folder);
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
    const bool installed = InstallPendingFiles(folder);
    StartClient(folder);
    return installed ? 0 : 1;
}
