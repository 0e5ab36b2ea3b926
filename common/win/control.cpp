#include "common/win/control.h"

#include "common/win/message_guard.h"

namespace karvex {

namespace {

// The window property that names a control's object.
constexpr char kControlProperty[] = "karvex.control";

}  // namespace

CControl::~CControl()
{
    Detach();
}

bool CControl::Attach(HWND dialog, int id)
{
    HWND control = ::GetDlgItem(dialog, id);
    if (control == nullptr || m_hWnd != nullptr || FromHandle(control) != nullptr)
        return false;
    if (!::SetPropA(control, kControlProperty, this))
        return false;
    m_hWnd = control;
    m_pfnOriginal = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticControlProc)));
    return true;
}

void CControl::Detach()
{
    if (m_hWnd == nullptr)
        return;
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOriginal));
    ::RemovePropA(m_hWnd, kControlProperty);
    m_hWnd = nullptr;
}

void CControl::DrawItem(const DRAWITEMSTRUCT&)
{
}

CControl* CControl::FromHandle(HWND control)
{
    return static_cast<CControl*>(::GetPropA(control, kControlProperty));
}

LRESULT CControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT CControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcA(m_pfnOriginal, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CControl::StaticControlProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept
{
    if (IsLifecycleMessage(message) && IsForeignLifecycleMessage(hwnd, message))
        return 0;
    CControl* self = FromHandle(hwnd);
    if (self == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The control goes away: it gets its own procedure back for its last message.
        const WNDPROC original = self->m_pfnOriginal;
        self->Detach();
        return ::CallWindowProcA(original, hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

}  // namespace karvex
