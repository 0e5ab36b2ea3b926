#include "client/update/updater.h"

#include <commctrl.h>
#include <rpc.h>

#include <cstring>

#include "client/update/download_rules.h"
#include "client/update/pending_files.h"
#include "client/update/statistics_id.h"
#include "client/update/update_urls.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/folder.h"
#include "common/win/registry.h"

namespace karvex {

namespace {

// Addresses are built in buffers of this size.
constexpr std::size_t kUrlSize = 512;

// Makes a fresh identifier from a new UUID; sixteen 'F's when none can be made.
void NewStatisticsId(char* out)
{
    UUID uuid;
    RPC_CSTR text = nullptr;
    bool made = ::UuidCreate(&uuid) == RPC_S_OK && ::UuidToStringA(&uuid, &text) == RPC_S_OK;
    if (!made || !StatisticsIdFromUuid(reinterpret_cast<const char*>(text), out))
        CopyText(out, kStatisticsIdLength + 1, kFallbackStatisticsId);
    if (text != nullptr)
        ::RpcStringFreeA(&text);
}

// The identifier the statistics ping sends: the stored "ID", or a new one that
// is stored for the next pass. Empty when the settings key cannot be opened.
void ReadOrCreateStatisticsId(char (&id)[kStatisticsIdLength + 1])
{
    id[0] = '\0';
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey) != ERROR_SUCCESS)
        return;
    // A stored text of any other length (one too long does not fit) is replaced.
    key.QueryText("ID", id, sizeof id);
    if (std::strlen(id) == kStatisticsIdLength)
        return;
    NewStatisticsId(id);
    key.SetText("ID", id);
}

// Waits for `handle`, serving messages sent to this thread's windows.
bool WaitServingSentMessages(HANDLE handle, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs)
            return false;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : timeoutMs - elapsed;
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

CUpdater::CUpdater() = default;

CUpdater::~CUpdater() = default;

void CUpdater::Init(const char* installDir, CSignatureDb* urlDb, CSignatureDb* advDb, CSignatureDb* quaDb,
                    std::function<void()> recordRun)
{
    CopyText(m_szInstallDir, installDir);
    m_pDatabases[0] = urlDb;
    m_pDatabases[1] = advDb;
    m_pDatabases[2] = quaDb;
    m_recordRun = std::move(recordRun);
}

bool CUpdater::Start()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bShutdown || m_bRunning != 0 || m_hThread != nullptr)
        return false;
    // Raised before the thread exists, so a stop requested before it runs
    // is not lost.
    m_bRunning = 1;
    m_abort.Reset();
    m_tempFiles.Reopen();
    m_threadHandle.reset(::CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, nullptr));
    if (!m_threadHandle) {
        m_bRunning = 0;
        return false;
    }
    // Published before the thread runs, so its own clearing at the end wins.
    m_hThread = m_threadHandle.get();
    ::ResumeThread(m_threadHandle.get());
    return true;
}

void CUpdater::RequestStop()
{
    m_bRunning = 0;
    m_abort.Abort();
}

bool CUpdater::WaitForPass(DWORD timeoutMs)
{
    HANDLE duplicate = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_threadHandle)
            return true;
        if (!::DuplicateHandle(::GetCurrentProcess(), m_threadHandle.get(), ::GetCurrentProcess(), &duplicate,
                               SYNCHRONIZE, FALSE, 0))
            return false;
    }
    UniqueKernelHandle thread(duplicate);
    return WaitServingSentMessages(thread.get(), timeoutMs);
}

bool CUpdater::Shutdown(DWORD timeoutMs)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bShutdown = true;
    }
    RequestStop();
    if (WaitForPass(timeoutMs))
        return true;
    m_tempFiles.DeleteAllAndClose();
    return false;
}

void CUpdater::SetDbVersion(const char* version)
{
    std::lock_guard<std::mutex> guard(m_lock);
    CopyText(m_szDbVersion, version);
}

void CUpdater::GetDbVersion(char* out, std::size_t size) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    CopyText(out, size, m_szDbVersion);
}

DWORD WINAPI CUpdater::ThreadProc(void* param)
{
    auto* self = static_cast<CUpdater*>(param);
    const int result = self->Run();

    self->ReportToOptionsDialog();
    if (HWND tray = ::FindWindowA(kTrayWindowClass, nullptr)) {
        const WPARAM alert = result == kPassUpdated   ? ALERT_UPDATE_OK
                             : result == kPassCurrent ? ALERT_UP_TO_DATE
                                                      : ALERT_UPDATE_FAILED;
        ::PostMessageA(tray, kShowAlertMessage, alert, 0);
    }
    self->m_hThread = nullptr;
    self->m_bRunning = 0;
    return static_cast<DWORD>(result);
}

void CUpdater::ReportToOptionsDialog() const
{
    HWND dialog = m_hOptionsWnd;
    if (HWND button = OptionsControl(dialog, kIdcUpdateButton))
        ::SetWindowTextA(button, "立即升级");
    if (HWND bar = OptionsControl(dialog, kIdcUpdateProgress))
        ::ShowWindow(bar, SW_HIDE);
    if (dialog != nullptr && ::IsWindow(dialog))
        ::PostMessageA(dialog, WM_UPDATE_FINISHED, 0, 0);
}

int CUpdater::Run()
{
    ReadDatabaseHeaders();
    std::vector<UPDATE_ITEM> items;
    if (FetchManifest(&items) <= 0)
        return kPassFailed;
    if (IsServerBusy() || !IsRunning())
        return kPassFailed;

    int result = kPassCurrent;
    bool anyCurrent = false;
    for (const UPDATE_ITEM& item : items) {
        if (item.nKind == kItemRelease) {
            PromptForRelease(item);
            continue;
        }
        if (item.nKind == kItemProgramFile) {
            if (!IsFileOutdated(item)) {
                anyCurrent = true;
                continue;
            }
        } else if (CSignatureDb* db = DatabaseFor(item.nKind)) {
            if (db->IsVersion(item.szVersion)) {
                anyCurrent = true;
                continue;
            }
        } else {
            continue;
        }

        char installed[24] = "";
        if (CSignatureDb* db = DatabaseFor(item.nKind))
            db->VersionText(installed, sizeof installed);
        char full[kUrlSize];
        char first[kUrlSize];
        const int step = BuildItemUrls(m_pszServer, item, installed, full, sizeof full, first, sizeof first)
                             ? DownloadAndApply(full, first, item)
                             : kStepFailed;
        if (step != kStepDone) {
            result = kPassFailed;
        } else if (IsServerBusy()) {
            result = kPassFailed;
            DeleteLeftover(item);
        } else {
            if (result != kPassFailed)
                result = kPassUpdated;
            if (item.nKind == kItemUrlDb)
                OnUrlDbUpdated(item);
        }
        if (!IsRunning())
            break;
    }

    if (anyCurrent && IsRunning()) {
        if (m_recordRun)
            m_recordRun();
        char backup[kPathSize];
        if (FormatText(backup, sizeof backup, "%s\\backup", m_szInstallDir))
            DeleteFilesIn(backup);
    }
    // A stopped pass leaves staged files for the next one (or update.exe).
    if (IsRunning())
        InstallStagedFiles();
    return result;
}

void CUpdater::ReadDatabaseHeaders()
{
    // Every pass reads them afresh: a database that was unreadable at start-up
    // (or has gone since) counts as version 0.0000 and takes the full list.
    for (CSignatureDb* db : m_pDatabases) {
        if (db != nullptr && !db->ReadHeader(m_szInstallDir)) {
            db->m_dwReserved = 0;
            db->m_nMajor = 0;
            db->m_nMinor = 0;
        }
    }
}

CSignatureDb* CUpdater::DatabaseFor(std::int32_t kind) const
{
    if (kind < kItemUrlDb || kind > kItemQuaDb)
        return nullptr;
    return m_pDatabases[kind - kItemUrlDb];
}

int CUpdater::FetchManifest(std::vector<UPDATE_ITEM>* items)
{
    CTempFile temp(m_tempFiles);
    if (!temp.Create())
        return kStepFailed;
    SendStatisticsPing(temp.Path());
    const HRESULT downloaded = DownloadManifest(temp.Path());
    if (FAILED(downloaded))
        return downloaded == INET_E_OBJECT_NOT_FOUND ? kStepNotOnServer : kStepFailed;
    FilePtr file = OpenFile(temp.Path(), "r");
    if (!file)
        return kStepStopped;
    std::size_t lines = 0;
    *items = ReadManifest(file.get(), &lines);
    if (lines == 0)
        return kStepStopped;
    return static_cast<int>(items->size());
}

void CUpdater::SendStatisticsPing(const char* path)
{
    char id[kStatisticsIdLength + 1];
    ReadOrCreateStatisticsId(id);
    char url[kUrlSize];
    if (BuildStatisticsUrl(url, sizeof url, id))
        Download(url, path, kSmallAnswerLimit);  // any answer will do
}

HRESULT CUpdater::DownloadManifest(const char* path)
{
    char url[kUrlSize];
    if (m_pszServer != nullptr) {
        if (!FormatText(url, sizeof url, "%s/current.ver", m_pszServer))
            return E_FAIL;
        const HRESULT result = Download(url, path, kSmallAnswerLimit);
        // A server that failed is not kept: the next pass picks again.
        if (FAILED(result) && result != E_ABORT)
            m_pszServer = nullptr;
        return result;
    }
    std::size_t order[kUpdateBaseCount];
    ShuffleOrder(order, kUpdateBaseCount, ::GetTickCount());
    HRESULT result = E_FAIL;
    for (std::size_t index : order) {
        if (!FormatText(url, sizeof url, "%s/current.ver", kUpdateBases[index]))
            continue;
        result = Download(url, path, kSmallAnswerLimit);
        if (SUCCEEDED(result)) {
            m_pszServer = kUpdateBases[index];
            break;
        }
        if (result == E_ABORT)
            break;
    }
    return result;
}

bool CUpdater::IsServerBusy()
{
    CTempFile temp(m_tempFiles);
    char url[kUrlSize];
    if (m_pszServer == nullptr || !temp.Create() || !FormatText(url, sizeof url, "%s/busy", m_pszServer))
        return true;
    // Only a definite "no such file" lets updates go on.
    return Download(url, temp.Path(), kSmallAnswerLimit) != INET_E_OBJECT_NOT_FOUND;
}

int CUpdater::DownloadAndApply(const char* full, const char* first, const UPDATE_ITEM& item)
{
    if (item.nKind == kItemProgramFile)
        return UpdateProgramFile(first, item);
    CSignatureDb* db = DatabaseFor(item.nKind);
    return db != nullptr ? UpdateDatabase(*db, full, first, item) : kStepFailed;
}

void CUpdater::DeleteLeftover(const UPDATE_ITEM& item)
{
    // The server turned busy after the item: a new database stays in place
    // (its backup copy goes), a staged program file goes. A new update.exe
    // stays too: it was replaced in one step and is whole.
    char path[kPathSize];
    if (item.nKind == kItemProgramFile) {
        if (_stricmp(item.szName, "update.exe") != 0 &&
            FormatText(path, sizeof path, "%s\\update\\%s", m_szInstallDir, item.szName))
            ::DeleteFileA(path);
    } else if (FormatText(path, sizeof path, "%s\\backup\\%s", m_szInstallDir, item.szName)) {
        ::DeleteFileA(path);
    }
}

void CUpdater::OnUrlDbUpdated(const UPDATE_ITEM& item)
{
    HWND dialog = m_hOptionsWnd;
    if (HWND bar = OptionsControl(dialog, kIdcUpdateProgress))
        ::ShowWindow(bar, SW_HIDE);
    if (HWND label = OptionsControl(dialog, kIdcDbVersion)) {
        char text[300];
        FormatText(text, sizeof text, "特征库版本：%s", item.szVersion);
        ::SetWindowTextA(label, text);
    }
    char version[24];
    m_pDatabases[0]->VersionText(version, sizeof version);
    SetDbVersion(version);
}

void CUpdater::InstallStagedFiles()
{
    char marker[kPathSize];
    if (!FormatText(marker, sizeof marker, "%s\\update\\ready", m_szInstallDir))
        return;
    {
        FilePtr file = OpenFile(marker, "r");
        if (!file || std::fgetc(file.get()) == EOF)
            return;
    }
    if (HWND log = OptionsControl(m_hOptionsWnd, kIdcUpdateLog))
        ::SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("正在复制文件..."));
    InstallPendingFiles(m_szInstallDir);
}

HRESULT CUpdater::Download(const char* url, const char* path, std::uint64_t limit)
{
    DOWNLOAD_OPTIONS options;
    options.nLimit = limit;
    options.pRunning = &m_bRunning;
    options.pAbort = &m_abort;
    return DownloadToFile(url, path, options);
}

HRESULT CUpdater::DownloadWithProgress(const char* url, const char* path, IBindStatusCallback* callback)
{
    DOWNLOAD_OPTIONS options;
    options.nLimit = kLargeFileLimit;
    options.pCallback = callback;
    options.pRunning = &m_bRunning;
    options.pAbort = &m_abort;
    const HRESULT result = DownloadToFile(url, path, options);
    SetProgressPosition(0);
    return result;
}

void CUpdater::SetProgressPosition(int position) const
{
    if (HWND bar = OptionsControl(m_hOptionsWnd, kIdcUpdateProgress))
        ::SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

}  // namespace karvex
