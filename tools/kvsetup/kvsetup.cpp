// Installs Karvex through its installer as a user would, for demonstrations:
//
//   kvsetup SETUP.EXE FOLDER
//
// starts SETUP.EXE, ticks the licence, types FOLDER, presses Install and, once
// the last page shows, Finish, which starts the client. Each step waits for
// the installer's windows like a user looking at them.
//
// Exit codes: 0 installed, 1 the installer stopped (its message is printed),
// 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <string>

#include "setup/res/resource.h"

namespace {

constexpr DWORD kStepTimeout = 60 * 1000;

// Polls `condition` every 50 ms until it holds or the step's time is up.
template <typename Condition>
bool WaitFor(Condition condition)
{
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start >= kStepTimeout)
            return false;
        ::Sleep(50);
    }
    return true;
}

struct Installer {
    PROCESS_INFORMATION process = {};
    HWND wizard = nullptr;

    bool IsRunning() const { return ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }

    // A visible top-level dialog of the installer with this caption.
    HWND Dialog(const char* caption) const
    {
        HWND window = nullptr;
        while ((window = ::FindWindowExA(nullptr, window, "#32770", caption)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId && ::IsWindowVisible(window))
                return window;
        }
        return nullptr;
    }

    // A control of the main window or of the page it shows.
    HWND Control(int id) const
    {
        if (HWND control = ::GetDlgItem(wizard, id))
            return control;
        for (HWND page = ::GetWindow(wizard, GW_CHILD); page != nullptr; page = ::GetWindow(page, GW_HWNDNEXT)) {
            HWND control = ::IsWindowVisible(page) ? ::GetDlgItem(page, id) : nullptr;
            if (control != nullptr)
                return control;
        }
        return nullptr;
    }

    bool IsShown(int id) const
    {
        HWND control = Control(id);
        return control != nullptr && ::IsWindowVisible(control);
    }

    void Click(int id) const { ::PostMessageA(Control(id), BM_CLICK, 0, 0); }
};

std::string Text(HWND control)
{
    char text[1024] = {};
    ::SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                          nullptr);
    return text;
}

int Stopped(const char* what)
{
    std::fprintf(stderr, "kvsetup: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: kvsetup SETUP.EXE FOLDER\n", stderr);
        return 2;
    }
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Installer setup;
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &setup.process))
        return Stopped("cannot start the installer");
    ::CloseHandle(setup.process.hThread);

    // The checks may stop the installer with a message before the wizard shows.
    HWND message = nullptr;
    if (!WaitFor([&] {
            setup.wizard = setup.Dialog("安装Karvex");
            message = setup.Dialog("Karvex");
            return setup.wizard != nullptr || message != nullptr || !setup.IsRunning();
        }) ||
        setup.wizard == nullptr)
        return Stopped(message != nullptr ? "the installer asks about an earlier installation; answer it yourself"
                                          : "the installer showed no wizard");

    setup.Click(IDC_ACCEPT_LICENSE);
    if (!WaitFor([&] { return ::IsWindowEnabled(setup.Control(IDC_INSTALL)) != FALSE; }))
        return Stopped("the licence could not be accepted");
    ::SendMessageTimeoutA(setup.Control(IDC_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    setup.Click(IDC_INSTALL);

    HWND failure = nullptr;
    if (!WaitFor([&] {
            failure = setup.Dialog("安装失败");
            return setup.IsShown(IDC_FINISH) || failure != nullptr || !setup.IsRunning();
        }) ||
        !setup.IsShown(IDC_FINISH)) {
        const std::string reason = failure != nullptr ? Text(::GetDlgItem(failure, IDC_REASON)) : std::string();
        std::fprintf(stderr, "kvsetup: the installation failed: %s\n", reason.c_str());
        return 1;
    }
    setup.Click(IDC_FINISH);
    const bool ended = ::WaitForSingleObject(setup.process.hProcess, kStepTimeout) == WAIT_OBJECT_0;
    ::CloseHandle(setup.process.hProcess);
    return ended ? 0 : Stopped("the installer did not end after Finish");
}
