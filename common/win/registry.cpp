#include "common/win/registry.h"

#include <cstring>

namespace karvex {

LONG RegKey::Open(HKEY root, const char* path, REGSAM access)
{
    HKEY key = nullptr;
    LONG status = ::RegOpenKeyExA(root, path, 0, access, &key);
    m_key.reset(status == ERROR_SUCCESS ? key : nullptr);
    return status;
}

LONG RegKey::Create(HKEY root, const char* path, REGSAM access)
{
    HKEY key = nullptr;
    LONG status = ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                    &key, nullptr);
    m_key.reset(status == ERROR_SUCCESS ? key : nullptr);
    return status;
}

LONG RegKey::QueryDword(const char* name, DWORD& value) const
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG status = ::RegQueryValueExA(m_key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                     &size);
    if (status != ERROR_SUCCESS)
        return status;
    if (type != REG_DWORD || size != sizeof data)
        return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LONG RegKey::QueryText(const char* name, char* buffer, std::size_t size) const
{
    if (size == 0)
        return ERROR_INVALID_PARAMETER;
    std::memset(buffer, 0, size);
    DWORD length = static_cast<DWORD>(size);
    LONG status = ::RegQueryValueExA(m_key.get(), name, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer), &length);
    // A value stored without its terminator that fills the whole buffer
    // cannot be terminated: it does not fit either.
    if (status == ERROR_SUCCESS && length == size && buffer[size - 1] != '\0')
        status = ERROR_MORE_DATA;
    if (status != ERROR_SUCCESS)
        std::memset(buffer, 0, size);
    return status;
}

LONG RegKey::SetDword(const char* name, DWORD value) const
{
    return ::RegSetValueExA(m_key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof value);
}

LONG RegKey::SetText(const char* name, const char* text) const
{
    return ::RegSetValueExA(m_key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>(std::strlen(text) + 1));
}

LONG RegKey::DeleteValue(const char* name) const
{
    return ::RegDeleteValueA(m_key.get(), name);
}

DWORD ReadDwordValue(HKEY root, const char* path, const char* name, DWORD fallback)
{
    RegKey key;
    DWORD value = fallback;
    if (key.Open(root, path) == ERROR_SUCCESS)
        key.QueryDword(name, value);
    return value;
}

LONG DeleteKeyTree(HKEY root, const char* path)
{
    RegKey key;
    LONG status = key.Open(root, path);
    if (status != ERROR_SUCCESS)
        return status;
    char child[256];
    for (;;) {
        DWORD length = sizeof child;
        status = ::RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return status;
        status = DeleteKeyTree(key.get(), child);
        if (status != ERROR_SUCCESS)
            return status;
    }
    key = RegKey();
    return ::RegDeleteKeyA(root, path);
}

}  // namespace karvex
