#include "tests/wine/support/install.h"

#include <algorithm>

#include <cstdio>
#include <stdexcept>

#include "common/component.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/win/handles.h"
#include "common/win/module_path.h"
#include "common/win/registry.h"

namespace karvex::test {

namespace {

// The blank in the path shows that every command line quotes it.
constexpr char kInstallRoot[] = "C:\\Karvex Tests";

constexpr const char* kInstalledFiles[] = {"karvex.exe", "karvex.dll", "update.exe", "uninstall.exe",
                                           "kvpost.exe"};

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

std::string ComponentClassKey()
{
    return std::string("CLSID\\") + kComponentClsid;
}

}  // namespace

std::string BuildFolder()
{
    char folder[MAX_PATH];
    Check(GetProgramFolder(folder, sizeof folder), "program folder");
    return folder;
}

std::string TempFolder()
{
    char folder[MAX_PATH];
    DWORD n = ::GetTempPathA(sizeof folder, folder);
    Check(n > 0 && n < sizeof folder, "temp folder");
    return folder;
}

std::string ReadFileAt(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    std::string content;
    char buffer[65536];
    size_t n;
    while (file && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        content.append(buffer, n);
    return content;
}

void WriteFileAt(const std::string& path, const std::string& content)
{
    // Parent folders of the file are made as needed, below the drive's root.
    for (const char* p = path.c_str() + (path.size() > 3 ? 3 : path.size()); *p != '\0'; p = ::CharNextA(p)) {
        if (*p == '\\')
            ::CreateDirectoryA(path.substr(0, static_cast<size_t>(p - path.c_str())).c_str(), nullptr);
    }
    FilePtr file(std::fopen(path.c_str(), "wb"));
    Check(file && std::fwrite(content.data(), 1, content.size(), file.get()) == content.size(), "write " + path);
}

void DeleteTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA((path + "\\*").c_str(), &found));
    if (find) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                ::DeleteFileA(child.c_str());
        } while (::FindNextFileA(find.get(), &found));
    }
    ::RemoveDirectoryA(path.c_str());
}

InstallFolder::InstallFolder(const std::string& name) : m_path(std::string(kInstallRoot) + "\\" + name)
{
    ::CreateDirectoryA(kInstallRoot, nullptr);
    DeleteTree(m_path);
    Check(::CreateDirectoryA(m_path.c_str(), nullptr) != FALSE, "create " + m_path);
    const std::string build = BuildFolder();
    for (const char* file : kInstalledFiles)
        Check(::CopyFileA((build + "\\" + file).c_str(), File(file).c_str(), FALSE) != FALSE,
              std::string("copy ") + file);
    for (const char* db : {"url.db", "adv.db", "qua.db"})
        WriteDatabase(db, 1, 2, 3);
}

void InstallFolder::Write(const std::string& relative, const std::string& content) const
{
    WriteFileAt(File(relative), content);
}

std::string InstallFolder::Read(const std::string& relative) const
{
    return ReadFileAt(File(relative));
}

std::vector<std::string> InstallFolder::Names(const std::string& relative) const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA(File(relative + "\\*").c_str(), &found));
    for (bool more = bool(find); more; more = ::FindNextFileA(find.get(), &found) != FALSE) {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool InstallFolder::Exists(const std::string& relative) const
{
    return ::GetFileAttributesA(File(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void InstallFolder::Remove(const std::string& relative) const
{
    ::DeleteFileA(File(relative).c_str());
}

void InstallFolder::WriteDatabase(const std::string& name, std::int32_t major, std::int32_t minor,
                                  std::size_t records) const
{
    std::string content(32 + 16 * records, '\0');
    auto put32 = [&](size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            content[offset + i] = static_cast<char>(value >> (8 * i));
    };
    put32(4, static_cast<std::uint32_t>(major));
    put32(8, static_cast<std::uint32_t>(minor));
    for (size_t i = 0; i < records; ++i)
        put32(32 + 16 * i, static_cast<std::uint32_t>(0x9E3779B9u * (i + 1)));
    Write(name, content);
}

void ResetRegistry()
{
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    // The uninstaller's way: the component takes its own registration back.
    UniqueLibrary component(::LoadLibraryA((BuildFolder() + "\\" + kComponentFile).c_str()));
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    auto unregister = component ? reinterpret_cast<ServerFn>(reinterpret_cast<void*>(
                                      ::GetProcAddress(component.get(), "DllUnregisterServer")))
                                : nullptr;
    Check(unregister != nullptr && SUCCEEDED(unregister()), "unregister the component");
    RegKey run;
    if (run.Open(HKEY_CURRENT_USER, kRunKey) == ERROR_SUCCESS)
        run.DeleteValue(kRunValue);
}

bool RegisterComponentIn(const InstallFolder& folder)
{
    return RegisterComponent(folder.File(kComponentFile).c_str());
}

std::string ComponentServerPath()
{
    RegKey key;
    char path[MAX_PATH] = {};
    if (key.Open(HKEY_CLASSES_ROOT, (ComponentClassKey() + "\\InprocServer32").c_str(), KEY_READ) ==
        ERROR_SUCCESS)
        key.QueryText(nullptr, path, sizeof path);
    return path;
}

bool SettingsKeyExists()
{
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS;
}

void DeleteSettingsKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
}

bool ReadSetting(const char* name, DWORD& value)
{
    RegKey key;
    return key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS &&
           key.QueryDword(name, value) == ERROR_SUCCESS;
}

bool ReadSetting(const char* name, std::string& text)
{
    RegKey key;
    char buffer[512];
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryText(name, buffer, sizeof buffer) != ERROR_SUCCESS)
        return false;
    text = buffer;
    return true;
}

void WriteSetting(const char* name, DWORD value)
{
    RegKey key;
    Check(key.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS && key.SetDword(name, value) == ERROR_SUCCESS,
          name);
}

void WriteSetting(const char* name, const std::string& text)
{
    RegKey key;
    Check(key.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS &&
              key.SetText(name, text.c_str()) == ERROR_SUCCESS,
          name);
}

void DeleteSetting(const char* name)
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS)
        key.DeleteValue(name);
}

bool ReadRunEntry(std::string& path)
{
    RegKey key;
    char buffer[MAX_PATH];
    if (key.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryText(kRunValue, buffer, sizeof buffer) != ERROR_SUCCESS)
        return false;
    path = buffer;
    return true;
}

void WriteRunEntry(const std::string& path)
{
    RegKey key;
    Check(key.Create(HKEY_CURRENT_USER, kRunKey) == ERROR_SUCCESS &&
              key.SetText(kRunValue, path.c_str()) == ERROR_SUCCESS,
          "Run entry");
}

std::string TodayUpdateText(int autoUpdate, int frequency)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%u.%u.%u", autoUpdate, frequency, now.wYear, now.wMonth, now.wDay);
    return text;
}

}  // namespace karvex::test
