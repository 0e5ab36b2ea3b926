#include "client/ui/options_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "client/res/resource.h"
#include "client/settings/settings.h"
#include "client/ui/update_toggle.h"
#include "client/update/options_pass_view.h"
#include "client/update/updater.h"
#include "common/win/gdi.h"

namespace karvex {

COptionsDialog::COptionsDialog(CUpdater& updater, CUpdateToggle& updateToggle, CUpdateSetting& updateSetting)
    : CSkinnedDialog(IDD_OPTIONS, IDG_OPTIONS_BACKGROUND),
      m_pUpdater(&updater),
      m_pUpdateToggle(&updateToggle),
      m_pUpdateSetting(&updateSetting),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KARVEX)))
{
    m_bDraggable = true;
}

void COptionsDialog::DoDataExchange(bool pull)
{
    HWND dialog = GetHwnd();
    ExchangeCheck(dialog, IDC_OPTIONS_ACTIVE_DEFENCE, m_bActiveDefence, pull);
    ExchangeCheck(dialog, IDC_OPTIONS_RUN_AT_START, m_bRunAtStart, pull);
    ExchangeCheck(dialog, IDC_OPTIONS_AUTO_UPDATE, m_bAutoUpdate, pull);
    ExchangeCheck(dialog, IDC_OPTIONS_SEARCH_DEFENCE, m_bSearchDefence, pull);
    ExchangeCheck(dialog, IDC_OPTIONS_AUTO_DOWNLOAD, m_bAutoDownload, pull);
}

BOOL COptionsDialog::OnInitDialog()
{
    HWND dialog = GetHwnd();
    m_lblVersion.Attach(dialog, IDC_OPTIONS_DB_VERSION);
    m_btnOk.Attach(dialog, IDC_OPTIONS_OK);
    m_btnCancel.Attach(dialog, IDC_OPTIONS_CANCEL);
    m_btnApply.Attach(dialog, IDC_OPTIONS_APPLY);
    m_btnUpdate.Attach(dialog, IDC_OPTIONS_UPDATE);
    m_progress.Attach(dialog, IDC_OPTIONS_PROGRESS);
    m_lstLog.Attach(dialog, IDC_OPTIONS_LOG);
    m_btnSpare.Attach(dialog, IDC_OPTIONS_SPARE_BUTTON);
    m_btnClose.Attach(dialog, IDC_OPTIONS_CLOSE);
    const int checkBoxes[] = {IDC_OPTIONS_ACTIVE_DEFENCE, IDC_OPTIONS_RUN_AT_START, IDC_OPTIONS_AUTO_UPDATE,
                              IDC_OPTIONS_SEARCH_DEFENCE, IDC_OPTIONS_AUTO_DOWNLOAD};
    for (int i = 0; i < 5; ++i)
        m_chkBoxes[i].Attach(dialog, checkBoxes[i]);
    CSkinnedDialog::OnInitDialog();
    ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ::SetWindowTextA(dialog, "Karvex - 选项设置");
    m_lblVersion.SetTextColor(RGB(255, 0, 0));
    m_btnSpare.SetPicture(IDG_BUTTON_NORMAL);
    m_btnSpare.FitToPicture();
    m_btnClose.SetPicture(IDG_CLOSE);
    m_btnClose.FitToPicture();

    CUpdater& updater = *m_pUpdater;
    updater.m_hOptionsWnd = dialog;
    // The version text, not the database descriptors, which a pass rewrites
    // on its own thread.
    char version[100];
    updater.GetDbVersion(version, sizeof version);
    const COptionsPassView passView(dialog);
    passView.ShowOpeningDbVersion(version);

    for (CSkinButton* button : {&m_btnOk, &m_btnCancel, &m_btnApply}) {
        button->SetPictures(IDG_BUTTON_NORMAL, IDG_BUTTON_HOVER, IDG_BUTTON_PRESSED);
        button->FitToPicture();
    }
    m_btnUpdate.SetBitmaps(::GetModuleHandleA(nullptr), IDB_UPDATE_NORMAL, IDB_UPDATE_HOVER, IDB_UPDATE_HOVER);
    m_btnUpdate.FitToBitmap();

    LoadBackground();
    const SIZE size = m_background.GetSize();
    SetRoundedRegion(size.cx + 1, size.cy + 1);

    LoadSettings();
    if (updater.m_bRunning != 0)
        passView.ShowRunning(true);
    UpdateData(false);
    CenterInWorkArea();
    return TRUE;
}

void COptionsDialog::FitVersionLabel()
{
    HWND label = m_lblVersion.GetHwnd();
    HWND bar = m_progress.GetHwnd();
    char text[260] = {};
    ::GetWindowTextA(label, text, sizeof text);
    int length = static_cast<int>(std::strlen(text));
    while (length > 0 && text[length - 1] == ' ')
        --length;
    SIZE extent = {0, 0};
    BOOL measured = FALSE;
    {
        CWindowDC dc(label);
        if (!dc)
            return;
        CSelectedObject font(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
        measured = ::GetTextExtentPoint32A(dc.get(), text, length, &extent);
    }
    RECT labelRect;
    RECT barRect;
    if (!measured || !GetChildRect(label, &labelRect) || !GetChildRect(bar, &barRect))
        return;
    if (labelRect.left + extent.cx <= labelRect.right)
        return;
    ::SetWindowPos(label, nullptr, 0, 0, extent.cx, labelRect.bottom - labelRect.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The progress bar, shown beside the label during a pass, begins after
    // the text, half a character's width away, and still ends where it did.
    const int barLeft = labelRect.left + extent.cx + extent.cy / 2;
    if (barRect.left < barLeft)
        ::SetWindowPos(bar, nullptr, barLeft, barRect.top, std::max(0, static_cast<int>(barRect.right) - barLeft),
                       barRect.bottom - barRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool COptionsDialog::GetChildRect(HWND control, RECT* rect) const
{
    if (!::GetWindowRect(control, rect))
        return false;
    ::MapWindowPoints(nullptr, GetHwnd(), reinterpret_cast<POINT*>(rect), 2);
    return true;
}

void COptionsDialog::LoadSettings()
{
    m_bRunAtStart = IsAutorunOn() ? 1 : 0;
    const OPTION_SWITCHES switches = ReadOptionSwitches();
    m_bSearchDefence = switches.bSearchDefence ? 1 : 0;
    m_bAutoDownload = switches.bAutoDownload ? 1 : 0;
    m_bActiveDefence = switches.bActiveDefence ? 1 : 0;
    m_bAutoUpdate = m_pUpdateSetting->AutoUpdate() != 0 ? 1 : 0;
    const int frequency = m_pUpdateSetting->Frequency();
    ::SendDlgItemMessageA(GetHwnd(), IDC_OPTIONS_FREQUENCY, CB_SETCURSEL, static_cast<WPARAM>(frequency), 0);
    ShowSchedule(frequency);
}

void COptionsDialog::ShowSchedule(int frequency)
{
    HWND recommended = GetItem(IDC_OPTIONS_RECOMMENDED);
    ::ShowWindow(recommended, frequency == kDaily ? SW_SHOW : SW_HIDE);
    ::EnableWindow(GetItem(IDC_OPTIONS_FREQUENCY), m_bAutoUpdate != 0);
    ::EnableWindow(recommended, m_bAutoUpdate != 0);
}

INT_PTR COptionsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (!::IsIconic(GetHwnd()))
            break;
        OnPaintMinimized();
        return TRUE;
    case WM_QUERYDRAGICON:
        // One of the messages a dialog procedure answers by its return value.
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return TRUE;
        break;
    case WM_UPDATE_FINISHED:
        OnUpdateFinished();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return CSkinnedDialog::HandleMessage(message, wParam, lParam);
}

bool COptionsDialog::OnCommand(WORD id, WORD notification)
{
    switch (id) {
    case IDC_OPTIONS_AUTO_UPDATE:
        if (notification != BN_CLICKED)
            return false;
        OnScheduleChanged();
        return true;
    case IDC_OPTIONS_FREQUENCY:
        if (notification != CBN_SELCHANGE)
            return false;
        OnScheduleChanged();
        return true;
    case IDC_OPTIONS_DB_VERSION:
        if (notification != kLabelTextChanged)
            return false;
        FitVersionLabel();
        return true;
    }
    if (notification != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_OPTIONS_UPDATE:
        OnUpdateClicked();
        return true;
    case IDC_OPTIONS_APPLY:
        OnApply();
        return true;
    case IDC_OPTIONS_OK:
        OnOkClicked();
        return true;
    case IDC_OPTIONS_CANCEL:
    case IDC_OPTIONS_CLOSE:
        OnCancel();
        return true;
    }
    // IDOK (Enter) and IDCANCEL (Esc) take the standard way.
    return false;
}

void COptionsDialog::OnScheduleChanged()
{
    UpdateData(true);
    const auto selection =
        static_cast<int>(::SendDlgItemMessageA(GetHwnd(), IDC_OPTIONS_FREQUENCY, CB_GETCURSEL, 0, 0));
    // With no line selected (a stored frequency the list does not know), the
    // stored one stays.
    const int frequency = selection == CB_ERR ? static_cast<int>(m_pUpdateSetting->Frequency()) : selection;
    m_pUpdateSetting->Write(m_bAutoUpdate, frequency);
    ShowSchedule(frequency);
}

void COptionsDialog::OnUpdateClicked()
{
    // A click while the previous one is still carried out is ignored.
    m_pUpdateToggle->Click(GetHwnd(), *m_pUpdater);
}

void COptionsDialog::OnApply()
{
    UpdateData(true);
    WriteAutorun(m_bRunAtStart != 0);
    OPTION_SWITCHES switches;
    switches.bSearchDefence = m_bSearchDefence != 0;
    switches.bActiveDefence = m_bActiveDefence != 0;
    switches.bAutoDownload = m_bAutoDownload != 0;
    WriteOptionSwitches(switches);
    UpdateData(false);
}

void COptionsDialog::OnOkClicked()
{
    OnApply();
    OnOK();
}

void COptionsDialog::OnUpdateFinished()
{
    // Also after a pass that ended before the button showed it running.
    COptionsPassView(GetHwnd()).ShowRunning(false);
}

void COptionsDialog::OnPaintMinimized()
{
    CPaintDC dc(GetHwnd());
    if (!dc)
        return;
    ::SendMessageA(GetHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    RECT client;
    ::GetClientRect(GetHwnd(), &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.get(), x, y, m_hIcon);
}

void COptionsDialog::OnDestroy()
{
    // The worker stops driving the controls before they go.
    HWND own = GetHwnd();
    m_pUpdater->m_hOptionsWnd.compare_exchange_strong(own, nullptr);
}

INT_PTR COptionsDialog::OnCtlColorStatic(HDC dc, HWND control)
{
    // A disabled drop-down list asks as a static would; its face keeps the
    // system's colours.
    if (control == GetItem(IDC_OPTIONS_FREQUENCY))
        return FALSE;
    return CSkinnedDialog::OnCtlColorStatic(dc, control);
}

}  // namespace karvex
