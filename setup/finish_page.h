// Page 3: the installation is done; whether to run the client at Finish.
#pragma once

#include "common/win/dialog.h"
#include "setup/transparent_static.h"

namespace karvex {

class CSetupDlg;

class CFinishPage : public CDialog {
public:
    explicit CFinishPage(CSetupDlg& owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(bool pull) override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    CSetupDlg& m_owner;
    CTransparentStatic m_demoLink;
};

}  // namespace karvex
