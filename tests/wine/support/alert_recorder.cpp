#include "tests/wine/support/alert_recorder.h"

#include "common/product.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

AlertRecorder::AlertRecorder()
{
    m_ready.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_thread = std::thread([this] { Run(); });
    ::WaitForSingleObject(m_ready.get(), 10000);
}

AlertRecorder::~AlertRecorder()
{
    if (m_hwnd != nullptr)
        ::PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    m_thread.join();
}

void AlertRecorder::Raise() const
{
    WaitUntil(
        [this] {
            if (::FindWindowA(kTrayWindowClass, nullptr) == m_hwnd)
                return true;
            ::SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return false;
        },
        5000);
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

void AlertRecorder::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kTrayWindowClass;
    ::RegisterClassA(&wc);
    m_hwnd = ::CreateWindowExA(WS_EX_TOPMOST, kTrayWindowClass, nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), this);
    ::SetEvent(m_ready.get());
    MSG msg;
    while (m_hwnd != nullptr && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK AlertRecorder::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<AlertRecorder*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case kShowAlertMessage:
        if (self != nullptr) {
            std::lock_guard<std::mutex> guard(self->m_lock);
            self->m_alerts.push_back(wParam);
        }
        return 1;
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (self != nullptr)
            self->m_hwnd = nullptr;
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace karvex::test
