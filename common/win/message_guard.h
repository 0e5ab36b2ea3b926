// Window-lifecycle messages are obeyed only when the system itself sends them
// while it creates or destroys a window on that window's own thread. Any
// process can send or post WM_NCCREATE, WM_INITDIALOG or WM_NCDESTROY to a
// window it finds; taken at face value they would hand the window layer a
// foreign address as its object, or detach the object from a window that
// still lives.
//
// What the thread is doing says nothing about who sent the message at hand:
// a handler of a shell's notification (sent from another process) that opens
// a dialog sees that dialog's own creation messages while it is inside a sent
// message. So each message is judged by itself: creation by the identity of
// the object being created, destruction by who sent the message.
#pragma once

#include <windows.h>

namespace karvex {

// Whether `message` belongs to a window's creation or destruction.
bool IsLifecycleMessage(UINT message);

// Names the object whose window this thread is about to create, for the
// length of the creating call (CreateWindowEx, CreateDialogParam,
// DialogBoxParam). Scopes nest: the previous one is restored at the end.
class CCreationScope {
public:
    explicit CCreationScope(const void* object);
    ~CCreationScope();
    CCreationScope(const CCreationScope&) = delete;
    CCreationScope& operator=(const CCreationScope&) = delete;

    // Whether `object` is the one being created on this thread. A match ends
    // the claim, so one creation adopts one window.
    static bool Claim(const void* object);

private:
    const void* m_pPrevious;
};

// Whether lifecycle message `message` for `window`, now being handled, did not
// come from this thread's own creation or destruction of a window: it was
// sent by another thread or process, or posted. Only a thread that holds a
// CLifecycleMessageFilter can tell; on any other thread every message counts
// as its own.
bool IsForeignLifecycleMessage(HWND window, UINT message);

// Watches the messages sent to this thread's windows (a WH_CALLWNDPROC hook,
// which the system tells for each message whether this thread sent it). One
// per user-interface thread, made before its first window and kept for as
// long as the thread has windows.
class CLifecycleMessageFilter {
public:
    CLifecycleMessageFilter();
    ~CLifecycleMessageFilter();
    CLifecycleMessageFilter(const CLifecycleMessageFilter&) = delete;
    CLifecycleMessageFilter& operator=(const CLifecycleMessageFilter&) = delete;

    bool IsInstalled() const { return m_hHook != nullptr; }

private:
    static LRESULT CALLBACK CallWindowHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
    HHOOK m_hHook;
};

}  // namespace karvex
