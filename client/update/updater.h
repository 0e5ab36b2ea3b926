// The update worker: one update pass at a time, on a thread of its own. A
// pass fetches the signed update index and the manifest from an update
// server, brings every outdated database and program file to the manifest's
// version, asks about newer program releases and reports its result to the
// tray window. Nothing a server sends is used unless the index, signed by the
// publisher's key built into the client, vouches for its exact bytes.
//
// What the Options dialog uses:
// - m_hOptionsWnd: the dialog stores its window here while it is open and
//   clears it in WM_DESTROY. While set, the worker shows its pass there
//   through COptionsPassView (client/update/options_pass_view.h): the progress
//   bar while a file downloads, the version label after url.db was updated,
//   the log lines, and the end of the pass.
// - m_bRunning (busy), Start, RequestStop and WaitForPass for the update
//   button: RequestStop then WaitForPass stops a pass and waits for its end.
// - GetDbVersion for url.db's version text; the worker rewrites the database
//   descriptors during a pass, so the dialog reads the text, not them.
// - CUpdateSetting (client/settings/settings.h) for the schedule: one lock covers
//   the dialog's writes and the worker's recording of the update date.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "client/update/download.h"
#include "client/update/download_callback.h"
#include "client/update/manifest.h"
#include "client/update/options_pass_view.h"
#include "client/update/rsa_key.h"
#include "client/update/signature_db.h"
#include "client/update/temp_file.h"
#include "client/update/update_index.h"
#include "common/win/handles.h"

namespace karvex {

// Result of one pass.
enum PassResult : int { kPassFailed = 0, kPassUpdated = 1, kPassCurrent = 2 };

// Result of one item's step.
enum StepResult : int { kStepDone = 0, kStepStopped = -1, kStepNotOnServer = -2, kStepFailed = -3 };

// Why something a server sent was not used; each adds one line to the
// Options dialog's log naming the file.
enum class Refusal {
    kIndexMalformed,
    kIndexOtherKey,
    kIndexBadSignature,
    kIndexRolledBack,
    kIndexExpired,
    kNotListed,
    kSize,
    kDigest,
    kDatabaseDigest,
};

class CUpdater {
public:
    CUpdater();
    CUpdater(const CUpdater&) = delete;
    CUpdater& operator=(const CUpdater&) = delete;
    virtual ~CUpdater();

    // What a pass works on, given once before the first pass: the install
    // folder (no trailing backslash), the descriptors of url.db, adv.db and
    // qua.db, and how to record the date of a pass that found an item
    // already current (under the schedule's lock).
    void Init(const char* installDir, CSignatureDb* urlDb, CSignatureDb* advDb, CSignatureDb* quaDb,
              std::function<void()> recordRun);

    // Starts a pass on a new thread and returns at once; does nothing while a
    // pass runs or its thread still exists, and after Shutdown. Whether it
    // started one.
    bool Start();

    // Asks a running pass to stop: it ends at its next check, at most a few
    // tens of milliseconds away (a transfer in flight is given up). A stop
    // noticed inside a download, a load or a write fails that item, so the
    // pass reports failure; one noticed between items keeps the result
    // reached so far, records no date and installs nothing.
    void RequestStop();

    // Waits up to `timeoutMs` for the pass that runs now (if any) to end, on
    // a duplicate of the worker's thread handle taken under the lock. Messages
    // sent to the calling thread's windows are served meanwhile, since the
    // worker sends to the Options dialog. True when no pass runs any more.
    bool WaitForPass(DWORD timeoutMs);

    // At program exit or the end of the session: no pass starts any more, a
    // running one is asked to stop and waited for up to `timeoutMs`. False
    // when it did not end (a release question on screen): its temporary
    // files are then deleted already, and the caller must end the process
    // without destroying anything the worker uses.
    bool Shutdown(DWORD timeoutMs);

    // The database version text the tray and the Options dialog show.
    void SetDbVersion(const char* version);
    void GetDbVersion(char* out, std::size_t size) const;

    // Non-null while a pass's thread exists; cleared by the thread at its end.
    std::atomic<HANDLE> m_hThread{nullptr};
    // 1 while a pass runs; RequestStop clears it.
    RunningFlag m_bRunning{0};
    static constexpr char m_szProgramVersion[] = "1.3.1.0";
    // The open Options dialog, null while it is closed.
    std::atomic<HWND> m_hOptionsWnd{nullptr};

private:
    static DWORD WINAPI ThreadProc(void* param);
    int Run();
    bool IsRunning() const { return m_bRunning.load() != 0; }

    // The steps of a pass.
    void ReadDatabaseHeaders();
    int FetchManifest(std::vector<UPDATE_ITEM>* items);
    void SendStatisticsPing(const char* path);
    bool FetchIndex(const char* path);
    bool AcceptIndex(const char* path, const char* base);
    bool IsServerBusy();
    bool IsDatabaseCurrent(const CSignatureDb& db, const UPDATE_ITEM& item);
    bool IsFileOutdated(const UPDATE_ITEM& item);
    int DownloadAndApply(const UPDATE_ITEM& item);
    int UpdateDatabase(CSignatureDb& db, const UPDATE_ITEM& item);
    int ApplyList(CSignatureDb& db, const UPDATE_ITEM& item, const char* path, const char* download,
                  IBindStatusCallback* callback, bool difference, bool* applied);
    void BackUpDatabase(const CSignatureDb& db) const;
    int UpdateProgramFile(const UPDATE_ITEM& item);
    bool ReplaceUpdater(const char* download);
    void DeleteLeftover(const UPDATE_ITEM& item);
    void PromptForRelease(const UPDATE_ITEM& item);
    void InstallStagedFiles();
    void OnUrlDbRewritten(const UPDATE_ITEM& item);

    // Transport with this worker's stop, and the index's word on each file.
    HRESULT Download(const char* url, const char* path, std::uint64_t limit);
    // Downloads `path` (relative to the chosen base) into `file`, no further
    // than the size the index lists, and checks its digest: S_OK only for the
    // very bytes the index names; kRefused, with a log line, for anything else.
    HRESULT FetchListed(const char* path, const char* file, IBindStatusCallback* callback);
    void Refuse(Refusal why, const char* name) const;
    // The open Options dialog as it is now (none, once it has closed).
    COptionsPassView OptionsView() const { return COptionsPassView(m_hOptionsWnd.load()); }
    CSignatureDb* DatabaseFor(std::int32_t kind) const;

    mutable std::mutex m_lock;  // guards m_szDbVersion, m_threadHandle and m_bShutdown
    char m_szDbVersion[100] = {};
    // Owner of the handle published in m_hThread; kept until the next pass
    // starts, so a waiter always has a handle to duplicate.
    UniqueKernelHandle m_threadHandle;
    bool m_bShutdown = false;

    char m_szInstallDir[kPathSize] = {};
    CSignatureDb* m_pDatabases[3] = {};
    std::function<void()> m_recordRun;
    // The chosen update base: set by the first index fetch that is accepted,
    // forgotten when a fetch from it fails or is refused. Only the worker
    // uses it.
    const char* m_pszServer = nullptr;
    // The publisher's key and the index the pass accepted.
    RSA_KEY m_key;
    bool m_bKeyRead = false;
    UPDATE_INDEX m_index;
    CTempFileSet m_tempFiles;
};

// What FetchListed answers for a file the index does not vouch for
// (HRESULT_FROM_WIN32(ERROR_INVALID_DATA)).
constexpr HRESULT kRefused = static_cast<HRESULT>(0x8007000D);

}  // namespace karvex
