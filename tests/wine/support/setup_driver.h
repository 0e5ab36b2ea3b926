// Driving the installer from outside, as its user and the shell would: the
// wizard's windows and controls, message boxes, the files, shortcuts and the
// first-use page an installation leaves.
#pragma once

#include <windows.h>

#include <string>

#include "tests/wine/support/browser_recorder.h"
#include "tests/wine/support/client_process.h"

namespace karvex::test {

// Captions of the installer's windows.
extern const char kWizardCaption[];    // "安装Karvex"
extern const char kFailureCaption[];   // "安装失败"
extern const char kCancelCaption[];    // "取消安装"
extern const char kCheckCaption[];     // "Karvex", the pre-install checks' boxes
extern const char kUninstallCaption[]; // "Karvex 卸载", the uninstaller stand-in's prompt

// "C:\Karvex Setup Tests\<name>"; the blank shows that paths are quoted.
std::string SetupTestFolder(const std::string& name);

// What an installation may have left: the folder, the shortcuts, the
// Programs-menu group, the uninstaller copy in the temporary folder and the
// uninstaller's and the browser's notes.
void RemoveInstallation(const std::string& folder);
std::string DesktopShortcutPath();
std::string ProgramGroupPath();

struct Shortcut {
    std::string target;
    std::string arguments;
};
// Loads a shell link back (IShellLinkA, IPersistFile::Load).
bool LoadShortcut(const std::string& path, Shortcut& shortcut);

bool FileExists(const std::string& path);
// Bytes of resource `id` of `type` in the program at `path`.
std::string ResourceBytes(const std::string& path, const char* type, int id);

// The uninstaller stand-in's note of its starts ("folder=... pid=...").
std::string UninstallerLog();

// An installer process and its windows.
class SetupProcess {
public:
    // Starts the installer at `path` with the current environment.
    bool Start(const std::string& path);
    ChildProcess& Process() { return m_process; }
    const ChildProcess& Process() const { return m_process; }

    // The wizard's main window, once visible; null if it did not come.
    HWND WaitForWizard(DWORD timeoutMs = 15000);
    HWND Wizard() const { return m_wizard; }
    // A control of the main window or of its visible page.
    HWND Control(int id) const;
    // The visible page (a child dialog) of the main window.
    HWND VisiblePage() const;
    // Presses a button or toggles a check box, as a click does.
    void Click(int id) const;
    void SetText(int id, const std::string& text) const;
    bool IsShown(int id) const;
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;
    // Waits until control `id` is visible (the page holding it is shown).
    bool WaitForShown(int id, DWORD timeoutMs = 15000) const;
    // A visible top-level window of this process with the caption.
    HWND WaitForDialog(const char* caption, DWORD timeoutMs = 15000) const;
    bool HasDialog(const char* caption) const;
    // The window that has the keyboard focus in the installer.
    HWND Focus() const;

private:
    ChildProcess m_process;
    HWND m_wizard = nullptr;
};

// Text of a control of another process, any length.
std::string ControlText(HWND control);
// The text of a message box.
std::string MessageBoxText(HWND box);
// Presses a button of a dialog of another process.
void PressButton(HWND dialog, int id);

}  // namespace karvex::test
