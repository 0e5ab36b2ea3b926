// Page 2: the copy run on its own thread, its progress, and the report of its
// end.
#pragma once

#include <windows.h>

#include <atomic>

#include "common/win/handles.h"
#include "common/win/transparent_label.h"
#include "setup/flat_progress.h"
#include "setup/setup_page.h"

namespace karvex {

class CSetupDlg;

// Sent by the copy thread to the copy page when the run is over (as a notify
// message: it is neither queued behind posted messages, which any process can
// pile up until a post fails, nor does it wait for the page); wParam is
// kCopySucceeded after a successful run, 0 otherwise. The page trusts only
// its own record of the run: any process can send or post this message.
constexpr UINT WM_COPY_DONE = WM_USER + 100;
constexpr WPARAM kCopySucceeded = 0xABCD;

class CCopyPage : public CSetupPage {
public:
    CCopyPage(CSetupDlg& owner, const char* installDir, bool makeGroup);
    // Waits for a copy thread still running when the installer ends.
    ~CCopyPage() override;

    const char* InstallDir() const { return m_szInstallDir; }
    // From the start of the copy thread until its end has been reported.
    bool IsRunActive() const { return m_hThread && !m_bReported; }
    // Reports the run's end once it is over, unless already reported: after
    // the cancel question, which holds it back, and whenever the main window
    // is asked to close while no run is under way any more.
    void ReportEndIfOver();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;

private:
    enum RunState { kRunning, kSucceeded, kFailed, kStopped };

    static unsigned __stdcall CopyThreadProc(void* page);
    void RunCopyThread();
    // Writes the package into the install folder, registers the component
    // and makes the shortcuts. On failure m_szReason says why; a run stopped
    // at the gate (a confirmed cancel, or the installer ending) says nothing.
    RunState CopyAllFiles();
    RunState Fail(const char* format, const char* path);
    // Takes back what a stopped run wrote: its files and the folder it made.
    void RemoveWrittenFiles() const;
    void SetProgress(int position) const;
    void SetStatus(const char* path) const;
    void ReportEnd();

    char m_szInstallDir[MAX_PATH] = {};
    const bool m_bMakeGroup;
    // Written by the copy thread before it publishes m_state, read after.
    char m_szReason[4096] = {};
    std::atomic<int> m_state{kRunning};
    // The copy thread's own record: how many rows of the package it has put
    // in place, and whether it made the install folder.
    int m_nWritten = 0;
    bool m_bMadeFolder = false;
    HWND m_hPage = nullptr;
    HWND m_hProgress = nullptr;
    HWND m_hStatus = nullptr;
    UniqueKernelHandle m_hThread;
    bool m_bReported = false;
    CFlatProgress m_progress;
    CTransparentLabel m_status;
};

}  // namespace karvex
