// The pop-up that reports a blocked action or the result of an update run:
// it slides up out of the bottom of the work area at its right-hand side,
// stays five seconds and closes itself.
#pragma once

#include <windows.h>

#include <string>

#include "client/ui/skin/skin_button.h"
#include "client/ui/skin/skinned_dialog.h"
#include "common/win/transparent_label.h"

namespace karvex {

// The text shown for an alert type; empty for a type outside 1..14.
const char* AlertText(WPARAM type);

class CAlertDialog : public CSkinnedDialog {
public:
    explicit CAlertDialog(WPARAM type);

    // Shows the text of another alert in this open pop-up and lets it stay
    // its full time again.
    void ShowAlert(WPARAM type);
    // False once it has closed: its modal run may still wait for a menu or
    // dialog opened inside it, but it shows nothing any more.
    bool CanShowAlert() const { return !m_bClosed && GetHwnd() != nullptr; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(bool pull) override;
    INT_PTR OnCtlColorStatic(HDC dc, HWND control) override;

private:
    void OnDestroy();
    void OnSlideTimer();
    void OnHoldTimer();
    void StartHold();
    void Close();

    int m_nTargetTop = 0;
    int m_nLeft = 0;
    bool m_bSliding = false;
    // From coming to rest until closing; the hold began at m_dwHoldStart.
    bool m_bHolding = false;
    DWORD m_dwHoldStart = 0;
    bool m_bClosed = false;
    CSkinButton m_btnClose;
    CTransparentLabel m_lblText{CTransparentLabel::kWrapped};
    std::string m_strText;
};

}  // namespace karvex
