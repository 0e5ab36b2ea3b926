#include "setup/finish_page.h"

#include "setup/res/resource.h"
#include "setup/setup_dlg.h"

namespace karvex {

namespace {

constexpr COLORREF kDemoLinkColour = 0x3898E9;

}  // namespace

CFinishPage::CFinishPage(CSetupDlg& owner) : CSetupPage(IDD_FINISH_PAGE, owner)
{
}

BOOL CFinishPage::OnInitDialog()
{
    m_owner.ShowButton(IDCANCEL, false);
    m_owner.EnableButton(IDC_FINISH, true);
    m_owner.ShowButton(IDC_FINISH, true);
    m_owner.ShowButton(IDC_STEP_MARKER, false);
    m_demoLink.Attach(GetHwnd(), IDC_DEMO_LINK);
    m_demoLink.SetTextColor(kDemoLinkColour);
    return CDialog::OnInitDialog();  // the check boxes show the choices
}

void CFinishPage::DoDataExchange(bool pull)
{
    ExchangeCheck(GetHwnd(), IDC_OPEN_HELP, m_owner.m_bOpenHelp, pull);
    ExchangeCheck(GetHwnd(), IDC_RUN_CLIENT, m_owner.m_bRunClient, pull);
}

INT_PTR CFinishPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OPEN_HELP:
        case IDC_RUN_CLIENT:
            // The choices follow the check boxes as they are.
            UpdateData(true);
            return TRUE;
        }
        break;
    }
    return CSetupPage::HandleMessage(message, wParam, lParam);
}

}  // namespace karvex
