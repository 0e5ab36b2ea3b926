// A page of the installer's wizard: a child dialog of the main window that
// reaches the run's state through it.
#pragma once

#include "common/win/dialog.h"
#include "common/win/transparency.h"

namespace karvex {

class CSetupDlg;

class CSetupPage : public CDialog {
protected:
    CSetupPage(int templateId, CSetupDlg& owner) : CDialog(templateId), m_owner(owner) {}

    // The page's labels and check boxes draw nothing behind them, so its
    // picture shows through.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CTLCOLORSTATIC)
            return ShowPictureThrough(reinterpret_cast<HDC>(wParam));
        return CDialog::HandleMessage(message, wParam, lParam);
    }
    // A page never ends by itself: Enter and Esc belong to the main window.
    void OnOK() override {}
    void OnCancel() override {}

    CSetupDlg& m_owner;
};

}  // namespace karvex
