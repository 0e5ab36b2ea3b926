// The installer's main window: a button row at the bottom and, above it, one
// page at a time (welcome, copy, finish). It holds the state of the run and
// the gate through which the copy thread passes before each file.
#pragma once

#include <atomic>
#include <memory>

#include "common/win/dialog.h"
#include "common/win/handles.h"

namespace karvex {

class CWelcomePage;
class CCopyPage;
class CFinishPage;

class CSetupDlg : public CDialog {
public:
    CSetupDlg();
    ~CSetupDlg() override;

    // The choices of the pages' check boxes.
    int m_bOpenHelp = 1;
    int m_bMakeGroup = 1;
    int m_bRunClient = 1;

    // Button row, for the pages.
    void ShowButton(int id, bool show) const;
    void EnableButton(int id, bool enable) const;

    // The copy run: raised on this thread before the copy thread starts.
    void BeginCopying();
    void EndCopying() { m_bCopying = 0; }
    // The copy thread waits here before each file; false when the run is to
    // stop (a confirmed cancel).
    bool PassGate() const;
    // While the cancel question is open the copy page holds back its report.
    bool IsAskingToCancel() const { return m_bAskingToCancel; }

    // Called by the copy page when the run succeeded, and when it is over.
    void ShowFinishPage();
    void Close();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // Enter is no command of the installer; Cancel follows the cancel protocol.
    void OnOK() override {}
    void OnCancel() override;

private:
    void OnInstallClicked();
    void OnBackClicked();
    void OnFinishClicked();
    bool IsCopyRunActive() const;

    std::atomic<int> m_bCopying{0};
    UniqueKernelHandle m_hGate;
    bool m_bAskingToCancel = false;
    bool m_bRefusingFolder = false;
    UniqueIcon m_hLargeIcon;
    UniqueIcon m_hSmallIcon;
    std::unique_ptr<CWelcomePage> m_pWelcome;
    std::unique_ptr<CCopyPage> m_pCopy;
    std::unique_ptr<CFinishPage> m_pFinish;
};

}  // namespace karvex
