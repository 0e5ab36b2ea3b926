#include "common/win/message_guard.h"

namespace karvex {

namespace {

// The last message sent to one of this thread's windows, as the hook saw it
// just before the window procedure ran.
struct SENT_MESSAGE {
    HWND hWnd;
    UINT nMessage;
    bool bOwnThread;
};

thread_local const void* t_pCreating = nullptr;
thread_local bool t_bWatching = false;
thread_local SENT_MESSAGE t_lastSent = {};

}  // namespace

bool IsLifecycleMessage(UINT message)
{
    switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_INITDIALOG:
    case WM_DESTROY:
    case WM_NCDESTROY:
        return true;
    }
    return false;
}

CCreationScope::CCreationScope(const void* object) : m_pPrevious(t_pCreating)
{
    t_pCreating = object;
}

CCreationScope::~CCreationScope()
{
    t_pCreating = m_pPrevious;
}

bool CCreationScope::Claim(const void* object)
{
    if (object == nullptr || object != t_pCreating)
        return false;
    t_pCreating = nullptr;
    return true;
}

bool IsForeignLifecycleMessage(HWND window, UINT message)
{
    if (!t_bWatching)
        return false;
    // The hook runs right before the window procedure of every sent message;
    // a posted one passes no hook. The note is used once, so that it cannot
    // vouch for a later message of the same kind.
    const SENT_MESSAGE sent = t_lastSent;
    t_lastSent = SENT_MESSAGE{};
    return sent.hWnd != window || sent.nMessage != message || !sent.bOwnThread;
}

CLifecycleMessageFilter::CLifecycleMessageFilter()
    : m_hHook(::SetWindowsHookExA(WH_CALLWNDPROC, CallWindowHook, nullptr, ::GetCurrentThreadId()))
{
    t_bWatching = m_hHook != nullptr;
}

CLifecycleMessageFilter::~CLifecycleMessageFilter()
{
    if (m_hHook != nullptr)
        ::UnhookWindowsHookEx(m_hHook);
    t_bWatching = false;
}

LRESULT CALLBACK CLifecycleMessageFilter::CallWindowHook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    // wParam tells whether this thread sent the message.
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        t_lastSent = SENT_MESSAGE{message->hwnd, message->message, wParam != 0};
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace karvex
