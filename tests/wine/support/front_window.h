// A window of another program's class that a test puts in front of the real
// one, on a thread of its own: FindWindowA by that class finds it first, so
// whatever is sent or posted to that program's window comes to the test.
#pragma once

#include <windows.h>

#include <thread>

#include "common/win/handles.h"

namespace karvex::test {

class FrontWindow {
public:
    FrontWindow(const FrontWindow&) = delete;
    FrontWindow& operator=(const FrontWindow&) = delete;

    // Makes this window the one found by its class again (after the real
    // program has made its own).
    void Raise() const;

protected:
    // With `waitForReal`, the window is made only once the real one exists
    // (or five seconds have passed), so that it lies in front of it.
    FrontWindow(const char* className, bool waitForReal);
    virtual ~FrontWindow() = default;

    // Derived classes call these last in their constructor and first in
    // their destructor, so the thread sees them whole.
    void Start();
    void Stop();

    // The messages the test takes; `handled` false passes them on.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    const char* m_className;
    bool m_bWaitForReal;
    HWND m_hwnd = nullptr;
    UniqueKernelHandle m_ready;
    std::thread m_thread;
};

}  // namespace karvex::test
