// Stand-in for the uninstaller uninstall.exe. Started as
//     uninstall.exe "<install folder>" <process id>
// by the client (its own id, after "/u") or by the installer (0). It notes the
// request in %TEMP%\karvex-uninstall.log, asks the user, ends a running client,
// unregisters the protection component and removes the product's files,
// settings, Run entry and shortcuts.
//
// Exit codes: 0 removed, 1 the user declined, 2 bad arguments, 3 something
// could not be removed.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include "client/res/resource.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/folder.h"
#include "common/win/handles.h"
#include "common/win/registry.h"

using namespace karvex;

namespace {

constexpr DWORD kClientExitTimeout = 10 * 1000;

const char* const kProductFiles[] = {"karvex.exe", "karvex.dll",        "url.db",     "adv.db",
                                     "qua.db",     "TrustPrograms.dat", "update.exe", "uninstall.exe"};
const char* const kWorkFolders[] = {"update", "Temp", "backup"};

void LogRequest(const char* folder, const char* processId)
{
    char path[MAX_PATH];
    const DWORD length = ::GetTempPathA(sizeof path, path);
    if (length == 0 || length >= sizeof path ||
        !FormatText(path + length, sizeof path - length, "karvex-uninstall.log"))
        return;
    FilePtr log(std::fopen(path, "a"));
    if (log)
        std::fprintf(log.get(), "folder=%s pid=%s\n", folder, processId);
}

// Asks the running client to exit and waits for it.
void EndClient()
{
    HWND tray = ::FindWindowA(kTrayWindowClass, nullptr);
    if (tray == nullptr)
        return;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(tray, &processId);
    UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    ::PostMessageA(tray, WM_COMMAND, ID_TRAY_EXIT, 0);
    if (process && ::WaitForSingleObject(process.get(), kClientExitTimeout) != WAIT_OBJECT_0)
        ::TerminateProcess(process.get(), 1);
}

bool UnregisterComponent(const char* folder)
{
    char path[MAX_PATH];
    if (!FormatText(path, sizeof path, "%s\\%s", folder, kComponentFile))
        return false;
    UniqueLibrary library(::LoadLibraryA(path));
    if (!library)
        return ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    auto unregister = reinterpret_cast<ServerFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "DllUnregisterServer")));
    return unregister != nullptr && SUCCEEDED(unregister());
}

bool RemoveSettings()
{
    LONG status = DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    bool ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ordwell");  // only goes when empty
    RegKey run;
    if (run.Open(HKEY_CURRENT_USER, kRunKey) == ERROR_SUCCESS) {
        status = run.DeleteValue(kRunValue);
        ok = ok && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
    }
    return ok;
}

bool DeleteIfPresent(const char* path)
{
    return ::DeleteFileA(path) || ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

void RemoveShortcuts()
{
    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOPDIRECTORY, FALSE) &&
        FormatText(path, sizeof path, "%s\\Karvex.lnk", folder))
        DeleteIfPresent(path);
    char group[MAX_PATH];
    if (::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_COMMON_PROGRAMS, FALSE) &&
        FormatText(group, sizeof group, "%s\\Karvex", folder)) {
        for (const char* name : {"Karvex.lnk", "卸载Karvex.lnk"}) {
            if (FormatText(path, sizeof path, "%s\\%s", group, name))
                DeleteIfPresent(path);
        }
        ::RemoveDirectoryA(group);
    }
}

// Removes what an installation put into the folder; the folder itself goes
// only when nothing else is left in it.
bool RemoveFiles(const char* folder)
{
    bool ok = true;
    char path[MAX_PATH];
    for (const char* name : kProductFiles)
        ok = FormatText(path, sizeof path, "%s\\%s", folder, name) && DeleteIfPresent(path) && ok;
    for (const char* name : kWorkFolders)
        if (FormatText(path, sizeof path, "%s\\%s", folder, name)) {
            ok = DeleteFilesIn(path) && ok;
            ::RemoveDirectoryA(path);
        } else {
            ok = false;
        }
    ::RemoveDirectoryA(folder);
    return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 3)
        return 2;
    const char* folder = __argv[1];
    LogRequest(folder, __argv[2]);
    if (::GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
        return 2;

    if (::MessageBoxA(nullptr, "确定要卸载Karvex及其所有组件吗？", "Karvex 卸载",
                      MB_OKCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND) != IDOK)
        return 1;

    EndClient();
    bool ok = UnregisterComponent(folder);
    ok = RemoveSettings() && ok;
    RemoveShortcuts();
    ok = RemoveFiles(folder) && ok;
    return ok ? 0 : 3;
}
