#include "client/app/client_app.h"

#include <ole2.h>
#include <shellapi.h>

#include <cstdio>

#include "client/app/command_line.h"
#include "client/res/resource.h"
#include "client/settings/settings.h"
#include "client/ui/update_confirmation.h"
#include "client/update/pending_files.h"
#include "common/component.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/folder.h"
#include "common/win/message_guard.h"
#include "common/win/ole_session.h"
#include "common/win/module_path.h"
#include "common/win/process.h"

namespace karvex {

namespace {

constexpr DWORD kSchedulerInterval = 60 * 60 * 1000;
// How long the end of the program waits for an update pass to stop. A
// transfer ends within a read; only one the platform cannot interrupt, or a
// question on screen, takes longer.
constexpr DWORD kPassStopWait = 3000;

// Whether `path` opens as a text file holding at least one byte.
bool FileHasContent(const char* path)
{
    FilePtr file(std::fopen(path, "r"));
    return file && std::fgetc(file.get()) != EOF;
}

}  // namespace

CClientApp::CClientApp() : m_Tray(m_Updater, m_UpdateToggle, m_UpdateSetting, [this] { Shutdown(); })
{
    if (GetProgramFolder(m_szInstallDir, sizeof m_szInstallDir))
        FormatText(m_szComponentPath, sizeof m_szComponentPath, "%s\\%s", m_szInstallDir, kComponentFile);
}

// Members go in reverse order: the single-instance event is closed first, then
// the tray removes its icon and window, then the worker and the descriptors.
CClientApp::~CClientApp() = default;

int CClientApp::ClientMain()
{
    char installDir[MAX_PATH];
    if (!GetProgramFolder(installDir, sizeof installDir))
        return 0;

    for (std::size_t n = CountTokens(::GetCommandLineA(), "/u"); n > 0; --n)
        StartUninstaller(installDir);

    ::SetLastError(0);
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, kSingleInstanceEvent);
    const DWORD eventError = ::GetLastError();
    m_hSingleInstance.reset(event);
    if (!m_hSingleInstance || eventError == ERROR_ALREADY_EXISTS)
        return 0;

    // What an update cut short by a kill or a power cut left is finished
    // first: a program file renamed aside, a database rewrite.
    FinishInterruptedInstall(m_szInstallDir);
    // Other processes reach every window of this thread, from the start-up
    // question on; they must not drive their lifecycle.
    CLifecycleMessageFilter lifecycleFilter;
    if (HandOverPendingUpdate())
        return 0;
    ClearStagingFolders();

    COleSession ole;
    if (!IsComponentRegistered() && !RegisterComponent(m_szComponentPath))
        return 0;

    WriteProtectionActive(true);
    m_UpdateSetting.Read();
    WriteAutorun(IsAutorunOn());
    HICON icon = LoadTrayIcon(IsProtectionActive() ? IDI_SHIELD_ON : IDI_SHIELD_OFF);
    if (!CheckDatabases())
        m_bForceUpdate = 1;
    m_Updater.Init(m_szInstallDir, m_pUrlDb, m_pAdvDb, m_pQuaDb, [this] { m_UpdateSetting.RecordRun(); });

    // The text the tray's tooltip and the Options dialog show.
    char dbVersion[24];
    m_UrlDb.VersionText(dbVersion, sizeof dbVersion);
    m_Updater.SetDbVersion(dbVersion);

    if (!m_Tray.Create(kTrayNotifyMessage, "Karvex\n版本号：", icon, kTrayIconId))
        return 0;

    m_hSchedulerWake.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (m_hSchedulerWake)
        m_hScheduler.reset(::CreateThread(nullptr, 0, UpdateSchedulerProc, this, 0, nullptr));

    // A failed retrieval is not the end: any process can make one fail (under
    // Wine a WM_COPYDATA of a few megabytes does). Only a long run of failures
    // ends the loop, with a pause after each so that it does not spin.
    constexpr int kMaxFailuresInARow = 100;
    constexpr DWORD kFailurePause = 10;
    int failures = 0;
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, m_Tray.GetHwnd(), 0, 0);
        if (got == 0)
            break;
        if (got == -1) {
            if (++failures >= kMaxFailuresInARow)
                break;
            ::Sleep(kFailurePause);
            continue;
        }
        failures = 0;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }

    Shutdown();
    return 0;
}

void CClientApp::Shutdown()
{
    // The scheduler, the update worker and the update button's thread use
    // this object: they end before it is destroyed with the process's static
    // objects.
    m_bStopScheduler = 1;
    if (m_hSchedulerWake)
        ::SetEvent(m_hSchedulerWake.get());
    const bool passEnded = m_Updater.Shutdown(kPassStopWait);
    const bool schedulerEnded =
        !m_hScheduler || ::WaitForSingleObject(m_hScheduler.get(), kPassStopWait) == WAIT_OBJECT_0;
    // The update button's thread waits for the pass that has just ended.
    const bool toggleEnded = m_UpdateToggle.Wait(kPassStopWait);
    if (!passEnded || !schedulerEnded || !toggleEnded) {
        // A thread is stuck: end the process here, before any destructor can
        // pull its data away. The icon is taken down by hand.
        m_Tray.RemoveIcon();
        ::ExitProcess(0);
    }
}

void CClientApp::StartUninstaller(const char* installDir) const
{
    char parameters[MAX_PATH + 16];
    char source[MAX_PATH];
    char target[MAX_PATH];
    const DWORD tempLength = ::GetTempPathA(sizeof target, target);
    // A path that does not fit would start some other file: leave it.
    if (tempLength == 0 || tempLength >= sizeof target ||
        !FormatText(parameters, sizeof parameters, "\"%s\" %d", installDir,
                    static_cast<int>(::GetCurrentProcessId())) ||
        !FormatText(source, sizeof source, "%s\\uninstall.exe", installDir) ||
        !FormatText(target + tempLength, sizeof target - tempLength, "uninstall.exe"))
        return;

    ::CopyFileA(source, target, FALSE);

    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = target;
    info.lpParameters = parameters;
    info.nShow = SW_SHOW;
    ::ShellExecuteExA(&info);
    UniqueKernelHandle process(info.hProcess);
}

bool CClientApp::HandOverPendingUpdate() const
{
    char marker[MAX_PATH];
    char updater[MAX_PATH];
    if (!FormatText(marker, sizeof marker, "%s\\update\\ready", m_szInstallDir) ||
        !FormatText(updater, sizeof updater, "%s\\update.exe", m_szInstallDir))
        return false;
    if (!FileHasContent(marker) || ::GetFileAttributesA(updater) == INVALID_FILE_ATTRIBUTES)
        return false;

    if (!ConfirmPendingUpdate())
        return false;

    char commandLine[MAX_PATH + 32];
    if (FormatText(commandLine, sizeof commandLine, "\"%s\" %s", updater, kUpdaterToken))
        StartProcess(commandLine, nullptr, SW_SHOW);
    return true;
}

void CClientApp::ClearStagingFolders() const
{
    for (const char* name : {"Temp", "update"}) {
        char folder[MAX_PATH];
        if (FormatText(folder, sizeof folder, "%s\\%s", m_szInstallDir, name))
            DeleteFilesIn(folder);  // failures are left for the next start
    }
}

bool CClientApp::CheckDatabases()
{
    m_pUrlDb = &m_UrlDb;
    m_pAdvDb = &m_AdvDb;
    m_pQuaDb = &m_QuaDb;
    m_UrlDb.m_nId = 1;
    m_UrlDb.m_pszFile = "url.db";
    m_AdvDb.m_nId = 2;
    m_AdvDb.m_pszFile = "adv.db";
    m_QuaDb.m_nId = 3;
    m_QuaDb.m_pszFile = "qua.db";

    for (const CSignatureDb* db : {m_pUrlDb, m_pAdvDb, m_pQuaDb})
        db->RecoverFile(m_szInstallDir);
    const bool urlUsable = m_UrlDb.ReadHeader(m_szInstallDir);
    if (!m_AdvDb.ReadHeader(m_szInstallDir))
        return false;
    if (!m_QuaDb.ReadHeader(m_szInstallDir))
        return false;
    return urlUsable;
}

DWORD WINAPI CClientApp::UpdateSchedulerProc(void* param)
{
    auto* app = static_cast<CClientApp*>(param);
    while (app->m_bStopScheduler == 0) {
        // A forced update runs even with automatic update switched off.
        if (app->m_Updater.m_bRunning == 0 && (app->m_bForceUpdate != 0 || app->m_UpdateSetting.IsDue())) {
            app->m_bForceUpdate = 0;
            app->m_Updater.Start();
        }
        if (app->m_bStopScheduler != 0)
            break;
        ::WaitForSingleObject(app->m_hSchedulerWake.get(), kSchedulerInterval);
    }
    return 1;
}

}  // namespace karvex
