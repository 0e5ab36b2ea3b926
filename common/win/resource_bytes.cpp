#include "common/win/resource_bytes.h"

namespace karvex {

RESOURCE_BYTES ResourceBytes(const char* name, const char* type)
{
    RESOURCE_BYTES bytes;
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, name, type);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
    bytes.pData = loaded != nullptr ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (bytes.pData != nullptr)
        bytes.nSize = ::SizeofResource(module, found);
    return bytes;
}

}  // namespace karvex
