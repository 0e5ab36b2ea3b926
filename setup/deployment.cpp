#include "setup/deployment.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>

#include "common/servers.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/handles.h"
#include "common/win/process.h"
#include "common/win/resource_bytes.h"
#include "setup/res/resource.h"

namespace karvex {

const INSTALL_FILE g_InstallFiles[7] = {
    {IDR_ADV_DB, "adv.db"},
    {IDR_TRUST_PROGRAMS, "TrustPrograms.dat"},
    {IDR_CLIENT, "karvex.exe"},
    {IDR_QUA_DB, "qua.db"},
    {IDR_UNINSTALLER, "uninstall.exe"},
    {IDR_URL_DB, "url.db"},
    {IDR_COMPONENT, "karvex.dll"},
};

namespace {

constexpr char kClientFile[] = "karvex.exe";

}  // namespace

bool ExtractResourceFile(int resourceId, const char* path, DWORD pauseMs)
{
    const RESOURCE_BYTES package = ResourceBytes(MAKEINTRESOURCEA(resourceId), "INSTALL_FILES");
    char temporary[MAX_PATH + 8];
    if (package.pData == nullptr || !FormatText(temporary, sizeof temporary, "%s.part", path))
        return false;
    const unsigned char* data = package.pData;
    const DWORD size = package.nSize;
    FilePtr file(std::fopen(temporary, "wb"));
    if (!file)
        return false;
    const DWORD half = size / 2;
    bool written = std::fwrite(data, 1, half, file.get()) == half;
    if (pauseMs != 0) {
        std::fflush(file.get());
        ::Sleep(pauseMs);
    }
    written = std::fwrite(data + half, 1, size - half, file.get()) == size - half && written;
    // Closing flushes: a full disk may only show here.
    written = std::fclose(file.release()) == 0 && written;
    if (written && ::MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temporary);
    return false;
}

bool CreateShortcut(const char* target, const char* arguments, const char* shortcutPath)
{
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.put()))))
        return false;
    if (FAILED(link->SetPath(target)))
        return false;
    if (arguments != nullptr && FAILED(link->SetArguments(arguments)))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))))
        return false;
    WCHAR widePath[MAX_PATH];
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, shortcutPath, -1, widePath, MAX_PATH) == 0)
        return false;
    return SUCCEEDED(file->Save(widePath, TRUE));
}

bool CreateProgramGroup(const char* installDir)
{
    char programs[MAX_PATH];
    if (!::SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE))
        return false;
    char group[MAX_PATH];
    char target[MAX_PATH];
    char shortcut[MAX_PATH];
    if (!FormatText(group, sizeof group, "%s\\Karvex", programs) ||
        !FormatText(target, sizeof target, "%s\\%s", installDir, kClientFile))
        return false;
    ::CreateDirectoryA(group, nullptr);  // an existing group is fine
    bool made = FormatText(shortcut, sizeof shortcut, "%s\\Karvex.lnk", group) &&
                CreateShortcut(target, nullptr, shortcut);
    made = FormatText(shortcut, sizeof shortcut, "%s\\卸载Karvex.lnk", group) &&
           CreateShortcut(target, "/u", shortcut) && made;
    return made;
}

bool CreateDesktopShortcut(const char* installDir)
{
    char desktop[MAX_PATH];
    char target[MAX_PATH];
    char shortcut[MAX_PATH];
    return ::SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOP, FALSE) &&
           FormatText(shortcut, sizeof shortcut, "%s\\Karvex.lnk", desktop) &&
           FormatText(target, sizeof target, "%s\\%s", installDir, kClientFile) &&
           CreateShortcut(target, nullptr, shortcut);
}

void StartClient(const char* installDir)
{
    char commandLine[MAX_PATH + 16];
    if (FormatText(commandLine, sizeof commandLine, "\"%s\\%s\"", installDir, kClientFile))
        StartProcess(commandLine);
}

void OpenFirstUsePage()
{
    char url[300];
    if (FormatText(url, sizeof url, "http://%s/firsthelp.html", kWebHost))
        ::ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace karvex
