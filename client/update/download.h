// The download transport: one URL into one file, over WinINet with the
// system's proxy settings, telling apart what the server answered.
#pragma once

#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <cstdint>

#include "client/update/crypto.h"
#include "client/update/signature_db.h"

namespace karvex {

struct DOWNLOAD_OPTIONS {
    std::uint64_t nLimit = 0;                  // largest body accepted
    IBindStatusCallback* pCallback = nullptr;  // progress and cancel; null for none
    const RunningFlag* pRunning = nullptr;     // the download is given up once it is 0
    // When set, they receive the body's SHA-256 and length, taken while it
    // was written, so the file need not be read again to check it.
    SHA256_DIGEST* pDigest = nullptr;
    std::uint64_t* pSize = nullptr;
};

// Removes any cached copy of `url`, so the next download asks the server.
void PurgeUrlCache(const char* url);

// Purges `url` and downloads it into `path` (created or overwritten). Returns
// S_OK with the whole body in the file for a 2xx answer of at most nLimit
// bytes; INET_E_OBJECT_NOT_FOUND for 404; HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)
// for a longer answer (announced, or found by reading no further than the
// limit); E_ABORT when stopped (running flag or callback); another negative
// code for any other failure. On every failure no error page or partial body
// is left: a file made by this call is deleted, one the caller made (an
// exclusively created temporary name) emptied, or deleted after a stop.
//
// The transfer runs on a thread of its own while the caller waits and looks
// at the running flag every few tens of milliseconds, so a stop takes effect
// at once even where the platform cannot interrupt a blocking call (a server
// that never answers): the caller returns and the transfer thread is left to
// end with its connection, writing nothing more. Transfer threads are kept
// for the next download once they are done.
HRESULT DownloadToFile(const char* url, const char* path, const DOWNLOAD_OPTIONS& options);

}  // namespace karvex
