// A registry key opened for one access and closed again when it goes out of
// scope. Every call returns the Reg* error code; nothing reads GetLastError.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/win/handles.h"

namespace karvex {

class RegKey {
public:
    LONG Open(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS);
    LONG Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS);
    bool IsOpen() const { return static_cast<bool>(m_key); }
    HKEY get() const { return m_key.get(); }

    // Reads a REG_DWORD of four bytes. Anything else (missing, another type or
    // size) is an error and leaves `value` unchanged.
    LONG QueryDword(const char* name, DWORD& value) const;
    // Reads a value of any type as text into `buffer` (`size` bytes): always
    // terminated, and empty on any error, including a value that does not fit.
    LONG QueryText(const char* name, char* buffer, std::size_t size) const;

    LONG SetDword(const char* name, DWORD value) const;
    LONG SetText(const char* name, const char* text) const;
    LONG DeleteValue(const char* name) const;

private:
    UniqueHandle<RegKeyTraits> m_key;
};

// Reads a DWORD value of a key that is opened for this one read; `fallback`
// when the key or the value cannot be read.
DWORD ReadDwordValue(HKEY root, const char* path, const char* name, DWORD fallback);

// Deletes a key with all its subkeys.
LONG DeleteKeyTree(HKEY root, const char* path);

}  // namespace karvex
