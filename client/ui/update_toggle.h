// The Options dialog's update button: a click starts an update pass, or stops
// the running one and waits for its end, on a thread of its own so that the
// dialog stays responsive. One such thread at a time: clicks while it runs
// are ignored. It outlives the dialog (a stop may wait long after the dialog
// has closed), so the application owns it and waits for it at exit.
#pragma once

#include <windows.h>

#include "common/win/handles.h"

namespace karvex {

class CUpdater;

class CUpdateToggle {
public:
    // Starts or stops a pass of `updater` for the Options dialog `dialog`,
    // which the thread reaches only through its window. False when the
    // previous click is still being carried out (or no thread could start).
    bool Click(HWND dialog, CUpdater& updater);

    // At program exit, once the updater has been shut down: waits up to
    // `timeoutMs` for the thread. True when none runs any more. Every dialog
    // is closed by then, so the thread has no window left to wait for.
    bool Wait(DWORD timeoutMs) const;

private:
    bool IsRunning() const;

    UniqueKernelHandle m_hThread;
};

}  // namespace karvex
