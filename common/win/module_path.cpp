#include "common/win/module_path.h"

#include <windows.h>

#include "common/text.h"
#include "common/win/ansi_text.h"

namespace karvex {

bool GetProgramPath(char* out, std::size_t size)
{
    DWORD length = ::GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
    // A path that fills the buffer was cut (and may lack its terminator).
    if (length == 0 || length >= size) {
        if (size != 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

bool GetProgramFolder(char* out, std::size_t size)
{
    char path[MAX_PATH];
    if (!GetProgramPath(path, sizeof path))
        return false;
    const char* slash = FindLastBackslash(path);
    if (slash == nullptr)
        return false;
    path[slash - path] = '\0';
    return CopyText(out, size, path);
}

}  // namespace karvex
