#include "tests/wine/support/alert_recorder.h"

#include "common/product.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

// Raise() again after a client has made its own tray window.
AlertRecorder::AlertRecorder() : FrontWindow(kTrayWindowClass, false)
{
    Start();
}

AlertRecorder::~AlertRecorder()
{
    Stop();
}

std::vector<WPARAM> AlertRecorder::Alerts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_alerts;
}

WPARAM AlertRecorder::WaitForAlert(size_t seen, DWORD timeoutMs) const
{
    WPARAM alert = 0;
    WaitUntil(
        [&] {
            const std::vector<WPARAM> alerts = Alerts();
            if (alerts.size() > seen)
                alert = alerts[seen];
            return alert != 0;
        },
        timeoutMs);
    return alert;
}

LARGE_INTEGER AlertRecorder::ArrivalTime(size_t index) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return index < m_arrivals.size() ? m_arrivals[index] : LARGE_INTEGER{};
}

LRESULT AlertRecorder::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled)
{
    if (message != kShowAlertMessage)
        return 0;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::lock_guard<std::mutex> guard(m_lock);
    m_arrivals.push_back(now);
    m_alerts.push_back(wParam);
    handled = true;
    return 1;
}

}  // namespace karvex::test
