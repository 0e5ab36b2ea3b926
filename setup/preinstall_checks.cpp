#include "setup/preinstall_checks.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "common/component.h"
#include "common/product.h"
#include "common/text.h"
#include "common/win/ansi_text.h"
#include "common/win/handles.h"
#include "common/win/process.h"
#include "common/win/registry.h"
#include "setup/deployment.h"
#include "setup/res/resource.h"
#include "setup/test_seams.h"

namespace karvex {

namespace {

constexpr char kMessageCaption[] = "Karvex";
constexpr char kUninstallFailed[] = "卸载Karvex失败，无法继续安装";

// The access rights of the administrator test's own descriptor.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;

struct SidDeleter {
    void operator()(void* sid) const { ::FreeSid(sid); }
};

// Whether `token` may read an object that grants reading to the group alone:
// true exactly when the token holds the group, enabled.
bool TokenHoldsGroup(HANDLE token, PSID group)
{
    std::vector<BYTE> aclBuffer(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(group) -
                                sizeof(DWORD));
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION2) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION2, kAccessRead | kAccessWrite, group) ||
        !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorGroup(&descriptor, group, FALSE) ||
        !::SetSecurityDescriptorOwner(&descriptor, group, FALSE) || !::IsValidSecurityDescriptor(&descriptor))
        return false;
    GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    PRIVILEGE_SET privileges;
    DWORD privilegesLength = sizeof privileges;
    DWORD granted = 0;
    BOOL status = FALSE;
    return ::AccessCheck(&descriptor, token, kAccessRead, &mapping, &privileges, &privilegesLength,
                         &granted, &status) &&
           status;
}

bool IsUserAdminWhileImpersonating()
{
    UniqueKernelHandle token;
    if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, FALSE, token.put())) {
        if (::GetLastError() != ERROR_NO_TOKEN ||
            !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
            return false;
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID rawGroup = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, AdministratorGroupRid(), 0, 0,
                                    0, 0, 0, 0, &rawGroup))
        return false;
    std::unique_ptr<void, SidDeleter> group(rawGroup);
    return TokenHoldsGroup(token.get(), group.get());
}

void ShowRefusal(const char* text)
{
    ::MessageBoxA(nullptr, text, kMessageCaption, MB_OK);
}

// The installer's own name, as its failure messages are captioned.
void ApplicationName(char* name, std::size_t size)
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        CopyText(name, size, "setup");
        return;
    }
    const char* slash = FindLastBackslash(path);
    CopyWholeCharacters(name, size, slash != nullptr ? slash + 1 : path);
    // A dot is never the second byte of a double-byte character.
    if (char* dot = std::strrchr(name, '.'))
        *dot = '\0';
}

void ShowUninstallFailed()
{
    char caption[MAX_PATH];
    ApplicationName(caption, sizeof caption);
    ::MessageBoxA(nullptr, kUninstallFailed, caption, MB_OK | MB_ICONEXCLAMATION);
}

// Writes the uninstaller out of the package into the temporary folder and
// runs it on the earlier installation, waiting until it has ended.
bool RunEarlierUninstaller()
{
    char uninstaller[MAX_PATH];
    const DWORD length = ::GetTempPathA(sizeof uninstaller, uninstaller);
    if (length == 0 || length >= sizeof uninstaller ||
        !FormatText(uninstaller + length, sizeof uninstaller - length, "uninstall.exe") ||
        !ExtractResourceFile(IDR_UNINSTALLER, uninstaller))
        return false;
    char folder[MAX_PATH];
    if (!GetOldInstallDir(folder, sizeof folder))
        return false;
    // The folder goes between double quotes: one inside it would end it early.
    if (std::strchr(folder, '"') != nullptr)
        return false;
    char commandLine[2 * MAX_PATH + 16];
    if (!FormatText(commandLine, sizeof commandLine, "\"%s\" \"%s\" %d", uninstaller, folder, 0))
        return false;
    const UniqueKernelHandle process = StartProcess(commandLine);
    return process && ::WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
}

}  // namespace

bool IsUserAdmin()
{
    if (!::ImpersonateSelf(SecurityImpersonation))
        return false;
    const bool admin = IsUserAdminWhileImpersonating();
    // The thread never stays impersonating, whatever the answer.
    return ::RevertToSelf() && admin;
}

bool IsVersionTooOld()
{
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS)
        return false;
    BYTE value[64];
    DWORD size = sizeof value;
    const LONG status = ::RegQueryValueExA(key.get(), "id", nullptr, nullptr, value, &size);
    // A longer id than the buffer holds is an id all the same.
    return status != ERROR_SUCCESS && status != ERROR_MORE_DATA;
}

bool GetOldInstallDir(char* folder, std::size_t size)
{
    char keyPath[100];
    if (!FormatText(keyPath, sizeof keyPath, "CLSID\\%s\\InprocServer32", kComponentClsid))
        return false;
    RegKey key;
    if (key.Open(HKEY_CLASSES_ROOT, keyPath, KEY_READ) != ERROR_SUCCESS)
        return false;
    // One byte more than the read may fill, so the text always ends.
    char path[MAX_PATH + 1] = {};
    DWORD pathSize = MAX_PATH;
    if (::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &pathSize) !=
        ERROR_SUCCESS)
        return false;
    const char* slash = FindLastBackslash(path);
    if (slash == nullptr || slash == path)
        return false;
    const std::size_t length = static_cast<std::size_t>(slash - path);
    if (length >= size)
        return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

bool RunPreInstallChecks()
{
    if (!IsUserAdmin()) {
        ShowRefusal("请使用管理员权限安装Karvex");
        return false;
    }
    if (!IsComponentRegistered())
        return true;
    if (::MessageBoxA(nullptr, "安装程序检测到Karvex己经安装，是否要先进行卸载？", kMessageCaption,
                      MB_OKCANCEL) != IDOK)
        return false;
    if (IsVersionTooOld()) {
        ShowRefusal("当前版本过低，请手动卸载后再运行此安装程序");
        return false;
    }
    if (!RunEarlierUninstaller()) {
        ShowUninstallFailed();
        return false;
    }
    return true;
}

}  // namespace karvex
