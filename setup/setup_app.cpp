#include "setup/setup_app.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "common/win/message_guard.h"
#include "setup/preinstall_checks.h"
#include "setup/setup_dlg.h"

namespace karvex {

namespace {

// OLE for the user-interface thread: the component test and the folder
// browser need it.
class OleSession {
public:
    OleSession() : m_initialized(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession()
    {
        if (m_initialized)
            ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool m_initialized;
};

}  // namespace

int CSetupApp::Run()
{
    CLifecycleMessageFilter lifecycleFilter;
    OleSession ole;
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
