// Page 3: the installation is done; whether to run the client at Finish.
#pragma once

#include "common/win/transparent_label.h"
#include "setup/setup_page.h"

namespace karvex {

class CSetupDlg;

class CFinishPage : public CSetupPage {
public:
    explicit CFinishPage(CSetupDlg& owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(bool pull) override;

private:
    CTransparentLabel m_demoLink;
};

}  // namespace karvex
