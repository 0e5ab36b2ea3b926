#include "setup/install_folder.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>

#include "common/text.h"
#include "common/win/ansi_text.h"
#include "setup/deployment.h"

namespace karvex {

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Drops one backslash at the end: the last character, not a last byte that
// may be the second half of a double-byte character.
void RemoveTrailingBackslash(char* path)
{
    const char* slash = FindLastBackslash(path);
    if (slash != nullptr && slash[1] == '\0')
        path[slash - path] = '\0';
}

// Names that Windows keeps for devices in every folder, with or without an
// extension: "NUL", "com1.txt", "CON ".
bool IsDeviceName(const char* name, std::size_t length)
{
    std::size_t base = 0;
    while (base < length && name[base] != '.')
        ++base;
    while (base > 0 && name[base - 1] == ' ')
        --base;
    char upper[8] = {};
    if (base == 0 || base >= sizeof upper)
        return false;
    for (std::size_t i = 0; i < base; ++i)
        upper[i] = AsciiUpper(name[i]);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (std::strcmp(upper, device) == 0)
            return true;
    }
    return base == 4 && (std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// A folder name the file system would not keep as typed: it drops dots and
// spaces at the end, and a device name opens the device.
bool IsUnusableName(const char* name, std::size_t length)
{
    const bool dots = (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.');
    if (dots)
        return false;  // "." and "..", resolved with the rest of the path
    return name[length - 1] == '.' || name[length - 1] == ' ' || IsDeviceName(name, length);
}

// Steps over one name of `path` (to its separator or its end), by character.
const char* SkipName(const char* path)
{
    while (*path != '\0' && !IsSeparator(*path))
        path = ::CharNextA(path);
    return path;
}

// Paths into the device namespaces, "\\.\" and "\\?\".
bool IsDevicePath(const char* path)
{
    return IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '.' || path[2] == '?') &&
           IsSeparator(path[3]);
}

// What follows the root of an absolute path: "C:\" or "\\server\share"
// (without the separator after the share). Null when `path` has no such root.
const char* SkipRoot(const char* path)
{
    const char c = AsciiUpper(path[0]);
    if (c >= 'A' && c <= 'Z' && path[1] == ':' && IsSeparator(path[2]))
        return path + 3;
    if (!IsSeparator(path[0]) || !IsSeparator(path[1]))
        return nullptr;
    const char* server = path + 2;
    const char* serverEnd = SkipName(server);
    if (serverEnd == server || !IsSeparator(*serverEnd))
        return nullptr;
    const char* share = serverEnd + 1;
    const char* shareEnd = SkipName(share);
    return shareEnd == share ? nullptr : shareEnd;
}

// Whether any folder name after the root of `path` is unusable.
bool HasUnusableName(const char* afterRoot)
{
    const char* name = afterRoot;
    while (*name != '\0') {
        const char* end = SkipName(name);
        if (end != name && IsUnusableName(name, static_cast<std::size_t>(end - name)))
            return true;
        name = *end != '\0' ? end + 1 : end;
    }
    return false;
}

// Whether nothing but separators follows the root.
bool IsOnlySeparators(const char* afterRoot)
{
    for (; *afterRoot != '\0'; ++afterRoot) {
        if (!IsSeparator(*afterRoot))
            return false;
    }
    return true;
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

FolderRefusal MakeInstallFolder(const char* typed, char* folder, std::size_t size)
{
    char text[MAX_PATH];
    if (!CopyText(text, typed))
        return FolderRefusal::kTooLong;
    RemoveTrailingBackslash(text);
    if (text[0] == '\0')
        return FolderRefusal::kEmpty;
    if (IsDevicePath(typed))
        return FolderRefusal::kUnusableName;
    const char* afterRoot = SkipRoot(typed);
    if (afterRoot == nullptr)
        return FolderRefusal::kNotAbsolute;
    if (HasUnusableName(afterRoot))
        return FolderRefusal::kUnusableName;
    // Made absolute from the text as typed, so that "C:\" stays the root
    // and ".." is resolved before the root is looked for.
    char full[MAX_PATH];
    const DWORD length = ::GetFullPathNameA(typed, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return FolderRefusal::kTooLong;
    const char* fullAfterRoot = SkipRoot(full);
    if (fullAfterRoot == nullptr)
        return FolderRefusal::kNotAbsolute;
    if (IsOnlySeparators(fullAfterRoot))
        return FolderRefusal::kRoot;
    RemoveTrailingBackslash(full);
    if (std::strlen(full) + std::strlen(kLongestInstalledPath) >= MAX_PATH || !CopyText(folder, size, full))
        return FolderRefusal::kTooLong;
    return FolderRefusal::kNone;
}

const char* RefusalMessage(FolderRefusal refusal)
{
    switch (refusal) {
    case FolderRefusal::kNone:
    case FolderRefusal::kEmpty:
        return nullptr;
    case FolderRefusal::kNotAbsolute:
        return "请填写完整的安装目录，从盘符或网络共享开始，例如 C:\\Program Files\\Karvex。";
    case FolderRefusal::kRoot:
        return "不能安装到磁盘或网络共享的根目录，请在其中选择或填写一个文件夹，例如 C:\\Karvex。";
    case FolderRefusal::kUnusableName:
        return "安装目录中有不能用作文件夹名的名称：设备名（如 CON、NUL、COM1），或以点或空格结尾的名称。"
               "请换一个名称。";
    case FolderRefusal::kTooLong:
        return "安装目录太长，请选择一个较短的目录。";
    }
    return nullptr;
}

}  // namespace karvex
