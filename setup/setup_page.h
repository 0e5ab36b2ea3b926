// A page of the installer's wizard: a child dialog of the main window that
// reaches the run's state through it.
#pragma once

#include "common/win/dialog.h"

namespace karvex {

class CSetupDlg;

class CSetupPage : public CDialog {
protected:
    CSetupPage(int templateId, CSetupDlg& owner) : CDialog(templateId), m_owner(owner) {}

    // A page never ends by itself: Enter and Esc belong to the main window.
    void OnOK() override {}
    void OnCancel() override {}

    CSetupDlg& m_owner;
};

}  // namespace karvex
