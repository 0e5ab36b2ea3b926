// The test in place of the tray window for the update worker: a window of
// the tray's class that the worker finds first (topmost, made after the
// client's), recording the update results it posts.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

#include "tests/wine/support/front_window.h"

namespace karvex::test {

class AlertRecorder : public FrontWindow {
public:
    AlertRecorder();
    ~AlertRecorder() override;

    std::vector<WPARAM> Alerts() const;
    // Waits for the next alert after the first `seen` ones: its type, 0 if none came.
    WPARAM WaitForAlert(size_t seen = 0, DWORD timeoutMs = 30000) const;
    // When alert number `index` arrived (QueryPerformanceCounter), for timings
    // finer than the waits' polling.
    LARGE_INTEGER ArrivalTime(size_t index) const;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    mutable std::mutex m_lock;
    std::vector<WPARAM> m_alerts;
    std::vector<LARGE_INTEGER> m_arrivals;
};

}  // namespace karvex::test
