// The Options dialog: start at log-on, automatic update and its frequency,
// the protection switches, and the button that starts or stops an update pass.
// While it is open the update worker shows its pass in it: the progress bar,
// the log list, the database version and the update button's text.
#pragma once

#include <windows.h>

#include "client/ui/skin/flat_list_box.h"
#include "client/ui/skin/skin_bitmap_button.h"
#include "client/ui/skin/skin_button.h"
#include "client/ui/skin/skin_check_box.h"
#include "client/ui/skin/skin_progress.h"
#include "client/ui/skin/skinned_dialog.h"
#include "common/win/transparent_label.h"

namespace karvex {

class CUpdateSetting;
class CUpdateToggle;
class CUpdater;

class COptionsDialog : public CSkinnedDialog {
public:
    // The worker whose pass it shows, the update button's thread that starts
    // and stops one, and the automatic-update schedule it edits.
    COptionsDialog(CUpdater& updater, CUpdateToggle& updateToggle, CUpdateSetting& updateSetting);

protected:
    void DoDataExchange(bool pull) override;
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnCtlColorStatic(HDC dc, HWND control) override;

private:
    bool OnCommand(WORD id, WORD notification);
    void OnScheduleChanged();
    void OnUpdateClicked();
    void OnApply();
    void OnOkClicked();
    void OnUpdateFinished();
    void OnPaintMinimized();
    void OnDestroy();
    void LoadSettings();
    // Widens the version label to its text (the template's width cuts the
    // version off) and moves the start of the progress bar beside it out of
    // its way; at every change of the text, whoever writes it.
    void FitVersionLabel();
    bool GetChildRect(HWND control, RECT* rect) const;
    // Shows "[推荐]" for the daily frequency, and enables the frequency and
    // it only while automatic update is on.
    void ShowSchedule(int frequency);

    CUpdater* m_pUpdater;
    CUpdateToggle* m_pUpdateToggle;
    CUpdateSetting* m_pUpdateSetting;
    CTransparentLabel m_lblVersion{CTransparentLabel::kWrapped};
    CSkinButton m_btnOk;
    CSkinButton m_btnCancel;
    CSkinButton m_btnApply;
    CSkinBitmapButton m_btnUpdate;
    CSkinProgress m_progress;
    CFlatListBox m_lstLog;
    // Check-box values, 1 checked and 0 not.
    int m_bActiveDefence = 0;
    int m_bRunAtStart = 0;
    int m_bAutoUpdate = 0;
    int m_bSearchDefence = 0;
    int m_bAutoDownload = 0;
    CSkinButton m_btnSpare;
    CSkinButton m_btnClose;
    HICON m_hIcon;
    // The five check boxes, drawn over the picture.
    CSkinCheckBox m_chkBoxes[5];
};

}  // namespace karvex
