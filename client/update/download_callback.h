// The progress and cancel object of a file download: it moves the Options
// dialog's progress bar while data comes in and asks the transfer to stop
// once the update worker's running flag drops.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>

#include "client/update/signature_db.h"

namespace karvex {

class CDownloadCallback : public IBindStatusCallback {
public:
    // `optionsWindow` is read at every report, so a dialog opened or closed
    // during the download is followed. The object starts with one reference.
    CDownloadCallback(const std::atomic<HWND>* optionsWindow, const RunningFlag* running);
    CDownloadCallback(const CDownloadCallback&) = delete;
    CDownloadCallback& operator=(const CDownloadCallback&) = delete;

    // IUnknown: the object answers for IUnknown and IBindStatusCallback only.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IBindStatusCallback. Only OnProgress does anything: begin (4) sets the
    // bar's range to 0..100, data (5) also its position, as a percentage of
    // progressMax (unchanged while the size is unknown), end (6) puts it at
    // 100. It answers E_ABORT once the running flag is 0.
    STDMETHODIMP OnStartBinding(DWORD reserved, IBinding* binding) override;
    STDMETHODIMP GetPriority(LONG* priority) override;
    STDMETHODIMP OnLowResource(DWORD reserved) override;
    STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override;
    STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR error) override;
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override;
    STDMETHODIMP OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP OnObjectAvailable(REFIID iid, IUnknown* object) override;

private:
    virtual ~CDownloadCallback() = default;

    std::atomic<ULONG> m_nRefs{1};
    const std::atomic<HWND>* m_phOptionsWnd;
    const RunningFlag* m_pbRunning;
};

}  // namespace karvex
