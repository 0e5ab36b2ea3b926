// The installer's work on the machine: writing files out of its own
// resources, shortcuts, and the actions of the Finish button.
#pragma once

#include <windows.h>

#include <cstddef>

namespace karvex {

// One file of the install package: its INSTALL_FILES resource and its name in
// the install folder.
struct INSTALL_FILE {
    int nResourceId;
    const char* pszName;
};

// The package, in the order the copy run writes it: the component comes
// last, so it is registered only once everything it uses is in place.
extern const INSTALL_FILE g_InstallFiles[7];

// The longest path the client builds inside its folder (a staged program
// file): an install folder must leave room for it within MAX_PATH.
constexpr char kLongestInstalledPath[] = "\\update\\TrustPrograms.dat";

// Writes INSTALL_FILES resource `resourceId` to `path`, replacing a file
// there: first whole under a temporary name beside it, then renamed into
// place, so that `path` never holds part of it, even when the program is
// ended while it writes. `pauseMs` pass halfway through the writing (the
// tests' seam; 0 in setup.exe). False when the resource is missing or the
// file cannot be written or put in place; the temporary file is then deleted.
bool ExtractResourceFile(int resourceId, const char* path, DWORD pauseMs = 0);

// Makes a shell link at `shortcutPath` to `target`, with `arguments` unless
// null. Needs COM on the calling thread.
bool CreateShortcut(const char* target, const char* arguments, const char* shortcutPath);

// The all-users Programs menu group "Karvex" with the program and its
// uninstall shortcut, and the shortcut on the user's desktop.
bool CreateProgramGroup(const char* installDir);
bool CreateDesktopShortcut(const char* installDir);

// Finish: starts the installed client; opens the first-use page of the web site.
void StartClient(const char* installDir);
void OpenFirstUsePage();

}  // namespace karvex
