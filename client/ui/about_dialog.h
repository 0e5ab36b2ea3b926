// The About box: product name, versions and web address on the product's
// picture, closed by its button or the cross in its corner.
#pragma once

#include "client/ui/skin/skin_button.h"
#include "client/ui/skin/skinned_dialog.h"

namespace karvex {

class CAboutDialog : public CSkinnedDialog {
public:
    CAboutDialog();

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnCtlColorStatic(HDC dc, HWND control) override;

private:
    CSkinButton m_btnCornerClose;
    CSkinButton m_btnClose;
};

}  // namespace karvex
