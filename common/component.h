// The protection component: is it registered, and registering it from a file.
// Shared by the client and the installer.
#pragma once

#include <guiddef.h>

namespace karvex {

// {003EC9C6-063F-4691-B7FA-0B00ED152BEF}, kComponentClsid as text.
constexpr CLSID CLSID_KarvexComponent = {
    0x003EC9C6, 0x063F, 0x4691, {0xB7, 0xFA, 0x0B, 0x00, 0xED, 0x15, 0x2B, 0xEF}};

// Whether the component's class has a ProgID. Needs OLE on the calling thread.
bool IsComponentRegistered();

// Loads the library at `path` and runs its DllRegisterServer; true on S_OK.
bool RegisterComponent(const char* path);

}  // namespace karvex
