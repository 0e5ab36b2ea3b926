// The bytes of a resource of the running program, where the loader mapped
// them: read-only, and valid for as long as the program runs, so nothing is
// freed.
#pragma once

#include <windows.h>

namespace karvex {

struct RESOURCE_BYTES {
    const unsigned char* pData = nullptr;  // null when there is no such resource
    DWORD nSize = 0;
};

// Resource `name` of `type` in the program's own module (names and types may
// be numbers, as MAKEINTRESOURCEA makes them).
RESOURCE_BYTES ResourceBytes(const char* name, const char* type);

}  // namespace karvex
