// Stand-in for the protection component karvex.dll: an in-process COM server
// that registers itself the way the client and the installer rely on, and
// protects nothing. It serves no objects.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "common/product.h"
#include "common/text.h"
#include "common/win/registry.h"

using namespace karvex;

namespace {

constexpr char kProgId[] = "Karvex.Protection.1";
constexpr char kDescription[] = "Karvex Browser Protection";

HMODULE g_module = nullptr;

bool SetDefault(HKEY root, const char* path, const char* text)
{
    RegKey key;
    return key.Create(root, path) == ERROR_SUCCESS && key.SetText(nullptr, text) == ERROR_SUCCESS;
}

bool SetNamed(HKEY root, const char* path, const char* name, const char* text)
{
    RegKey key;
    return key.Create(root, path) == ERROR_SUCCESS && key.SetText(name, text) == ERROR_SUCCESS;
}

bool RegisterClassKeys()
{
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_module, path, sizeof path))
        return false;
    char clsidKey[80], serverKey[100], progIdKey[100], progIdClsidKey[100];
    FormatText(clsidKey, sizeof clsidKey, "CLSID\\%s", kComponentClsid);
    FormatText(serverKey, sizeof serverKey, "%s\\InprocServer32", clsidKey);
    FormatText(progIdKey, sizeof progIdKey, "%s\\ProgID", clsidKey);
    FormatText(progIdClsidKey, sizeof progIdClsidKey, "%s\\CLSID", kProgId);
    return SetDefault(HKEY_CLASSES_ROOT, clsidKey, kDescription) &&
           SetDefault(HKEY_CLASSES_ROOT, serverKey, path) &&
           SetNamed(HKEY_CLASSES_ROOT, serverKey, "ThreadingModel", "Apartment") &&
           SetDefault(HKEY_CLASSES_ROOT, progIdKey, kProgId) &&
           SetDefault(HKEY_CLASSES_ROOT, kProgId, kDescription) &&
           SetDefault(HKEY_CLASSES_ROOT, progIdClsidKey, kComponentClsid);
}

// The settings key starts over with the component's initial values only.
bool ResetSettings()
{
    LONG status = DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return false;
    RegKey key;
    return key.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS &&
           key.SetDword("active", 1) == ERROR_SUCCESS && key.SetDword("SEARCH", 1) == ERROR_SUCCESS &&
           key.SetDword("AutoReport", 0) == ERROR_SUCCESS &&
           key.SetDword("AutoUpProgram", 1) == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    return RegisterClassKeys() && ResetSettings() ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    char clsidKey[80];
    FormatText(clsidKey, sizeof clsidKey, "CLSID\\%s", kComponentClsid);
    LONG classStatus = DeleteKeyTree(HKEY_CLASSES_ROOT, clsidKey);
    LONG progIdStatus = DeleteKeyTree(HKEY_CLASSES_ROOT, kProgId);
    auto gone = [](LONG status) { return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND; };
    return gone(classStatus) && gone(progIdStatus) ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return S_OK;
}
