#include "client/update/download.h"

#include <atomic>
#include <string>

#include "client/update/download_rules.h"
#include "common/file_steps.h"
#include "common/win/handles.h"

namespace karvex {

namespace {

// Answers the servers see: the agent of the browser the client runs beside.
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
// How often a waiting caller looks at the running flag and the progress.
constexpr DWORD kPollMs = 25;

struct InternetHandleTraits {
    using pointer = HINTERNET;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::InternetCloseHandle(h); }
};
using UniqueInternet = UniqueHandle<InternetHandleTraits>;

HRESULT LastError()
{
    const DWORD error = ::GetLastError();
    return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// What the caller and the transfer thread share. Each holds one reference;
// the last one to let go deletes it, so a caller that stops waiting leaves
// the thread everything it still uses.
struct TRANSFER {
    std::atomic<LONG> nRefs{2};
    std::string url;
    std::uint64_t nLimit = 0;
    UniqueFile file;             // the thread's: closed (emptied on failure) before it signals
    UniqueKernelHandle hDone;    // set when the thread has finished with the file
    std::atomic<bool> bAbandoned{false};
    std::atomic<std::uint64_t> nLength{0};    // announced, 0 when not
    std::atomic<std::uint64_t> nReceived{0};
    std::atomic<bool> bBegun{false};         // the answer's body is coming
    HRESULT result = E_FAIL;                  // valid once hDone is set

    void Release()
    {
        if (--nRefs == 0)
            delete this;
    }
};

// The body of an accepted answer into the transfer's file.
HRESULT ReceiveBody(HINTERNET request, TRANSFER& transfer)
{
    transfer.bBegun = true;
    std::uint64_t total = 0;
    char buffer[64 * 1024];
    for (;;) {
        if (transfer.bAbandoned)
            return E_ABORT;
        // Asking what is there first lets a slow answer come in small pieces;
        // a plain read would wait for a full buffer.
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(request, &available, 0, 0))
            return LastError();
        if (available == 0)
            break;
        while (available > 0) {
            DWORD got = 0;
            // Never more than one byte past the limit is asked for: a longer
            // answer is refused without reading the rest.
            std::uint64_t wanted = available < sizeof buffer ? available : sizeof buffer;
            if (wanted > transfer.nLimit - total + 1)
                wanted = transfer.nLimit - total + 1;
            if (!::InternetReadFile(request, buffer, static_cast<DWORD>(wanted), &got))
                return LastError();
            if (got == 0)
                break;
            available -= got < available ? got : available;
            total += got;
            if (total > transfer.nLimit)
                return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
            if (transfer.bAbandoned)
                return E_ABORT;
            FileStep("download piece written");
            DWORD written = 0;
            if (!::WriteFile(transfer.file.get(), buffer, got, &written, nullptr) || written != got)
                return LastError();
            transfer.nReceived = total;
        }
    }
    // A connection that closes early ends the data too: only the announced
    // length counts as the whole body.
    const std::uint64_t length = transfer.nLength;
    if (length != 0 && total != length)
        return INET_E_DOWNLOAD_FAILURE;
    return S_OK;
}

// `session` and `request` are the caller's, so that they can outlive the result.
HRESULT Transfer(TRANSFER& transfer, UniqueInternet& session, UniqueInternet& request)
{
    session.reset(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return LastError();
    DWORD timeout = kReceiveTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(session.get(), option, &timeout, sizeof timeout);

    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    request.reset(::InternetOpenUrlA(session.get(), transfer.url.c_str(), nullptr, 0, flags, 0));
    if (!request)
        return LastError();
    if (transfer.bAbandoned)
        return E_ABORT;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return INET_E_DOWNLOAD_FAILURE;
    switch (ClassifyHttpStatus(status)) {
    case HttpOutcome::kNotFound:
        return INET_E_OBJECT_NOT_FOUND;
    case HttpOutcome::kFailure:
        return INET_E_DOWNLOAD_FAILURE;
    case HttpOutcome::kSuccess:
        break;
    }
    char text[32] = "";
    size = sizeof text;
    std::uint64_t length = 0;
    if (::HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
        for (const char* p = text; *p >= '0' && *p <= '9' && length <= transfer.nLimit; ++p)
            length = length * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    if (length > transfer.nLimit)
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    transfer.nLength = length;
    return ReceiveBody(request.get(), transfer);
}

DWORD WINAPI TransferThread(void* param)
{
    TRANSFER& transfer = *static_cast<TRANSFER*>(param);
    UniqueInternet session;
    UniqueInternet request;
    transfer.result = Transfer(transfer, session, request);
    if (transfer.result != S_OK) {
        // No error page and no partial body stays behind.
        ::SetFilePointer(transfer.file.get(), 0, nullptr, FILE_BEGIN);
        ::SetEndOfFile(transfer.file.get());
    }
    transfer.file.reset();
    ::SetEvent(transfer.hDone.get());
    // Closed only once the caller has its result: Wine reads the rest of an
    // answer left unread (a refused one) when its request closes, to reuse
    // the connection, and a fast server's endless body never ends.
    request.reset();
    session.reset();
    transfer.Release();
    return 0;
}

bool IsStopped(const DOWNLOAD_OPTIONS& options)
{
    return options.pRunning != nullptr && options.pRunning->load() == 0;
}

HRESULT Report(const DOWNLOAD_OPTIONS& options, std::uint64_t progress, std::uint64_t total, ULONG status)
{
    if (options.pCallback == nullptr)
        return S_OK;
    // The interface counts in 32 bits; the caps keep real sizes far below.
    const HRESULT answer = options.pCallback->OnProgress(static_cast<ULONG>(progress), static_cast<ULONG>(total),
                                                         status, nullptr);
    return answer == E_ABORT ? E_ABORT : S_OK;
}

// Waits for the transfer, reporting progress and watching for a stop, on the
// caller's thread. E_ABORT when the caller stopped waiting.
HRESULT Wait(TRANSFER& transfer, const DOWNLOAD_OPTIONS& options)
{
    bool begun = false;
    std::uint64_t reported = 0;
    for (;;) {
        const bool done = ::WaitForSingleObject(transfer.hDone.get(), kPollMs) == WAIT_OBJECT_0;
        if (IsStopped(options))
            return E_ABORT;
        if (!begun && transfer.bBegun) {
            begun = true;
            if (Report(options, 0, transfer.nLength, BINDSTATUS_BEGINDOWNLOADDATA) != S_OK)
                return E_ABORT;
        }
        const std::uint64_t received = transfer.nReceived;
        if (received != reported) {
            reported = received;
            if (Report(options, received, transfer.nLength, BINDSTATUS_DOWNLOADINGDATA) != S_OK)
                return E_ABORT;
        }
        if (done)
            break;
    }
    if (transfer.result == S_OK && Report(options, reported, reported, BINDSTATUS_ENDDOWNLOADDATA) != S_OK)
        return E_ABORT;
    return transfer.result;
}

}  // namespace

void PurgeUrlCache(const char* url)
{
    // 80 bytes never hold a real entry: "buffer too small" means there is one.
    alignas(INTERNET_CACHE_ENTRY_INFOA) char entry[80];
    DWORD size = sizeof entry;
    if (::GetUrlCacheEntryInfoA(url, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(entry), &size) ||
        ::GetLastError() != ERROR_FILE_NOT_FOUND)
        ::DeleteUrlCacheEntryA(url);
}

HRESULT DownloadToFile(const char* url, const char* path, const DOWNLOAD_OPTIONS& options)
{
    PurgeUrlCache(url);
    if (IsStopped(options))
        return E_ABORT;
    // A file that is there already is the caller's (a temporary name it made
    // exclusively): it is kept, emptied on failure. One made here goes again.
    const bool existed = ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    auto* transfer = new TRANSFER;
    transfer->url = url;
    transfer->nLimit = options.nLimit;
    FileStep("download created");
    // Delete sharing lets the caller delete it while an abandoned transfer
    // still holds it.
    transfer->file.reset(::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    transfer->hDone.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HRESULT result = !transfer->file ? LastError() : !transfer->hDone ? LastError() : S_OK;
    UniqueKernelHandle thread;
    if (result == S_OK) {
        thread.reset(::CreateThread(nullptr, 0, TransferThread, transfer, 0, nullptr));
        if (!thread)
            result = LastError();
    }
    if (result != S_OK) {
        transfer->file.reset();
        --transfer->nRefs;  // the thread never started
    } else {
        result = Wait(*transfer, options);
        if (result == E_ABORT)
            transfer->bAbandoned = true;
    }
    transfer->Release();
    if (result == S_OK)
        return result;
    // After a stop the thread may still hold the file: deleting works all the
    // same (the name goes once the thread lets go).
    if (!existed || result == E_ABORT)
        ::DeleteFileA(path);
    return result;
}

}  // namespace karvex
