// The update worker: one update pass at a time, on a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "common/win/handles.h"

namespace karvex {

// Result of one pass.
enum PassResult : int { kPassFailed = 0, kPassUpdated = 1, kPassCurrent = 2 };

class CUpdater {
public:
    CUpdater();
    CUpdater(const CUpdater&) = delete;
    CUpdater& operator=(const CUpdater&) = delete;
    virtual ~CUpdater() = default;

    // Starts a pass on a new thread and returns at once; does nothing while a
    // pass runs or its thread is still being set up.
    void Start();

    // The database version text the tray and the Options dialog show.
    void SetDbVersion(const char* version);
    void GetDbVersion(char* out, std::size_t size) const;

    // Non-null while a pass's thread exists; cleared by the thread at its end.
    std::atomic<HANDLE> m_hThread{nullptr};
    // 1 while a pass runs; writing 0 asks the pass to stop.
    std::atomic<std::int32_t> m_bRunning{0};
    static constexpr char m_szProgramVersion[] = "1.3.1.0";
    // The open Options dialog, null while it is closed.
    std::atomic<HWND> m_hOptionsWnd{nullptr};

private:
    static DWORD WINAPI ThreadProc(void* param);
    int Run();
    void ReportToOptionsDialog();

    mutable std::mutex m_lock;  // guards m_szDbVersion and m_threadHandle
    char m_szDbVersion[100] = {};
    // Owner of the handle published in m_hThread; closed when the next pass
    // starts, so nobody waiting on a running pass holds a closed handle.
    UniqueKernelHandle m_threadHandle;
};

}  // namespace karvex
