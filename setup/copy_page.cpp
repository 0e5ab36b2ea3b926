#include "setup/copy_page.h"

#include <objbase.h>
#include <commctrl.h>
#include <process.h>

#include "common/component.h"
#include "common/text.h"
#include "setup/deployment.h"
#include "setup/fail_dlg.h"
#include "setup/res/resource.h"
#include "setup/setup_dlg.h"
#include "setup/test_seams.h"

namespace karvex {

namespace {

constexpr COLORREF kStatusColour = 0xA6A6A7;
constexpr int kFileCount = static_cast<int>(sizeof g_InstallFiles / sizeof g_InstallFiles[0]);

}  // namespace

CCopyPage::CCopyPage(CSetupDlg& owner, const char* installDir, bool makeGroup)
    : CSetupPage(IDD_COPY_PAGE, owner), m_bMakeGroup(makeGroup)
{
    CopyText(m_szInstallDir, installDir);
}

CCopyPage::~CCopyPage()
{
    // The main window closes by itself only once the run has ended; ended
    // from outside (a WM_QUIT from any process ends its modal loop), it has
    // shut the gate, and the thread stops there and takes back what it wrote.
    // Either way the thread never outlives the page it writes to.
    if (m_hThread)
        ::WaitForSingleObject(m_hThread.get(), INFINITE);
}

BOOL CCopyPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_hPage = GetHwnd();
    m_hProgress = GetItem(IDC_PROGRESS);
    m_hStatus = GetItem(IDC_STATUS);
    m_progress.Attach(GetHwnd(), IDC_PROGRESS);
    m_status.Attach(GetHwnd(), IDC_STATUS);
    m_status.SetTextColor(kStatusColour);
    m_owner.EnableButton(IDC_INSTALL, false);
    m_owner.ShowButton(IDC_INSTALL, false);
    m_owner.ShowButton(IDC_STEP_MARKER, false);

    // The run counts as under way before the thread exists, so a close in
    // between asks the question instead of ending the window under it.
    m_owner.BeginCopying();
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, CopyThreadProc, this, 0, nullptr);
    if (thread == 0)
        m_owner.EndCopying();
    else
        m_hThread.reset(reinterpret_cast<HANDLE>(thread));
    return TRUE;
}

INT_PTR CCopyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPY_DONE:
        ReportEndIfOver();
        return TRUE;
    }
    return CSetupPage::HandleMessage(message, wParam, lParam);
}

unsigned __stdcall CCopyPage::CopyThreadProc(void* page)
{
    static_cast<CCopyPage*>(page)->RunCopyThread();
    return 0;
}

void CCopyPage::RunCopyThread()
{
    // The shortcuts are COM objects.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const RunState result = CopyAllFiles();
    if (result == kStopped)
        RemoveWrittenFiles();
    m_owner.EndCopying();
    // After this store the thread touches no window but the report below.
    m_state.store(result, std::memory_order_release);
    ::SendNotifyMessageA(m_hPage, WM_COPY_DONE, result == kSucceeded ? kCopySucceeded : 0, 0);
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

CCopyPage::RunState CCopyPage::CopyAllFiles()
{
    ::SendMessageA(m_hProgress, PBM_SETRANGE32, 0, 100);
    SetProgress(0);
    // A folder that cannot be made fails the first file.
    m_bMadeFolder = ::CreateDirectoryA(m_szInstallDir, nullptr) != FALSE;

    char path[520];
    for (int row = 0; row < kFileCount; ++row) {
        if (!m_owner.PassGate())
            return kStopped;
        const INSTALL_FILE& file = g_InstallFiles[row];
        SetProgress(row * 100 / kFileCount);
        if (!FormatText(path, sizeof path, "%s\\%s", m_szInstallDir, file.pszName))
            return Fail("复制文件 %s 失败", path);
        SetStatus(path);
        if (!ExtractResourceFile(file.nResourceId, path, CopyDelayMs()))
            return Fail("复制文件 %s 失败", path);
        m_nWritten = row + 1;
        if (::lstrcmpiA(file.pszName, "karvex.dll") == 0 && !RegisterComponent(path))
            return Fail("注册文件 %s 失败", path);
    }
    if (m_bMakeGroup)
        CreateProgramGroup(m_szInstallDir);
    CreateDesktopShortcut(m_szInstallDir);
    SetProgress(100);
    return kSucceeded;
}

CCopyPage::RunState CCopyPage::Fail(const char* format, const char* path)
{
    FormatText(m_szReason, sizeof m_szReason, format, path);
    return kFailed;
}

void CCopyPage::RemoveWrittenFiles() const
{
    char path[520];
    for (int row = m_nWritten - 1; row >= 0; --row) {
        if (FormatText(path, sizeof path, "%s\\%s", m_szInstallDir, g_InstallFiles[row].pszName))
            ::DeleteFileA(path);
    }
    // Only when empty: what was there before the run stays.
    if (m_bMadeFolder)
        ::RemoveDirectoryA(m_szInstallDir);
}

void CCopyPage::SetProgress(int position) const
{
    ::SendMessageA(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void CCopyPage::SetStatus(const char* path) const
{
    char status[1024];
    FormatText(status, sizeof status, "正在复制文件到 %s", path);
    ::SetWindowTextA(m_hStatus, "");
    ::SetWindowTextA(m_hStatus, status);
}

void CCopyPage::ReportEndIfOver()
{
    // Only the run's own end counts, and only once.
    if (m_bReported || m_state.load(std::memory_order_acquire) == kRunning)
        return;
    // A message box over a window that is being closed would lose its owner;
    // the answer to the question reports it.
    if (m_owner.IsAskingToCancel())
        return;
    ReportEnd();
}

void CCopyPage::ReportEnd()
{
    m_bReported = true;
    // The thread has published its result; what is left of it is quick.
    ::WaitForSingleObject(m_hThread.get(), INFINITE);
    if (m_state.load(std::memory_order_acquire) == kSucceeded) {
        m_owner.ShowFinishPage();
        return;
    }
    if (m_state.load(std::memory_order_acquire) == kFailed) {
        CFailDlg failure(m_szReason);
        failure.DoModal(m_owner.GetHwnd());
    }
    m_owner.Close();
}

}  // namespace karvex
