// The download transport: one URL into one file, over WinINet with the
// system's proxy settings, telling apart what the server answered.
#pragma once

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstdint>
#include <mutex>

#include "client/update/signature_db.h"

namespace karvex {

// Lets another thread end the transfer in flight: closing its request makes
// a blocking read return at once (where the platform supports it; elsewhere
// the transfer ends at its next read or its time limit).
class CTransferAbort {
public:
    // Makes `request` the one in flight; false, with nothing taken over, once aborted.
    bool Begin(HINTERNET request);
    // Closes `request` unless Abort has closed it already.
    void End(HINTERNET request);
    // Closes the request in flight and refuses new ones until Reset.
    void Abort();
    void Reset();
    bool IsAborted();

private:
    std::mutex m_lock;
    HINTERNET m_hRequest = nullptr;
    bool m_bAborted = false;
};

struct DOWNLOAD_OPTIONS {
    std::uint64_t nLimit = 0;                     // largest body accepted
    IBindStatusCallback* pCallback = nullptr;     // progress and cancel; null for none
    const RunningFlag* pRunning = nullptr;        // the transfer stops between reads once it is 0
    CTransferAbort* pAbort = nullptr;
};

// Removes any cached copy of `url`, so the next download asks the server.
void PurgeUrlCache(const char* url);

// Purges `url` and downloads it into `path` (created or overwritten). Returns
// S_OK with the whole body in the file for a 2xx answer of at most nLimit
// bytes; INET_E_OBJECT_NOT_FOUND for 404; E_ABORT when stopped (running flag,
// callback or abort); another negative code for any other failure. On every
// failure no error page or partial body is left: a file made by this call is
// deleted, one the caller made (an exclusively created temporary name) emptied.
HRESULT DownloadToFile(const char* url, const char* path, const DOWNLOAD_OPTIONS& options);

}  // namespace karvex
