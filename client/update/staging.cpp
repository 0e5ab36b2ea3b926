#include "client/update/staging.h"

#include <cstring>

namespace karvex {

bool StagedNameFromLine(const char* line, char* out, std::size_t size)
{
    std::size_t length = std::strcspn(line, "\r\n");
    if (length > 0 && line[length - 1] == ' ')
        --length;
    if (length == 0 || length >= size)
        return false;
    std::memcpy(out, line, length);
    out[length] = '\0';
    return true;
}

bool IsPlainFileName(const char* name)
{
    if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strpbrk(name, "\\/:") == nullptr;
}

}  // namespace karvex
