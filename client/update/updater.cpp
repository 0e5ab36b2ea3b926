#include "client/update/updater.h"

#include <rpc.h>

#include <cstring>
#include <string>

#include "client/settings/settings.h"
#include "client/update/download_rules.h"
#include "client/update/pending_files.h"
#include "client/update/statistics_id.h"
#include "client/update/update_urls.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"
#include "common/win/folder.h"
#include "update_key.h"

namespace karvex {

namespace {

// Addresses are built in buffers of this size.
constexpr std::size_t kUrlSize = 512;

// Makes a fresh identifier from a new UUID into `out` (`size` bytes, at
// least kStatisticsIdLength + 1); sixteen 'F's when none can be made.
void NewStatisticsId(char* out, std::size_t size)
{
    UUID uuid;
    RPC_CSTR text = nullptr;
    bool made = ::UuidCreate(&uuid) == RPC_S_OK && ::UuidToStringA(&uuid, &text) == RPC_S_OK;
    if (!made || !StatisticsIdFromUuid(reinterpret_cast<const char*>(text), out))
        CopyText(out, size, kFallbackStatisticsId);
    if (text != nullptr)
        ::RpcStringFreeA(&text);
}

// Seconds since 1970, UTC.
std::uint64_t UnixTimeNow()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ull;
    return ticks < kTicksTo1970 ? 0 : (ticks - kTicksTo1970) / 10000000ull;
}

Refusal RefusalOf(IndexCheck check)
{
    switch (check) {
    case IndexCheck::kOtherKey:
        return Refusal::kIndexOtherKey;
    case IndexCheck::kBadSignature:
        return Refusal::kIndexBadSignature;
    case IndexCheck::kRolledBack:
        return Refusal::kIndexRolledBack;
    case IndexCheck::kExpired:
        return Refusal::kIndexExpired;
    default:
        return Refusal::kIndexMalformed;
    }
}

// The whole of a small file; false when it cannot be read or is larger than `limit`.
bool ReadSmallFile(const char* path, std::size_t limit, std::string* text)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return false;
    text->assign(limit + 1, '\0');
    const std::size_t got = std::fread(&(*text)[0], 1, limit + 1, file.get());
    text->resize(got);
    return std::ferror(file.get()) == 0 && got <= limit;
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
    m_bKeyRead = ParsePublicKeyPem(kUpdatePublicKeyPem, &m_key);
}

bool CUpdater::Start()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bShutdown || m_bRunning != 0 || m_hThread != nullptr)
        return false;
    // Raised before the thread exists, so a stop requested before it runs
    // is not lost.
    m_bRunning = 1;
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

    self->OptionsView().ShowPassEnded();
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
            // A stopped pass asks nothing more.
            if (IsRunning())
                PromptForRelease(item);
            continue;
        }
        if (item.nKind == kItemProgramFile) {
            if (!IsFileOutdated(item)) {
                anyCurrent = true;
                continue;
            }
        } else if (CSignatureDb* db = DatabaseFor(item.nKind)) {
            if (IsDatabaseCurrent(*db, item)) {
                anyCurrent = true;
                continue;
            }
        } else {
            continue;
        }

        const int step = DownloadAndApply(item);
        if (step == kStepDone && item.nKind == kItemUrlDb)
            OnUrlDbRewritten(item);  // whatever the busy probe says: the file is the new one
        if (step != kStepDone) {
            result = kPassFailed;
        } else if (IsServerBusy()) {
            result = kPassFailed;
            DeleteLeftover(item);
        } else if (result != kPassFailed) {
            result = kPassUpdated;
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
    // Every pass reads them afresh, after finishing or undoing a rewrite that
    // was cut short: a database that is unreadable (or has gone since the
    // start) counts as version 0.0000 and takes the full list.
    for (CSignatureDb* db : m_pDatabases) {
        if (db == nullptr)
            continue;
        db->RecoverFile(m_szInstallDir);
        if (!db->ReadHeader(m_szInstallDir)) {
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

bool CUpdater::IsDatabaseCurrent(const CSignatureDb& db, const UPDATE_ITEM& item)
{
    if (!db.IsVersion(item.szVersion))
        return false;
    // The right version text over other bytes (a damaged file) is not current:
    // the full list puts it right.
    const INDEX_DATABASE* published = m_index.FindDatabase(db.m_pszFile, item.szVersion);
    char path[kPathSize];
    SHA256_DIGEST digest;
    std::uint64_t size = 0;
    return published == nullptr || !JoinPath(path, sizeof path, m_szInstallDir, db.m_pszFile) ||
           !Sha256OfFile(path, kDbDigestOffset, &digest, &size) || digest == published->digest;
}

int CUpdater::FetchManifest(std::vector<UPDATE_ITEM>* items)
{
    CTempFile temp(m_tempFiles);
    if (!temp.Create())
        return kStepFailed;
    SendStatisticsPing(temp.Path());
    if (!FetchIndex(temp.Path()))
        return kStepFailed;
    const HRESULT fetched = FetchListed("current.ver", temp.Path(), nullptr);
    if (FAILED(fetched)) {
        // A server whose manifest fails is not kept: the next pass picks again.
        if (fetched != E_ABORT)
            m_pszServer = nullptr;
        return fetched == INET_E_OBJECT_NOT_FOUND ? kStepNotOnServer : kStepFailed;
    }
    FilePtr file = OpenFile(temp.Path(), "rb");
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
    ReadOrCreateStatisticsId(id, sizeof id, NewStatisticsId);
    char url[kUrlSize];
    if (BuildStatisticsUrl(url, sizeof url, id))
        Download(url, path, kSmallAnswerLimit);  // any answer will do
}

bool CUpdater::FetchIndex(const char* path)
{
    if (!m_bKeyRead)
        return false;
    if (m_pszServer != nullptr) {
        if (AcceptIndex(path, m_pszServer))
            return true;
        // A server that failed is not kept: the next pass picks again.
        if (IsRunning())
            m_pszServer = nullptr;
        return false;
    }
    // The first base whose index the key vouches for is kept; one that does
    // not answer, or sends something refused, gives way to the next.
    std::size_t order[kUpdateBaseCount];
    ShuffleOrder(order, kUpdateBaseCount, ::GetTickCount());
    for (std::size_t index : order) {
        if (!IsRunning())
            return false;
        if (AcceptIndex(path, kUpdateBases[index])) {
            m_pszServer = kUpdateBases[index];
            return true;
        }
    }
    return false;
}

bool CUpdater::AcceptIndex(const char* path, const char* base)
{
    char url[kUrlSize];
    if (!BuildUrl(url, sizeof url, base, kIndexFile))
        return false;
    const HRESULT downloaded = Download(url, path, kIndexSizeLimit);
    std::string text;
    if (downloaded == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)) {
        Refuse(Refusal::kIndexMalformed, kIndexFile);
        return false;
    }
    if (FAILED(downloaded) || !ReadSmallFile(path, kIndexSizeLimit, &text))
        return false;
    const std::uint32_t highest = ReadIndexSerial();
    UPDATE_INDEX index;
    const IndexCheck check = CheckUpdateIndex(text.data(), text.size(), m_key, UnixTimeNow(), highest, &index);
    if (check != IndexCheck::kAccepted) {
        Refuse(RefusalOf(check), kIndexFile);
        return false;
    }
    if (index.serial > highest)
        WriteIndexSerial(index.serial);
    m_index = std::move(index);
    return true;
}

bool CUpdater::IsServerBusy()
{
    CTempFile temp(m_tempFiles);
    char url[kUrlSize];
    if (m_pszServer == nullptr || !temp.Create() || !BuildUrl(url, sizeof url, m_pszServer, "busy"))
        return true;
    // Only a definite "no such file" lets updates go on.
    return Download(url, temp.Path(), kSmallAnswerLimit) != INET_E_OBJECT_NOT_FOUND;
}

int CUpdater::DownloadAndApply(const UPDATE_ITEM& item)
{
    if (item.nKind == kItemProgramFile)
        return UpdateProgramFile(item);
    CSignatureDb* db = DatabaseFor(item.nKind);
    return db != nullptr ? UpdateDatabase(*db, item) : kStepFailed;
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

void CUpdater::OnUrlDbRewritten(const UPDATE_ITEM& item)
{
    const COptionsPassView view = OptionsView();
    view.HideProgress();
    view.ShowDbVersion(item.szVersion);
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
    OptionsView().AddLogLine("正在复制文件...");
    InstallPendingFiles(m_szInstallDir);
}

HRESULT CUpdater::Download(const char* url, const char* path, std::uint64_t limit)
{
    DOWNLOAD_OPTIONS options;
    options.nLimit = limit;
    options.pRunning = &m_bRunning;
    return DownloadToFile(url, path, options);
}

HRESULT CUpdater::FetchListed(const char* path, const char* file, IBindStatusCallback* callback)
{
    const INDEX_FILE* listed = m_index.FindFile(path);
    if (listed == nullptr) {
        Refuse(Refusal::kNotListed, path);
        return kRefused;
    }
    char url[kUrlSize];
    if (m_pszServer == nullptr || !BuildUrl(url, sizeof url, m_pszServer, path))
        return E_FAIL;
    // Never more than the listed size is read: a longer answer is not the file.
    SHA256_DIGEST digest;
    std::uint64_t size = 0;
    DOWNLOAD_OPTIONS options;
    options.nLimit = listed->size;
    options.pCallback = callback;
    options.pRunning = &m_bRunning;
    options.pDigest = &digest;
    options.pSize = &size;
    const HRESULT result = DownloadToFile(url, file, options);
    if (callback != nullptr)
        OptionsView().SetProgressPosition(0);
    if (result == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)) {
        Refuse(Refusal::kSize, path);
        return kRefused;
    }
    if (FAILED(result))
        return result;
    // A server that cut the answer short without saying how long it was
    // shows here.
    if (size != listed->size) {
        Refuse(Refusal::kSize, path);
        return kRefused;
    }
    if (digest != listed->digest) {
        Refuse(Refusal::kDigest, path);
        return kRefused;
    }
    return S_OK;
}

void CUpdater::Refuse(Refusal why, const char* name) const
{
    static const char* const kReasons[] = {
        "更新索引无法识别",    // kIndexMalformed
        "更新索引密钥不符",    // kIndexOtherKey
        "更新索引签名无效",    // kIndexBadSignature
        "更新索引版本过旧",    // kIndexRolledBack
        "更新索引已过期",      // kIndexExpired
        "文件未列入更新索引",  // kNotListed
        "文件大小不符",        // kSize
        "文件校验不符",        // kDigest
        "特征库校验不符",      // kDatabaseDigest
    };
    char line[300];
    FormatText(line, sizeof line, "%s：%s", kReasons[static_cast<int>(why)], name);
    OptionsView().AddLogLine(line);
}

}  // namespace karvex
