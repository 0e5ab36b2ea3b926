// What an update pass shows in the open Options dialog: the update button,
// the progress bar, the database version label and the log list. The update
// worker, the download callback, the update button's thread and the dialog
// itself all show a pass through this one view.
//
// A view is a value over the dialog's window, not over the dialog object: the
// dialog can close at any moment of a pass, so every call looks its control up
// afresh and does nothing once the window is gone. Every change of a control
// is sent, so it has happened in the dialog when the call returns, on
// whichever thread; only the message that a pass has ended is posted.
#pragma once

#include <windows.h>

namespace karvex {

// Posted to the open Options dialog when a pass has ended.
constexpr UINT WM_UPDATE_FINISHED = 4000;

class COptionsPassView {
public:
    // `dialog` may be null (no dialog open): the view then shows nothing.
    explicit COptionsPassView(HWND dialog) : m_hDialog(dialog) {}

    // The update button reads "停止升级" and the bar shows while a pass runs;
    // "立即升级" and no bar when none does.
    void ShowRunning(bool running) const;
    // The end of a pass: "立即升级", the bar hidden, and WM_UPDATE_FINISHED
    // posted, which brings the button back however the pass began.
    void ShowPassEnded() const;

    // The bar's range, 0..100, and its position.
    void SetProgressRange() const;
    void SetProgressPosition(int percent) const;
    void HideProgress() const;

    // "特征库版本：<version>" as the dialog opens, with one blank after it,
    // and as a pass rewrites it after url.db was updated, without.
    void ShowOpeningDbVersion(const char* version) const;
    void ShowDbVersion(const char* version) const;

    // The update log, a hidden list: cleared when the user starts a pass, one
    // line per step worth telling and per file refused.
    void ClearLog() const;
    void AddLogLine(const char* text) const;

private:
    HWND Control(int id) const;
    void ShowDbVersionText(const char* version, const char* tail) const;

    HWND m_hDialog;
};

}  // namespace karvex
