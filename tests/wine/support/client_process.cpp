#include "tests/wine/support/client_process.h"

#include "common/product.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

bool ChildProcess::Start(const std::string& exePath, const std::string& arguments)
{
    Kill();
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return false;
    UniqueKernelHandle thread(info.hThread);
    m_process.reset(info.hProcess);
    m_id = info.dwProcessId;
    return true;
}

bool ChildProcess::Attach(DWORD processId)
{
    Kill();
    m_process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE,
                                  processId));
    m_id = m_process ? processId : 0;
    return static_cast<bool>(m_process);
}

bool ChildProcess::IsRunning() const
{
    return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const
{
    if (!m_process || ::WaitForSingleObject(m_process.get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr)
        ::GetExitCodeProcess(m_process.get(), exitCode);
    return true;
}

void ChildProcess::Kill()
{
    if (IsRunning()) {
        ::TerminateProcess(m_process.get(), 255);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
    m_process.reset();
    m_id = 0;
}

HWND ChildProcess::WaitForTrayWindow(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : FindWindows(kTrayWindowClass, nullptr)) {
                if (WindowProcessId(window) == m_id)
                    found = window;
            }
            return found != nullptr || !IsRunning();
        },
        timeoutMs);
    return found;
}

HWND ChildProcess::WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : FindWindows(className, caption)) {
                if (WindowProcessId(window) == m_id && ::IsWindowVisible(window))
                    found = window;
            }
            return found != nullptr || !IsRunning();
        },
        timeoutMs);
    return found;
}

const char* DeliveryName(Delivery delivery)
{
    switch (delivery) {
    case Delivery::kPosted:
        return "posted";
    case Delivery::kShellNotify:
        return "sent as the shell does";
    case Delivery::kSent:
        return "sent";
    }
    return "";
}

bool Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Delivery delivery)
{
    switch (delivery) {
    case Delivery::kPosted:
        return ::PostMessageA(window, message, wParam, lParam) != FALSE;
    case Delivery::kShellNotify:
        return ::SendNotifyMessageA(window, message, wParam, lParam) != FALSE;
    case Delivery::kSent: {
        // The handler goes on after the wait; the sender has sent all the same.
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 200, &result);
        return ::IsWindow(window) != FALSE;
    }
    }
    return false;
}

std::vector<HWND> FindWindows(const char* className, const char* caption)
{
    std::vector<HWND> windows;
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, className, caption)) != nullptr)
        windows.push_back(window);
    return windows;
}

DWORD WindowProcessId(HWND window)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return processId;
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          5000, nullptr);
    return text;
}

void EndAllClients()
{
    for (HWND window : FindWindows(kTrayWindowClass, nullptr)) {
        // A test may play the tray window itself (AlertRecorder).
        if (WindowProcessId(window) == ::GetCurrentProcessId())
            continue;
        ChildProcess client;
        if (client.Attach(WindowProcessId(window)))
            client.Kill();
    }
}

}  // namespace karvex::test
