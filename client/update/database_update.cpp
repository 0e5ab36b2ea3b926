// The update worker's step for one outdated signature database.
#include "client/update/updater.h"

#include "client/update/gunzip.h"
#include "common/text.h"

namespace karvex {

int CUpdater::UpdateDatabase(CSignatureDb& db, const char* full, const char* first, const UPDATE_ITEM& item)
{
    CTempFile download(m_tempFiles);
    if (!download.Create())
        return kStepFailed;
    ComPtr<IBindStatusCallback> callback;
    *callback.put() = new CDownloadCallback(&m_hOptionsWnd, &m_bRunning);

    // A difference from the installed version first; the full list only
    // when the server has no such difference.
    HRESULT result = DownloadWithProgress(first, download.Path(), callback.get());
    if (!IsRunning())
        return kStepStopped;
    bool difference = true;
    if (result == INET_E_OBJECT_NOT_FOUND) {
        result = DownloadWithProgress(full, download.Path(), callback.get());
        if (!IsRunning())
            return kStepStopped;
        difference = false;
    }
    if (FAILED(result))
        return result == INET_E_OBJECT_NOT_FOUND ? kStepNotOnServer : kStepFailed;

    CTempFile list(m_tempFiles);
    if (!list.Create())
        return kStepFailed;
    // The decompressor makes its output exclusively: the name is kept, the file goes.
    ::DeleteFileA(list.Path());
    if (!GunzipFile(download.Path(), list.Path()))
        return kStepFailed;

    // A copy of the live database, until the pass is over. A failed copy does
    // not stop the update: the rewrite itself never leaves a damaged file.
    char live[kPathSize];
    char backup[kPathSize];
    if (FormatText(backup, sizeof backup, "%s\\backup", m_szInstallDir)) {
        ::CreateDirectoryA(backup, nullptr);
        if (JoinPath(live, sizeof live, m_szInstallDir, db.m_pszFile) &&
            FormatText(backup, sizeof backup, "%s\\backup\\%s", m_szInstallDir, db.m_pszFile))
            ::CopyFileA(live, backup, FALSE);
    }
    return db.ApplyUpdate(m_szInstallDir, list.Path(), difference, item.szVersion, m_bRunning) == 0 ? kStepDone
                                                                                                      : kStepFailed;
}

}  // namespace karvex
