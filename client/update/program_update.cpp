// The update worker's steps for program files and program releases.
#include "client/update/updater.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "client/settings/settings.h"
#include "client/update/file_version.h"
#include "client/update/pending_files.h"
#include "client/update/update_urls.h"
#include "common/product.h"
#include "common/std_file.h"
#include "common/text.h"

namespace karvex {

namespace {

constexpr char kUpdaterFile[] = "update.exe";

// The fixed file version of `path`'s version resource.
bool ReadFileVersion(const char* path, FILE_VERSION* version)
{
    // Windows loads the file as a library to read it and, like LoadLibrary,
    // appends ".dll" to a name without extension, as temporary names are: a
    // trailing dot says the name is complete, and opening the file drops it.
    char dotted[kPathSize + 1];
    if (!FormatText(dotted, sizeof dotted, "%s.", path))
        return false;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(dotted, &ignored);
    if (size == 0)
        return false;
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(dotted, 0, size, data.data()) ||
        !::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof *fixed || fixed->dwSignature != 0xFEEF04BD)
        return false;
    version->dwHigh = fixed->dwFileVersionMS;
    version->dwLow = fixed->dwFileVersionLS;
    return true;
}

bool IsUpdaterName(const char* name)
{
    return _stricmp(name, kUpdaterFile) == 0;
}

}  // namespace

bool CUpdater::IsFileOutdated(const UPDATE_ITEM& item)
{
    char path[kPathSize];
    FILE_VERSION wanted;
    if (!FormatText(path, sizeof path, "%s\\%s", m_szInstallDir, item.szName) ||
        !ParseFileVersion(item.szVersion, &wanted) || ::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return true;
    // The version is read from a copy: asked by its own path, a program this
    // process runs (karvex.exe, replaced by an earlier pass) answers with the
    // version of the image in memory, not of the file that is there now.
    CTempFile copy(m_tempFiles);
    FILE_VERSION installed;
    if (!copy.Create() || !::CopyFileA(path, copy.Path(), FALSE) || !ReadFileVersion(copy.Path(), &installed))
        return true;
    if (!karvex::IsFileOutdated(installed, wanted))
        return false;
    // The program this process runs from waits, staged, for update.exe: a
    // staged copy of the wanted version is not fetched again.
    char staged[kPathSize];
    FILE_VERSION waiting;
    const std::vector<std::string> names = ReadStagedNames(m_szInstallDir);
    return std::find(names.begin(), names.end(), item.szName) == names.end() ||
           !FormatText(staged, sizeof staged, "%s\\update\\%s", m_szInstallDir, item.szName) ||
           !ReadFileVersion(staged, &waiting) || karvex::IsFileOutdated(waiting, wanted);
}

int CUpdater::UpdateProgramFile(const UPDATE_ITEM& item)
{
    char path[kPathSize];
    if (!FormatText(path, sizeof path, "file/%s", item.szName))
        return kStepFailed;
    CTempFile download(m_tempFiles);
    if (!download.Create())
        return kStepFailed;
    ComPtr<IBindStatusCallback> callback;
    *callback.put() = new CDownloadCallback(&m_hOptionsWnd, &m_bRunning);
    const HRESULT result = FetchListed(path, download.Path(), callback.get());
    if (!IsRunning())
        return kStepStopped;
    if (FAILED(result))
        return result == INET_E_OBJECT_NOT_FOUND ? kStepNotOnServer : kStepFailed;

    // The index vouches for the bytes; it must also be the program the
    // manifest announced.
    FILE_VERSION wanted;
    FILE_VERSION got;
    if (!ParseFileVersion(item.szVersion, &wanted) || !ReadFileVersion(download.Path(), &got) || !(got == wanted))
        return kStepFailed;
    const bool placed = IsUpdaterName(item.szName) ? ReplaceUpdater(download.Path())
                                                   : StageFile(m_szInstallDir, download.Path(), item.szName);
    return placed ? kStepDone : kStepFailed;
}

bool CUpdater::ReplaceUpdater(const char* download)
{
    // update.exe is never missing or partial: its copy is written into the
    // staging folder (the download may lie on another drive) and renamed
    // into place.
    char folder[kPathSize];
    char copy[kPathSize];
    char live[kPathSize];
    if (!FormatText(folder, sizeof folder, "%s\\update", m_szInstallDir) ||
        !FormatText(copy, sizeof copy, "%s\\%s~", folder, kUpdaterFile) ||
        !FormatText(live, sizeof live, "%s\\%s", m_szInstallDir, kUpdaterFile))
        return false;
    ::CreateDirectoryA(folder, nullptr);
    return ReplaceWithCopy(download, copy, live);
}

void CUpdater::PromptForRelease(const UPDATE_ITEM& item)
{
    if (!IsReleaseOfferOn())
        return;
    char stored[kKnownVersionSize];
    ReadKnownProgramVersion(stored);
    if (!IsNewerRelease(item.szVersion, stored, m_szProgramVersion))
        return;
    // No owner: the question blocks only this worker until it is answered.
    if (::MessageBoxA(nullptr, "发现新版本的升级包，是否现在更新？", "Karvex", MB_OKCANCEL) == IDOK)
        ::ShellExecuteA(nullptr, "open", DownloadPageUrl(), nullptr, nullptr, SW_SHOW);
}

}  // namespace karvex
