#include "common/component.h"

#include <windows.h>
#include <objbase.h>

#include "common/win/handles.h"

namespace karvex {

bool IsComponentRegistered()
{
    LPOLESTR progId = nullptr;
    if (FAILED(::ProgIDFromCLSID(CLSID_KarvexComponent, &progId)))
        return false;
    ComPtr<IMalloc> allocator;
    if (SUCCEEDED(::CoGetMalloc(MEMCTX_TASK, allocator.put())))
        allocator->Free(progId);
    return true;
}

bool RegisterComponent(const char* path)
{
    UniqueLibrary library(::LoadLibraryA(path));
    if (!library)
        return false;
    using RegisterServerFn = HRESULT(STDAPICALLTYPE*)();
    auto registerServer = reinterpret_cast<RegisterServerFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "DllRegisterServer")));
    if (registerServer == nullptr)
        return false;
    return registerServer() == S_OK;
}

}  // namespace karvex
