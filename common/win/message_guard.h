// Window-lifecycle messages are trusted only when the system itself sends them
// during creation and destruction on the window's own thread. Any process can
// send or post WM_NCCREATE, WM_INITDIALOG or WM_NCDESTROY to a window it finds;
// taken at face value they would hand the window layer a foreign address as its
// object, or detach the object from a window that still lives.
#pragma once

#include <windows.h>

namespace karvex {

// Whether `message` belongs to a window's creation or destruction.
bool IsLifecycleMessage(UINT message);

// Whether the message being handled was sent by another thread or process.
bool IsSentFromOtherThread();

// Drops posted lifecycle messages on the thread that creates it, in every
// message loop of that thread, modal loops included: a WH_GETMESSAGE hook
// turns them into WM_NULL before they are dispatched. One per user-interface
// thread, for as long as that thread has windows.
class CLifecycleMessageFilter {
public:
    CLifecycleMessageFilter();
    ~CLifecycleMessageFilter();
    CLifecycleMessageFilter(const CLifecycleMessageFilter&) = delete;
    CLifecycleMessageFilter& operator=(const CLifecycleMessageFilter&) = delete;

    bool IsInstalled() const { return m_hHook != nullptr; }

private:
    static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
    HHOOK m_hHook;
};

}  // namespace karvex
