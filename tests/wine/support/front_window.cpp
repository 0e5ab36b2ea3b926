#include "tests/wine/support/front_window.h"

#include "tests/wine/support/wait.h"

namespace karvex::test {

FrontWindow::FrontWindow(const char* className, bool waitForReal)
    : m_className(className), m_bWaitForReal(waitForReal)
{
}

void FrontWindow::Start()
{
    m_ready.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_thread = std::thread([this] { Run(); });
    ::WaitForSingleObject(m_ready.get(), 10000);
}

void FrontWindow::Stop()
{
    if (m_hwnd != nullptr)
        ::PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread.joinable())
        m_thread.join();
}

void FrontWindow::Raise() const
{
    WaitUntil(
        [this] {
            if (::FindWindowA(m_className, nullptr) == m_hwnd)
                return true;
            ::SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return false;
        },
        5000);
}

void FrontWindow::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = m_className;
    ::RegisterClassA(&wc);
    if (m_bWaitForReal) {
        // The desktop process may make the real window only now.
        ::GetDesktopWindow();
        WaitUntil([this] { return ::FindWindowA(m_className, nullptr) != nullptr; }, 5000);
    }
    // FindWindowA finds a topmost window made later before the others.
    m_hwnd = ::CreateWindowExA(WS_EX_TOPMOST, m_className, nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), this);
    Raise();
    ::SetEvent(m_ready.get());
    MSG msg;
    while (m_hwnd != nullptr && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK FrontWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FrontWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (self != nullptr)
            self->m_hwnd = nullptr;
        ::PostQuitMessage(0);
        return 0;
    }
    if (self != nullptr) {
        bool handled = false;
        const LRESULT result = self->OnMessage(message, wParam, lParam, handled);
        if (handled)
            return result;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace karvex::test
