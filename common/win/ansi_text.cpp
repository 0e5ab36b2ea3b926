#include "common/win/ansi_text.h"

#include <windows.h>

namespace karvex {

const char* FindLastBackslash(const char* path)
{
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; p = ::CharNextA(p)) {
        if (*p == '\\')
            last = p;
    }
    return last;
}

bool CopyWholeCharacters(char* dst, std::size_t size, const char* src)
{
    if (size == 0)
        return false;
    std::size_t used = 0;
    const char* p = src;
    while (*p != '\0') {
        const char* next = ::CharNextA(p);
        const std::size_t length = std::size_t(next - p);
        if (used + length + 1 > size)
            break;
        for (std::size_t i = 0; i < length; ++i)
            dst[used++] = p[i];
        p = next;
    }
    dst[used] = '\0';
    return *p == '\0';
}

}  // namespace karvex
