#include "client/ui/about_dialog.h"

#include "client/res/resource.h"
#include "common/servers.h"
#include "common/text.h"

namespace karvex {

CAboutDialog::CAboutDialog() : CSkinnedDialog(IDD_ABOUT, IDG_ABOUT_BACKGROUND)
{
    m_bDraggable = true;
}

BOOL CAboutDialog::OnInitDialog()
{
    m_btnCornerClose.Attach(GetHwnd(), IDC_ABOUT_CORNER_CLOSE);
    m_btnClose.Attach(GetHwnd(), IDC_ABOUT_CLOSE);
    const BOOL result = CSkinnedDialog::OnInitDialog();
    LoadBackground();
    ::SetWindowTextA(GetHwnd(), "Karvex - 提示");
    // The web site is set per deployment, so its address is not in the template.
    char address[128];
    FormatText(address, sizeof address, "http://%s", kWebHost);
    ::SetDlgItemTextA(GetHwnd(), IDC_ABOUT_WEB, address);

    RECT window;
    ::GetWindowRect(GetHwnd(), &window);
    SetRoundedRegion(window.right - window.left, window.bottom - window.top);
    m_btnClose.SetPictures(IDG_BUTTON_NORMAL, IDG_BUTTON_HOVER, IDG_BUTTON_PRESSED);
    m_btnClose.FitToPicture();
    m_btnCornerClose.SetPicture(IDG_CLOSE);
    m_btnCornerClose.FitToPicture();
    CenterInWorkArea();
    return result;
}

INT_PTR CAboutDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_ABOUT_CLOSE:
            OnOK();
            return TRUE;
        case IDC_ABOUT_CORNER_CLOSE:
            OnCancel();
            return TRUE;
        }
    }
    return CSkinnedDialog::HandleMessage(message, wParam, lParam);
}

INT_PTR CAboutDialog::OnCtlColorStatic(HDC dc, HWND control)
{
    ::SetTextColor(dc, RGB(0, 0, 0));
    return CSkinnedDialog::OnCtlColorStatic(dc, control);
}

}  // namespace karvex
