#include "setup/fail_dlg.h"

#include "setup/res/resource.h"

namespace karvex {

CFailDlg::CFailDlg(const char* reason) : CDialog(IDD_FAILURE), m_pszReason(reason)
{
}

BOOL CFailDlg::OnInitDialog()
{
    const bool known = m_pszReason != nullptr && m_pszReason[0] != '\0';
    ::SetDlgItemTextA(GetHwnd(), IDC_REASON, known ? m_pszReason : "未知");
    return CDialog::OnInitDialog();
}

}  // namespace karvex
