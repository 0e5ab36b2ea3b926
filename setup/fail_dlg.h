// The failure dialog of the installer: the reason why the installation
// stopped, and OK to end it.
#pragma once

#include "common/win/dialog.h"

namespace karvex {

class CFailDlg : public CDialog {
public:
    // `reason` may be null; it must outlive the dialog.
    explicit CFailDlg(const char* reason);

protected:
    BOOL OnInitDialog() override;

private:
    const char* m_pszReason;
};

}  // namespace karvex
