// The client's one application object: start-up, the message loop, the
// hourly scheduler and the state every part of the client shares. It owns
// that state and hands each part what it works with; nothing reaches back
// up to it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "client/settings/settings.h"
#include "client/tray/system_tray.h"
#include "client/ui/update_toggle.h"
#include "client/update/signature_db.h"
#include "client/update/updater.h"
#include "common/win/handles.h"

namespace karvex {

class CClientApp {
public:
    CClientApp();
    CClientApp(const CClientApp&) = delete;
    CClientApp& operator=(const CClientApp&) = delete;
    ~CClientApp();

    // Runs start-up and then the message loop; returns the exit code (0).
    int ClientMain();

private:
    // Stops the scheduler and a running pass and waits for both (bounded);
    // ends the process at once if one is stuck. At the end of the message
    // loop, and when the session ends.
    void Shutdown();

    // Reads the three database headers; true only if all are usable.
    bool CheckDatabases();

    static DWORD WINAPI UpdateSchedulerProc(void* param);

    void StartUninstaller(const char* installDir) const;
    bool HandOverPendingUpdate() const;
    void ClearStagingFolders() const;

    CSignatureDb m_UrlDb;
    CSignatureDb m_AdvDb;
    CSignatureDb m_QuaDb;
    CSignatureDb* m_pUrlDb = nullptr;
    CSignatureDb* m_pAdvDb = nullptr;
    CSignatureDb* m_pQuaDb = nullptr;
    CUpdater m_Updater;
    // The Options dialog's update button, which may outlive the dialog.
    CUpdateToggle m_UpdateToggle;
    std::atomic<std::int32_t> m_bStopScheduler{0};
    // The update schedule, kept in memory after start-up.
    CUpdateSetting m_UpdateSetting;
    // Works with the updater, the update button and the schedule above,
    // which outlive it.
    CSystemTray m_Tray;
    char m_szComponentPath[MAX_PATH] = {};
    char m_szInstallDir[MAX_PATH] = {};
    UniqueKernelHandle m_hSingleInstance;
    std::atomic<std::int32_t> m_bForceUpdate{0};

    // Signalled at shutdown: the scheduler wakes from its hourly wait and ends.
    UniqueKernelHandle m_hSchedulerWake;
    UniqueKernelHandle m_hScheduler;
};

}  // namespace karvex
