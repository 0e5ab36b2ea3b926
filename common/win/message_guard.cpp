#include "common/win/message_guard.h"

namespace karvex {

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

bool IsSentFromOtherThread()
{
    return (::InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0;
}

CLifecycleMessageFilter::CLifecycleMessageFilter()
    : m_hHook(::SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, ::GetCurrentThreadId()))
{
}

CLifecycleMessageFilter::~CLifecycleMessageFilter()
{
    if (m_hHook != nullptr)
        ::UnhookWindowsHookEx(m_hHook);
}

LRESULT CALLBACK CLifecycleMessageFilter::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    // The system never posts these; whoever did is not to be obeyed.
    if (code == HC_ACTION) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (IsLifecycleMessage(msg->message))
            msg->message = WM_NULL;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace karvex
