// A client (or stand-in) process started by a test, ended when the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"

namespace karvex::test {

class ChildProcess {
public:
    ChildProcess() = default;
    // Starts `exePath` with the command line `"exePath" arguments`.
    bool Start(const std::string& exePath, const std::string& arguments = std::string());
    // Takes over a process that someone else started.
    bool Attach(DWORD processId);
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const { return m_id; }
    bool IsRunning() const;
    // The exit code, or false if it still runs after `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
    void Kill();

    // The client's tray window, once this process has one.
    HWND WaitForTrayWindow(DWORD timeoutMs = 15000) const;
    // A visible top-level window of this process with the given class and caption.
    HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs = 10000) const;

private:
    UniqueKernelHandle m_process;
    DWORD m_id = 0;
};

// How a message reaches another program's window. The protection component
// posts; a shell sends the icon's clicks without waiting (SendNotifyMessage:
// the handler then runs inside a sent message, and whatever it opens is made
// there); another program may send a command and wait for its answer.
enum class Delivery { kPosted, kShellNotify, kSent };
const char* DeliveryName(Delivery delivery);

// Delivers `message` to `window`. A sent message is waited for only briefly:
// its handler may run a dialog for as long as the test lets it.
bool Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Delivery delivery);

// Top-level windows of any process with this class and caption.
std::vector<HWND> FindWindows(const char* className, const char* caption);
DWORD WindowProcessId(HWND window);
// The window text of another process's window.
std::string WindowText(HWND window);

// Ends every client of this test run that is still running.
void EndAllClients();

}  // namespace karvex::test
