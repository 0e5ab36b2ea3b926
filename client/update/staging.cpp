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

bool IsProgramFileName(const char* name)
{
    const std::size_t length = std::strlen(name);
    if (length == 0 || length > kMaxProgramFileName || name[length - 1] == '.')
        return false;
    if (std::strspn(name, "abcdefghijklmnopqrstuvwxyz0123456789._-") != length)
        return false;
    // Windows opens a device for these base names, whatever the extension.
    const std::size_t base = std::strcspn(name, ".");
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* device : kDevices) {
        if (base == 3 && std::strncmp(name, device, 3) == 0)
            return false;
    }
    if (base == 4 && (std::strncmp(name, "com", 3) == 0 || std::strncmp(name, "lpt", 3) == 0) &&
        name[3] >= '0' && name[3] <= '9')
        return false;
    static const char* const kReserved[] = {"ready", "update", "temp", "backup"};
    for (const char* reserved : kReserved) {
        if (std::strcmp(name, reserved) == 0)
            return false;
    }
    // "." and ".." end in a dot and were refused above.
    return true;
}

}  // namespace karvex
