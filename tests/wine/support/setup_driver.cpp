#include "tests/wine/support/setup_driver.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/std_file.h"
#include "common/win/handles.h"
#include "common/win/registry.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

const char kWizardCaption[] = "安装Karvex";
const char kFailureCaption[] = "安装失败";
const char kCancelCaption[] = "取消安装";
const char kCheckCaption[] = "Karvex";
const char kUninstallCaption[] = "Karvex 卸载";

namespace {

constexpr char kTestRoot[] = "C:\\Karvex Setup Tests";

std::string SpecialFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    ::SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE);
    return folder;
}

}  // namespace

std::string SetupTestFolder(const std::string& name)
{
    ::CreateDirectoryA(kTestRoot, nullptr);
    return std::string(kTestRoot) + "\\" + name;
}

std::string DesktopShortcutPath()
{
    return SpecialFolder(CSIDL_DESKTOP) + "\\Karvex.lnk";
}

std::string ProgramGroupPath()
{
    return SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Karvex";
}

void RemoveInstallation(const std::string& folder)
{
    DeleteTree(folder);
    ::DeleteFileA(DesktopShortcutPath().c_str());
    DeleteTree(ProgramGroupPath());
    for (const char* name : {"uninstall.exe", "karvex-uninstall.log", "karvex-browser.log"})
        ::DeleteFileA((TempFolder() + name).c_str());
}

bool LoadShortcut(const std::string& path, Shortcut& shortcut)
{
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    WCHAR widePath[MAX_PATH];
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.put()))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0 ||
        FAILED(file->Load(widePath, STGM_READ)))
        return false;
    char target[MAX_PATH] = {};
    char arguments[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH)) ||
        FAILED(link->GetArguments(arguments, sizeof arguments)))
        return false;
    shortcut.target = target;
    shortcut.arguments = arguments;
    return true;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ResourceBytes(const std::string& path, const char* type, int id)
{
    UniqueLibrary module(::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC resource = module ? ::FindResourceA(module.get(), MAKEINTRESOURCEA(id), type) : nullptr;
    HGLOBAL loaded = resource != nullptr ? ::LoadResource(module.get(), resource) : nullptr;
    const char* data = loaded != nullptr ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    return data != nullptr ? std::string(data, ::SizeofResource(module.get(), resource)) : std::string();
}

std::string UninstallerLog()
{
    return ReadFileAt(TempFolder() + "karvex-uninstall.log");
}

bool SetupProcess::Start(const std::string& path)
{
    m_wizard = nullptr;
    return m_process.Start(path);
}

HWND SetupProcess::WaitForWizard(DWORD timeoutMs)
{
    m_wizard = m_process.WaitForWindow("#32770", kWizardCaption, timeoutMs);
    return m_wizard;
}

HWND SetupProcess::VisiblePage() const
{
    for (HWND child = ::GetWindow(m_wizard, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        ::GetClassNameA(child, className, sizeof className);
        if (std::string(className) == "#32770" && ::IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

HWND SetupProcess::Control(int id) const
{
    if (HWND control = ::GetDlgItem(m_wizard, id))
        return control;
    HWND page = VisiblePage();
    return page != nullptr ? ::GetDlgItem(page, id) : nullptr;
}

void SetupProcess::Click(int id) const
{
    ::PostMessageA(Control(id), BM_CLICK, 0, 0);
}

void SetupProcess::SetText(int id, const std::string& text) const
{
    ::SendMessageTimeoutA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                          5000, nullptr);
}

bool SetupProcess::IsShown(int id) const
{
    HWND control = Control(id);
    return control != nullptr && ::IsWindowVisible(control);
}

bool SetupProcess::IsEnabled(int id) const
{
    HWND control = Control(id);
    return control != nullptr && ::IsWindowEnabled(control);
}

bool SetupProcess::IsChecked(int id) const
{
    DWORD_PTR state = 0;
    ::SendMessageTimeoutA(Control(id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

bool SetupProcess::WaitForShown(int id, DWORD timeoutMs) const
{
    return WaitUntil([&] { return IsShown(id); }, timeoutMs);
}

HWND SetupProcess::WaitForDialog(const char* caption, DWORD timeoutMs) const
{
    return m_process.WaitForWindow("#32770", caption, timeoutMs);
}

bool SetupProcess::HasDialog(const char* caption) const
{
    for (HWND window : FindWindows("#32770", caption)) {
        if (WindowProcessId(window) == m_process.Id() && ::IsWindowVisible(window))
            return true;
    }
    return false;
}

HWND SetupProcess::Focus() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(m_wizard, nullptr), &info) ? info.hwndFocus : nullptr;
}

std::string ControlText(HWND control)
{
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::vector<char> text(length + 1, '\0');
    ::SendMessageTimeoutA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    return text.data();
}

std::string MessageBoxText(HWND box)
{
    return ControlText(::GetDlgItem(box, 0xFFFF));
}

void PressButton(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace karvex::test
