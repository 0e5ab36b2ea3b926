#include "client/update/download_callback.h"

#include "client/update/download_rules.h"
#include "client/update/options_pass_view.h"

namespace karvex {

CDownloadCallback::CDownloadCallback(const std::atomic<HWND>* optionsWindow, const RunningFlag* running)
    : m_phOptionsWnd(optionsWindow), m_pbRunning(running)
{
}

STDMETHODIMP CDownloadCallback::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
        *object = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CDownloadCallback::AddRef()
{
    return ++m_nRefs;
}

STDMETHODIMP_(ULONG) CDownloadCallback::Release()
{
    const ULONG refs = --m_nRefs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP CDownloadCallback::OnStartBinding(DWORD, IBinding*)
{
    return S_OK;
}

STDMETHODIMP CDownloadCallback::GetPriority(LONG*)
{
    return S_OK;
}

STDMETHODIMP CDownloadCallback::OnLowResource(DWORD)
{
    return S_OK;
}

STDMETHODIMP CDownloadCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR)
{
    const COptionsPassView view(m_phOptionsWnd->load());
    int percent = 0;
    switch (statusCode) {
    case BINDSTATUS_BEGINDOWNLOADDATA:
        view.SetProgressRange();
        break;
    case BINDSTATUS_DOWNLOADINGDATA:
        view.SetProgressRange();
        if (ProgressPercent(progress, progressMax, &percent))
            view.SetProgressPosition(percent);
        break;
    case BINDSTATUS_ENDDOWNLOADDATA:
        view.SetProgressRange();
        view.SetProgressPosition(100);
        break;
    default:
        break;
    }
    return m_pbRunning->load() == 0 ? E_ABORT : S_OK;
}

STDMETHODIMP CDownloadCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    return S_OK;
}

STDMETHODIMP CDownloadCallback::GetBindInfo(DWORD* flags, BINDINFO*)
{
    if (flags != nullptr)
        *flags = 0;
    return S_OK;
}

STDMETHODIMP CDownloadCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return S_OK;
}

STDMETHODIMP CDownloadCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return S_OK;
}

}  // namespace karvex
