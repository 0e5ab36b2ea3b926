// A fresh install folder per test, the registry state around it, and the
// files tests put into it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace karvex::test {

// Folder of the test program, where the build puts every Windows binary.
std::string BuildFolder();
std::string TempFolder();  // with a trailing backslash

class InstallFolder {
public:
    // Creates C:\Karvex Tests\<name> afresh, with the client, the component
    // stand-in, the updater and uninstaller stand-ins and three databases
    // (version 1.0002, three records each).
    explicit InstallFolder(const std::string& name);

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& relative) const { return m_path + "\\" + relative; }
    std::string Client() const { return File("karvex.exe"); }

    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // The names of the files and folders in a folder of the install folder,
    // sorted; none when it does not exist.
    std::vector<std::string> Names(const std::string& relative) const;
    void Remove(const std::string& relative) const;
    void WriteDatabase(const std::string& name, std::int32_t major, std::int32_t minor,
                       std::size_t records) const;

private:
    std::string m_path;
};

void DeleteTree(const std::string& path);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFileAt(const std::string& path);
// Writes a whole file, making its parent folders as needed; fails the test
// when it cannot.
void WriteFileAt(const std::string& path, const std::string& content);

// Registry state of the client and the component.
void ResetRegistry();           // no settings key, no Run entry, component unregistered
bool RegisterComponentIn(const InstallFolder& folder);
std::string ComponentServerPath();  // InprocServer32 default value

bool SettingsKeyExists();
void DeleteSettingsKey();
bool ReadSetting(const char* name, DWORD& value);
bool ReadSetting(const char* name, std::string& text);
void WriteSetting(const char* name, DWORD value);
void WriteSetting(const char* name, const std::string& text);
void DeleteSetting(const char* name);
bool ReadRunEntry(std::string& path);
void WriteRunEntry(const std::string& path);

// Today's local date as the "update" value writes it: "1,0,2026.12.10".
std::string TodayUpdateText(int autoUpdate, int frequency);

}  // namespace karvex::test
