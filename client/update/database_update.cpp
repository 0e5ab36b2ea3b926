// The update worker's step for one outdated signature database.
#include "client/update/updater.h"

#include "client/update/gunzip.h"
#include "client/update/update_urls.h"
#include "common/file_steps.h"
#include "common/text.h"

namespace karvex {

int CUpdater::UpdateDatabase(CSignatureDb& db, const UPDATE_ITEM& item)
{
    char installed[24];
    char full[kPathSize];
    char first[kPathSize];
    db.VersionText(installed, sizeof installed);
    if (!BuildItemPaths(item, installed, full, sizeof full, first, sizeof first))
        return kStepFailed;
    CTempFile download(m_tempFiles);
    if (!download.Create())
        return kStepFailed;
    ComPtr<IBindStatusCallback> callback;
    *callback.put() = new CDownloadCallback(&m_hOptionsWnd, &m_bRunning);

    // A difference from the installed version first, where the index lists
    // one; the full list when there is none, when the server has none after
    // all, or when the difference does not bring the database to the bytes
    // the index names (the installed file was damaged).
    if (m_index.FindFile(first) != nullptr) {
        bool applied = false;
        const int step = ApplyList(db, item, first, download.Path(), callback.get(), true, &applied);
        if (step == kStepStopped || (step != kStepDone && step != kStepNotOnServer) || applied)
            return step;
    }
    bool applied = false;
    const int step = ApplyList(db, item, full, download.Path(), callback.get(), false, &applied);
    return step == kStepDone && !applied ? kStepFailed : step;
}

// Downloads the list at `path` and rebuilds the database from it. kStepDone
// with `applied` false means the list came whole but did not give the
// database the index names for the new version: the database is as it was.
int CUpdater::ApplyList(CSignatureDb& db, const UPDATE_ITEM& item, const char* path, const char* download,
                        IBindStatusCallback* callback, bool difference, bool* applied)
{
    *applied = false;
    const HRESULT fetched = FetchListed(path, download, callback);
    if (!IsRunning())
        return kStepStopped;
    if (FAILED(fetched))
        return fetched == INET_E_OBJECT_NOT_FOUND ? kStepNotOnServer : kStepFailed;

    const INDEX_DATABASE* published = m_index.FindDatabase(db.m_pszFile, item.szVersion);
    if (published == nullptr) {
        // The new file could not be checked: it does not go in.
        Refuse(Refusal::kNotListed, path);
        return kStepFailed;
    }
    CTempFile list(m_tempFiles);
    if (!list.Create())
        return kStepFailed;
    // The decompressor makes its output exclusively: the name is kept, the file goes.
    ::DeleteFileA(list.Path());
    if (!GunzipFile(download, list.Path(), &m_bRunning))
        return IsRunning() ? (difference ? kStepDone : kStepFailed) : kStepStopped;

    BackUpDatabase(db);
    bool matches = true;
    const NewFileCheck check = [&](const char* newFile) {
        SHA256_DIGEST digest;
        std::uint64_t size = 0;
        matches = Sha256OfFile(newFile, kDbDigestOffset, &digest, &size) && digest == published->digest;
        return matches;
    };
    *applied = db.ApplyUpdate(m_szInstallDir, list.Path(), difference, item.szVersion, m_bRunning, check) == 0;
    if (!IsRunning())
        return *applied ? kStepDone : kStepStopped;
    if (!matches && !difference)
        Refuse(Refusal::kDatabaseDigest, db.m_pszFile);
    // A difference that cannot be applied (or gives other bytes) leaves the
    // full list to try; a full list that cannot fails the item.
    return *applied || difference ? kStepDone : kStepFailed;
}

void CUpdater::BackUpDatabase(const CSignatureDb& db) const
{
    // A copy of the live database, until the pass is over. A failed copy does
    // not stop the update: the rewrite itself never leaves a damaged file.
    char live[kPathSize];
    char backup[kPathSize];
    if (!FormatText(backup, sizeof backup, "%s\\backup", m_szInstallDir))
        return;
    ::CreateDirectoryA(backup, nullptr);
    if (JoinPath(live, sizeof live, m_szInstallDir, db.m_pszFile) &&
        FormatText(backup, sizeof backup, "%s\\backup\\%s", m_szInstallDir, db.m_pszFile)) {
        FileStep("database backed up");
        ::CopyFileA(live, backup, FALSE);
    }
}

}  // namespace karvex
