#include "setup/setup_dlg.h"

#include "setup/copy_page.h"
#include "setup/deployment.h"
#include "setup/finish_page.h"
#include "setup/install_folder.h"
#include "setup/res/resource.h"
#include "setup/welcome_page.h"

namespace karvex {

CSetupDlg::CSetupDlg()
    : CDialog(IDD_SETUP), m_hGate(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

CSetupDlg::~CSetupDlg()
{
    // The window closes by itself only after the run; a copy thread still
    // there (the installer was ended from outside) stops at the gate and
    // takes back what it wrote, while its page waits for it.
    m_bCopying = 0;
    ::SetEvent(m_hGate.get());
}

BOOL CSetupDlg::OnInitDialog()
{
    m_pWelcome = std::make_unique<CWelcomePage>(*this);
    if (m_pWelcome->Create(GetHwnd()))
        ::ShowWindow(m_pWelcome->GetHwnd(), SW_SHOW);
    EnableButton(IDC_FINISH, false);
    ShowButton(IDC_FINISH, false);

    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    m_hLargeIcon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXICON),
                                                       ::GetSystemMetrics(SM_CYICON), 0)));
    m_hSmallIcon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXSMICON),
                                                       ::GetSystemMetrics(SM_CYSMICON), 0)));
    ::SendMessageA(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hLargeIcon.get()));
    ::SendMessageA(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon.get()));
    return TRUE;
}

INT_PTR CSetupDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_INSTALL:
            OnInstallClicked();
            return TRUE;
        case IDC_BACK:
            OnBackClicked();
            return TRUE;
        case IDC_FINISH:
            OnFinishClicked();
            return TRUE;
        }
        break;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    }
    return CDialog::HandleMessage(message, wParam, lParam);
}

void CSetupDlg::ShowButton(int id, bool show) const
{
    ::ShowWindow(GetItem(id), show ? SW_SHOW : SW_HIDE);
}

void CSetupDlg::EnableButton(int id, bool enable) const
{
    ::EnableWindow(GetItem(id), enable ? TRUE : FALSE);
}

void CSetupDlg::BeginCopying()
{
    m_bCopying = 1;
    ::SetEvent(m_hGate.get());
}

bool CSetupDlg::PassGate() const
{
    return ::WaitForSingleObject(m_hGate.get(), INFINITE) == WAIT_OBJECT_0 && m_bCopying != 0;
}

bool CSetupDlg::IsCopyRunActive() const
{
    return m_pCopy && m_pCopy->IsRunActive();
}

// The buttons are disabled or hidden outside their page; these commands may
// still come from elsewhere, so each checks that its page is the one shown.
void CSetupDlg::OnInstallClicked()
{
    if (m_pCopy || !m_pWelcome || !m_pWelcome->IsAccepted())
        return;
    // One refusal at a time: a burst of clicks must not stack message boxes.
    if (m_bRefusingFolder)
        return;
    char typed[MAX_PATH];
    char folder[MAX_PATH];
    m_pWelcome->GetFolderText(typed, sizeof typed);
    const FolderRefusal refusal = MakeInstallFolder(typed, folder, sizeof folder);
    if (refusal != FolderRefusal::kNone) {
        if (const char* message = RefusalMessage(refusal)) {
            m_bRefusingFolder = true;
            ::MessageBoxA(GetHwnd(), message, "Karvex", MB_OK | MB_ICONEXCLAMATION);
            m_bRefusingFolder = false;
        }
        m_pWelcome->FocusFolder();
        return;
    }
    m_pCopy = std::make_unique<CCopyPage>(*this, folder, m_bMakeGroup != 0);
    if (!m_pCopy->Create(GetHwnd())) {
        m_pCopy.reset();
        return;
    }
    ::ShowWindow(m_pWelcome->GetHwnd(), SW_HIDE);
    ::ShowWindow(m_pCopy->GetHwnd(), SW_SHOW);
}

void CSetupDlg::OnBackClicked()
{
    if (!m_pCopy && m_pWelcome)
        m_pWelcome->ShowFolderView();
}

void CSetupDlg::ShowFinishPage()
{
    m_pFinish = std::make_unique<CFinishPage>(*this);
    if (!m_pFinish->Create(GetHwnd()))
        return;
    ::ShowWindow(m_pCopy->GetHwnd(), SW_HIDE);
    ::ShowWindow(m_pFinish->GetHwnd(), SW_SHOW);
}

void CSetupDlg::OnFinishClicked()
{
    if (!m_pFinish || !m_pCopy)
        return;
    if (m_bRunClient)
        StartClient(m_pCopy->InstallDir());
    if (m_bOpenHelp)
        OpenFirstUsePage();
    EndDialog(IDOK);
}

void CSetupDlg::Close()
{
    ::SendMessageA(GetHwnd(), WM_CLOSE, 0, 0);
}

void CSetupDlg::OnCancel()
{
    // One question at a time.
    if (m_bAskingToCancel)
        return;
    if (!IsCopyRunActive()) {
        EndDialog(IDCANCEL);
        return;
    }
    // A cancel already confirmed, or a run that has ended: the run's end
    // closes the window. Reported from here as well, so that no lost report
    // can keep the window open.
    if (m_bCopying == 0) {
        m_pCopy->ReportEndIfOver();
        return;
    }
    // No new file is begun while the user decides.
    ::ResetEvent(m_hGate.get());
    m_bAskingToCancel = true;
    const int answer = ::MessageBoxA(GetHwnd(), "确实要取消安装 Karvex 吗？", "取消安装",
                                     MB_YESNO | MB_ICONQUESTION);
    m_bAskingToCancel = false;
    if (answer == IDYES)
        m_bCopying = 0;
    ::SetEvent(m_hGate.get());
    m_pCopy->ReportEndIfOver();
}

}  // namespace karvex
