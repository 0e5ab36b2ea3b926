#include "client/update/download.h"

#include "client/update/download_rules.h"
#include "common/win/handles.h"

namespace karvex {

namespace {

// Answers the servers see: the agent of the browser the client runs beside.
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";

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

bool IsStopped(const DOWNLOAD_OPTIONS& options)
{
    return (options.pRunning != nullptr && options.pRunning->load() == 0) ||
           (options.pAbort != nullptr && options.pAbort->IsAborted());
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

// The body of an accepted answer into `file`.
HRESULT ReceiveBody(HINTERNET request, HANDLE file, std::uint64_t length, const DOWNLOAD_OPTIONS& options)
{
    if (Report(options, 0, length, BINDSTATUS_BEGINDOWNLOADDATA) != S_OK)
        return E_ABORT;
    std::uint64_t total = 0;
    char buffer[64 * 1024];
    for (;;) {
        if (IsStopped(options))
            return E_ABORT;
        // Asking what is there first lets a slow answer come in small pieces,
        // so a stop is seen between them; a plain read would wait for a full buffer.
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(request, &available, 0, 0))
            return IsStopped(options) ? E_ABORT : LastError();
        if (available == 0)
            break;
        while (available > 0) {
            DWORD got = 0;
            const DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
            if (!::InternetReadFile(request, buffer, wanted, &got))
                return IsStopped(options) ? E_ABORT : LastError();
            if (got == 0)
                break;
            available -= got < available ? got : available;
            total += got;
            if (total > options.nLimit)
                return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
            DWORD written = 0;
            if (!::WriteFile(file, buffer, got, &written, nullptr) || written != got)
                return LastError();
            if (Report(options, total, length, BINDSTATUS_DOWNLOADINGDATA) != S_OK)
                return E_ABORT;
        }
    }
    // A connection that closes early ends the data too: only the announced
    // length counts as the whole body.
    if (length != 0 && total != length)
        return INET_E_DOWNLOAD_FAILURE;
    return Report(options, total, total, BINDSTATUS_ENDDOWNLOADDATA) != S_OK ? E_ABORT : S_OK;
}

HRESULT Transfer(const char* url, HANDLE file, const DOWNLOAD_OPTIONS& options)
{
    UniqueInternet session(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return LastError();
    DWORD timeout = kReceiveTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(session.get(), option, &timeout, sizeof timeout);

    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
    HINTERNET request = ::InternetOpenUrlA(session.get(), url, nullptr, 0, flags, 0);
    if (request == nullptr)
        return IsStopped(options) ? E_ABORT : LastError();
    CTransferAbort unused;
    CTransferAbort& abort = options.pAbort != nullptr ? *options.pAbort : unused;
    if (!abort.Begin(request)) {
        ::InternetCloseHandle(request);
        return E_ABORT;
    }

    HRESULT result = INET_E_DOWNLOAD_FAILURE;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        switch (ClassifyHttpStatus(status)) {
        case HttpOutcome::kNotFound:
            result = INET_E_OBJECT_NOT_FOUND;
            break;
        case HttpOutcome::kFailure:
            result = INET_E_DOWNLOAD_FAILURE;
            break;
        case HttpOutcome::kSuccess: {
            DWORD length = 0;
            size = sizeof length;
            if (!::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                                  nullptr))
                length = 0;  // not announced
            result = length > options.nLimit ? HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)
                                             : ReceiveBody(request, file, length, options);
            break;
        }
        }
    }
    abort.End(request);
    return result;
}

}  // namespace

bool CTransferAbort::Begin(HINTERNET request)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bAborted)
        return false;
    m_hRequest = request;
    return true;
}

void CTransferAbort::End(HINTERNET request)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_hRequest == request) {
        ::InternetCloseHandle(request);
        m_hRequest = nullptr;
    }
}

void CTransferAbort::Abort()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bAborted = true;
    if (m_hRequest != nullptr) {
        ::InternetCloseHandle(m_hRequest);
        m_hRequest = nullptr;
    }
}

void CTransferAbort::Reset()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bAborted = false;
}

bool CTransferAbort::IsAborted()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bAborted;
}

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
    // Delete sharing lets a client that must end delete it while a stuck
    // transfer still holds it.
    UniqueFile file(::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return LastError();
    const HRESULT result = Transfer(url, file.get(), options);
    if (result == S_OK)
        return result;
    // No error page and no partial body stays behind.
    ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file.get());
    file.reset();
    if (!existed)
        ::DeleteFileA(path);
    return result;
}

}  // namespace karvex
