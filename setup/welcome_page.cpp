#include "setup/welcome_page.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

#include "common/win/resource_bytes.h"
#include "setup/install_folder.h"
#include "setup/res/resource.h"
#include "setup/setup_dlg.h"

namespace karvex {

namespace {

constexpr COLORREF kNoteColour = 0xA6A6A7;
constexpr COLORREF kLinkColour = 0x862E20;

// The controls of the folder view, which the licence view covers.
constexpr int kFolderControls[] = {IDC_FOLDER,       IDC_BROWSE,       IDC_MAKE_GROUP,
                                   IDC_SPACE_NOTE,   IDC_FOLDER_LABEL, IDC_MAKE_GROUP_LABEL};

}  // namespace

CWelcomePage::CWelcomePage(CSetupDlg& owner) : CSetupPage(IDD_WELCOME_PAGE, owner)
{
}

BOOL CWelcomePage::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::ShowWindow(GetItem(IDC_LICENSE_TEXT), SW_HIDE);
    LoadLicense();
    m_spaceNote.Attach(GetHwnd(), IDC_SPACE_NOTE);
    m_spaceNote.SetTextColor(kNoteColour);
    m_licenseLink.Attach(GetHwnd(), IDC_LICENSE_LINK);
    m_licenseLink.SetTextColor(kLinkColour);
    m_owner.EnableButton(IDC_INSTALL, IsAccepted());
    m_owner.ShowButton(IDC_BACK, false);
    char folder[MAX_PATH];
    DefaultInstallFolder(folder, sizeof folder);
    ::SetDlgItemTextA(GetHwnd(), IDC_FOLDER, folder);
    return TRUE;
}

void CWelcomePage::DoDataExchange(bool pull)
{
    ExchangeCheck(GetHwnd(), IDC_ACCEPT_LICENSE, m_bAccepted, pull);
    ExchangeCheck(GetHwnd(), IDC_MAKE_GROUP, m_owner.m_bMakeGroup, pull);
}

INT_PTR CWelcomePage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ACCEPT_LICENSE:
            OnAcceptClicked();
            return TRUE;
        case IDC_BROWSE:
            OnBrowseClicked();
            return TRUE;
        case IDC_MAKE_GROUP:
            OnMakeGroupClicked();
            return TRUE;
        case IDC_LICENSE_LINK:
            if (HIWORD(wParam) == STN_CLICKED)
                OnLicenseLinkClicked();
            return TRUE;
        }
        break;
    }
    return CSetupPage::HandleMessage(message, wParam, lParam);
}

void CWelcomePage::GetFolderText(char* text, std::size_t size) const
{
    ::GetDlgItemTextA(GetHwnd(), IDC_FOLDER, text, static_cast<int>(size));
}

void CWelcomePage::FocusFolder() const
{
    ::SetFocus(GetItem(IDC_FOLDER));
}

// The flags follow the check boxes as they are, so a stray command cannot
// set them apart from what the user sees.
void CWelcomePage::OnAcceptClicked()
{
    UpdateData(true);
    m_owner.EnableButton(IDC_INSTALL, IsAccepted());
}

void CWelcomePage::OnMakeGroupClicked()
{
    UpdateData(true);
}

void CWelcomePage::OnBrowseClicked()
{
    // The browser runs a modal loop in which further clicks (posted by
    // anyone) arrive: one browser at a time.
    if (m_bBrowsing)
        return;
    m_bBrowsing = true;
    BROWSEINFOA browse = {};
    browse.hwndOwner = GetHwnd();
    browse.lpszTitle = "选择安装目录";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&browse);
    m_bBrowsing = false;
    if (chosen == nullptr)
        return;
    char path[MAX_PATH];
    if (::SHGetPathFromIDListA(chosen, path))
        ::SetDlgItemTextA(GetHwnd(), IDC_FOLDER, path);
    ::CoTaskMemFree(chosen);
}

void CWelcomePage::OnLicenseLinkClicked()
{
    ::ShowWindow(GetItem(IDC_LICENSE_TEXT), SW_SHOW);
    ShowFolderControls(false);
    m_owner.ShowButton(IDC_BACK, true);
    m_owner.ShowButton(IDC_INSTALL, false);
}

void CWelcomePage::ShowFolderView()
{
    m_owner.ShowButton(IDC_BACK, false);
    ShowFolderControls(true);
    ::ShowWindow(GetItem(IDC_LICENSE_TEXT), SW_HIDE);
    m_owner.ShowButton(IDC_INSTALL, true);
}

void CWelcomePage::ShowFolderControls(bool show) const
{
    for (int id : kFolderControls)
        ::ShowWindow(GetItem(id), show ? SW_SHOW : SW_HIDE);
}

void CWelcomePage::LoadLicense() const
{
    const RESOURCE_BYTES license = ResourceBytes(MAKEINTRESOURCEA(IDR_LICENSE), "LICENSE");
    if (license.pData == nullptr)
        return;
    std::vector<char> text(license.nSize + 1, '\0');
    std::memcpy(text.data(), license.pData, license.nSize);
    ::SetDlgItemTextA(GetHwnd(), IDC_LICENSE_TEXT, text.data());
}

}  // namespace karvex
