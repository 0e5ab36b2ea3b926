// The test in place of the tray window for the update worker: a window of
// the tray's class that the worker finds first (topmost, made after the
// client's), recording the update results it posts.
#pragma once

#include <windows.h>

#include <mutex>
#include <thread>
#include <vector>

#include "common/win/handles.h"

namespace karvex::test {

class AlertRecorder {
public:
    AlertRecorder();
    ~AlertRecorder();
    AlertRecorder(const AlertRecorder&) = delete;
    AlertRecorder& operator=(const AlertRecorder&) = delete;

    // Makes this window the one found by the tray's class again (call after
    // a client has made its own).
    void Raise() const;
    std::vector<WPARAM> Alerts() const;
    // Waits for the next alert after the first `seen` ones: its type, 0 if none came.
    WPARAM WaitForAlert(size_t seen = 0, DWORD timeoutMs = 30000) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    mutable std::mutex m_lock;
    std::vector<WPARAM> m_alerts;
    HWND m_hwnd = nullptr;
    UniqueKernelHandle m_ready;
    std::thread m_thread;
};

}  // namespace karvex::test
