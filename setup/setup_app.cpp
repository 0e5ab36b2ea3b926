#include "setup/setup_app.h"

#include <windows.h>
#include <commctrl.h>

#include "common/win/message_guard.h"
#include "common/win/ole_session.h"
#include "setup/preinstall_checks.h"
#include "setup/setup_dlg.h"

namespace karvex {

int CSetupApp::Run()
{
    CLifecycleMessageFilter lifecycleFilter;
    COleSession ole;
    // The copy page's progress bar is a common control.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    if (!RunPreInstallChecks())
        return 0;
    CSetupDlg wizard;
    wizard.DoModal(nullptr);
    return 0;
}

}  // namespace karvex
