// Page 1: the licence (accepted with a check box, read in a text box that
// takes the folder controls' place) and the choice of the install folder and
// of the Programs-menu group.
#pragma once

#include <cstddef>

#include "common/win/transparent_label.h"
#include "setup/link_static.h"
#include "setup/setup_page.h"

namespace karvex {

class CSetupDlg;

class CWelcomePage : public CSetupPage {
public:
    explicit CWelcomePage(CSetupDlg& owner);

    bool IsAccepted() const { return m_bAccepted != 0; }
    // The text of the folder field.
    void GetFolderText(char* text, std::size_t size) const;
    void FocusFolder() const;
    // Back from the licence view.
    void ShowFolderView();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(bool pull) override;

private:
    void OnAcceptClicked();
    void OnBrowseClicked();
    void OnMakeGroupClicked();
    void OnLicenseLinkClicked();
    void LoadLicense() const;
    void ShowFolderControls(bool show) const;

    int m_bAccepted = 0;
    bool m_bBrowsing = false;
    CTransparentLabel m_spaceNote;
    CLinkStatic m_licenseLink;
};

}  // namespace karvex
