#include "common/win/window.h"

#include "common/win/message_guard.h"

namespace karvex {

CWindow::~CWindow()
{
    DestroyWindow();
}

void CWindow::DestroyWindow()
{
    if (m_hWnd != nullptr)
        ::DestroyWindow(m_hWnd);  // WM_NCDESTROY clears m_hWnd
}

bool CWindow::RegisterWindowClass(const char* className)
{
    WNDCLASSA existing;
    if (::GetClassInfoA(::GetModuleHandleA(nullptr), className, &existing))
        return true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    return ::RegisterClassA(&wc) != 0;
}

bool CWindow::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                       int y, int width, int height, HWND parent)
{
    CCreationScope creating(this);
    ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                      ::GetModuleHandleA(nullptr), this);
    return m_hWnd != nullptr;
}

LRESULT CWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT CWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept
{
    // Creation and destruction happen on the window's own thread; the same
    // messages from elsewhere are not obeyed.
    if (IsLifecycleMessage(message) && IsForeignLifecycleMessage(hwnd, message))
        return 0;

    auto* self = reinterpret_cast<CWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // The object is adopted once, by the CreateEx call that is making the window.
    if (message == WM_NCCREATE && self == nullptr) {
        auto* created = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (CCreationScope::Claim(created)) {
            self = created;
            self->m_hWnd = hwnd;
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    // Messages that arrive before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

}  // namespace karvex
