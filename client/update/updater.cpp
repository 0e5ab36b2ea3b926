#include "client/update/updater.h"

#include <rpc.h>

#include <cstring>

#include "client/update/statistics_id.h"
#include "common/product.h"
#include "common/text.h"
#include "common/win/registry.h"

namespace karvex {

namespace {

// Messages and controls of the Options dialog that a pass drives.
constexpr UINT WM_UPDATE_FINISHED = 4000;
constexpr int IDC_UPDATE_BUTTON = 1013;
constexpr int IDC_UPDATE_PROGRESS = 1014;

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

}  // namespace

CUpdater::CUpdater() = default;

void CUpdater::Start()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bRunning != 0 || m_hThread != nullptr)
        return;
    m_threadHandle.reset(::CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, nullptr));
    if (!m_threadHandle)
        return;
    // Published before the thread runs, so its own clearing at the end wins.
    m_hThread = m_threadHandle.get();
    ::ResumeThread(m_threadHandle.get());
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
    self->m_bRunning = 1;
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

void CUpdater::ReportToOptionsDialog()
{
    HWND dialog = m_hOptionsWnd;
    if (dialog == nullptr || !::IsWindow(dialog))
        return;
    ::SetDlgItemTextA(dialog, IDC_UPDATE_BUTTON, "立即升级");
    ::ShowWindow(::GetDlgItem(dialog, IDC_UPDATE_PROGRESS), SW_HIDE);
    ::PostMessageA(dialog, WM_UPDATE_FINISHED, 0, 0);
}

int CUpdater::Run()
{
    // Every pass starts with the statistics ping, which needs the identifier.
    // Fetching the manifest and applying its items come with the download
    // transport; until then a pass ends as failed.
    char id[kStatisticsIdLength + 1];
    ReadOrCreateStatisticsId(id);
    return kPassFailed;
}

}  // namespace karvex
