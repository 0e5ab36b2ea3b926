#include "client/ui/update_toggle.h"

#include <memory>

#include "client/update/options_pass_view.h"
#include "client/update/updater.h"

namespace karvex {

namespace {

// What the thread works with: the dialog's window, never the dialog object,
// which may be gone when a stop has waited for the pass.
struct UPDATE_TOGGLE {
    HWND hDialog;
    CUpdater* pUpdater;
};

DWORD WINAPI UpdateToggleProc(void* param)
{
    std::unique_ptr<UPDATE_TOGGLE> toggle(static_cast<UPDATE_TOGGLE*>(param));
    const COptionsPassView view(toggle->hDialog);
    CUpdater& updater = *toggle->pUpdater;
    if (updater.m_bRunning != 0) {
        updater.RequestStop();
        updater.WaitForPass(INFINITE);
        view.ShowRunning(false);
        return 0;
    }
    view.ClearLog();
    // Shown before the pass starts, so that its end (which resets both)
    // always comes after.
    view.ShowRunning(true);
    if (updater.Start())
        return 0;
    // None started: a pass that is ending still held the worker, or the
    // program is ending. Once nothing runs any more, the button is back.
    updater.WaitForPass(INFINITE);
    view.ShowRunning(false);
    return 0;
}

}  // namespace

bool CUpdateToggle::Click(HWND dialog, CUpdater& updater)
{
    if (IsRunning())
        return false;
    auto toggle = std::make_unique<UPDATE_TOGGLE>(UPDATE_TOGGLE{dialog, &updater});
    m_hThread.reset(::CreateThread(nullptr, 0, UpdateToggleProc, toggle.get(), 0, nullptr));
    if (!m_hThread)
        return false;
    toggle.release();  // the thread owns it now
    return true;
}

bool CUpdateToggle::Wait(DWORD timeoutMs) const
{
    return !m_hThread || ::WaitForSingleObject(m_hThread.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool CUpdateToggle::IsRunning() const
{
    return m_hThread && ::WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace karvex
