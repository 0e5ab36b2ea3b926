#include "client/ui/alert_dialog.h"

#include <iterator>

#include "client/res/resource.h"
#include "common/product.h"

namespace karvex {

namespace {

constexpr UINT_PTR kSlideTimer = 1;
constexpr UINT_PTR kHoldTimer = 2;
constexpr UINT kSlideInterval = 10;
constexpr UINT kHoldTime = 5000;
constexpr int kSlideStep = 20;

constexpr char kProcessCreated[] = "发现进程创建行为，已拦截";
// By alert type; 0 is none.
constexpr const char* kAlertTexts[] = {
    "",
    kProcessCreated,                       // 1
    kProcessCreated,                       // 2
    kProcessCreated,                       // 3
    "发现可疑的进程打开行为，已拦截",      // 4
    "发现可疑的内存操作行为，已拦截",      // 5
    "发现可疑的远程线程创建行为，已拦截",  // 6
    "发现可以的模块载入行为，已拦截",      // 7
    "发现可疑的文件下载，已拦截",          // 8
    "发现服务创建行为，已拦截",            // 9
    kProcessCreated,                       // 10
    "发现驱动载入，已拦截",                // 11
    "升级成功",                            // 12 ALERT_UPDATE_OK
    "升级失败",                            // 13 ALERT_UPDATE_FAILED
    "当前已是最新版本",                    // 14 ALERT_UP_TO_DATE
};
static_assert(std::size(kAlertTexts) == ALERT_UP_TO_DATE + 1, "one text for every alert type");

}  // namespace

const char* AlertText(WPARAM type)
{
    return type < std::size(kAlertTexts) ? kAlertTexts[type] : "";
}

CAlertDialog::CAlertDialog(WPARAM type)
    : CSkinnedDialog(IDD_ALERT, IDG_ALERT_BACKGROUND), m_strText(AlertText(type))
{
    m_lblText.SetTextColor(RGB(233, 137, 57));
}

void CAlertDialog::DoDataExchange(bool pull)
{
    if (!pull)
        ::SetWindowTextA(m_lblText.GetHwnd(), m_strText.c_str());
}

BOOL CAlertDialog::OnInitDialog()
{
    m_lblText.Attach(GetHwnd(), IDC_ALERT_TEXT);
    m_btnClose.Attach(GetHwnd(), IDC_ALERT_CLOSE);
    CSkinnedDialog::OnInitDialog();
    m_btnClose.SetPicture(IDG_CLOSE);
    m_btnClose.FitToPicture();

    LoadBackground();
    const SIZE size = m_background.GetSize();
    SetRoundedRegion(size.cx + 1, size.cy + 1);

    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    m_nLeft = work.right - size.cx - 10;
    m_nTargetTop = work.bottom - size.cy;
    // It starts just below the work area and slides up into it.
    ::SetWindowPos(GetHwnd(), HWND_TOP, m_nLeft, work.bottom, 0, 0, SWP_NOSIZE);
    m_bSliding = ::SetTimer(GetHwnd(), kSlideTimer, kSlideInterval, nullptr) != 0;
    return TRUE;
}

INT_PTR CAlertDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_TIMER:
        // Any process can post WM_TIMER: the pop-up moves only while it
        // slides and closes only when its time is up.
        if (wParam == kHoldTimer)
            OnHoldTimer();
        else if (m_bSliding)
            OnSlideTimer();
        return TRUE;
    case WM_COMMAND:
        // The close button, Esc and Enter.
        switch (LOWORD(wParam)) {
        case IDC_ALERT_CLOSE:
        case IDCANCEL:
        case IDOK:
            Close();
            return TRUE;
        }
        break;
    }
    return CSkinnedDialog::HandleMessage(message, wParam, lParam);
}

INT_PTR CAlertDialog::OnCtlColorStatic(HDC dc, HWND control)
{
    // The speech bubble is a bitmap; only texts show the picture through.
    if (::GetDlgCtrlID(control) == IDC_ALERT_ICON)
        return FALSE;
    return CSkinnedDialog::OnCtlColorStatic(dc, control);
}

void CAlertDialog::OnDestroy()
{
    // The bubble's static loaded its bitmap from the template and (under
    // Wine) would not delete it: taken back, it is deleted here, once.
    auto bubble = reinterpret_cast<HBITMAP>(
        ::SendDlgItemMessageA(GetHwnd(), IDC_ALERT_ICON, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (bubble != nullptr)
        ::DeleteObject(bubble);
}

void CAlertDialog::OnSlideTimer()
{
    RECT window;
    if (!::GetWindowRect(GetHwnd(), &window))
        return;
    const int top = window.top - kSlideStep;
    ::SetWindowPos(GetHwnd(), nullptr, m_nLeft, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (top <= m_nTargetTop) {
        ::KillTimer(GetHwnd(), kSlideTimer);
        m_bSliding = false;
        StartHold();
    }
}

void CAlertDialog::StartHold()
{
    m_bHolding = true;
    m_dwHoldStart = ::GetTickCount();
    ::SetTimer(GetHwnd(), kHoldTimer, kHoldTime, nullptr);
}

void CAlertDialog::OnHoldTimer()
{
    if (!m_bHolding)
        return;
    // Early (a timer message from elsewhere): the rest of the time is set again.
    const DWORD held = ::GetTickCount() - m_dwHoldStart;
    if (held < kHoldTime) {
        ::SetTimer(GetHwnd(), kHoldTimer, kHoldTime - held, nullptr);
        return;
    }
    Close();
}

void CAlertDialog::ShowAlert(WPARAM type)
{
    m_strText = AlertText(type);
    ::SetWindowTextA(m_lblText.GetHwnd(), m_strText.c_str());
    // A pop-up still sliding starts its time when it comes to rest.
    if (m_bHolding)
        StartHold();
}

void CAlertDialog::Close()
{
    // A pop-up closed while it slides must not move on hidden.
    ::KillTimer(GetHwnd(), kSlideTimer);
    ::KillTimer(GetHwnd(), kHoldTimer);
    m_bSliding = false;
    m_bHolding = false;
    m_bClosed = true;
    EndDialog(IDCANCEL);
}

}  // namespace karvex
