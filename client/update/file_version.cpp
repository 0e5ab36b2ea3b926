#include "client/update/file_version.h"

#include "common/text.h"

namespace karvex {

namespace {

bool ParsePart(const char*& text, std::uint32_t* part)
{
    const char* start = text;
    std::uint32_t value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + static_cast<std::uint32_t>(*text - '0');
        if (value > 0xFFFF)
            return false;
        ++text;
    }
    *part = value;
    return text != start;
}

bool IsHigher(const FILE_VERSION& a, const FILE_VERSION& b)
{
    return a.dwHigh > b.dwHigh || (a.dwHigh == b.dwHigh && a.dwLow > b.dwLow);
}

}  // namespace

bool ParseFileVersion(const char* text, FILE_VERSION* version)
{
    std::uint32_t parts[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *text++ != '.')
            return false;
        if (!ParsePart(text, &parts[i]))
            return false;
    }
    version->dwHigh = parts[0] << 16 | parts[1];
    version->dwLow = parts[2] << 16 | parts[3];
    return true;
}

void FormatFileVersion(char* out, std::size_t size, const FILE_VERSION& version)
{
    FormatText(out, size, "%u.%u.%u.%u", static_cast<unsigned>(version.dwHigh >> 16),
               static_cast<unsigned>(version.dwHigh & 0xFFFF), static_cast<unsigned>(version.dwLow >> 16),
               static_cast<unsigned>(version.dwLow & 0xFFFF));
}

bool IsFileOutdated(const FILE_VERSION& installed, const FILE_VERSION& wanted)
{
    return installed.dwHigh != wanted.dwHigh || installed.dwLow < wanted.dwLow;
}

bool IsNewerRelease(const char* release, const char* stored, const char* own)
{
    FILE_VERSION offered;
    FILE_VERSION installed;
    if (!ParseFileVersion(release, &offered) || !ParseFileVersion(own, &installed))
        return false;
    // The stored text may lag behind the program (its default is older than
    // any shipped client) or be unreadable; the program's own version counts too.
    FILE_VERSION recorded;
    if (ParseFileVersion(stored, &recorded) && IsHigher(recorded, installed))
        installed = recorded;
    return IsHigher(offered, installed);
}

}  // namespace karvex
