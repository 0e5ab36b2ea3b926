#include "client/update/update_urls.h"

#include "common/servers.h"
#include "common/text.h"

namespace karvex {

const char* const kUpdateBases[kUpdateBaseCount] = {
    "http://" KARVEX_WEB_HOST "/ieupdate",
    "http://" KARVEX_UPDATE_HOST1 "/ieupdate",
    "http://" KARVEX_UPDATE_HOST2 "/ieupdate",
    "http://" KARVEX_UPDATE_HOST3,
};

bool BuildStatisticsUrl(char* out, std::size_t size, const char* id)
{
    return FormatText(out, size, "http://%s/count?ID=%s", KARVEX_STAT_HOST, id);
}

const char* DownloadPageUrl()
{
    return "http://" KARVEX_WEB_HOST "/down.html";
}

bool BuildItemPaths(const UPDATE_ITEM& item, const char* installedVersion, char* full, std::size_t fullSize,
                    char* first, std::size_t firstSize)
{
    switch (item.nKind) {
    case kItemUrlDb:
        return FormatText(first, firstSize, "diff/%s-%s", installedVersion, item.szVersion) &&
               FormatText(full, fullSize, "%s", item.szVersion);
    case kItemAdvDb:
        return FormatText(first, firstSize, "diff/%s-%s.adv", installedVersion, item.szVersion) &&
               FormatText(full, fullSize, "%s.adv", item.szVersion);
    case kItemQuaDb:
        return FormatText(first, firstSize, "diff/%s-%s.qua", installedVersion, item.szVersion) &&
               FormatText(full, fullSize, "%s.qua", item.szVersion);
    case kItemProgramFile:
        return FormatText(first, firstSize, "file/%s", item.szName) &&
               FormatText(full, fullSize, "file/%s", item.szName);
    default:
        return false;
    }
}

bool BuildUrl(char* out, std::size_t size, const char* base, const char* path)
{
    return FormatText(out, size, "%s/%s", base, path);
}

void ShuffleOrder(std::size_t* order, std::size_t n, std::uint32_t seed)
{
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    if (n == 0)
        return;
    // The C runtime's rand() on Windows, kept here so the order for a seed is
    // the same on every platform.
    std::uint32_t state = seed;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return (state >> 16) & 0x7FFF;
    };
    for (int swap = 0; swap < 50; ++swap) {
        const std::size_t a = next() % n;
        const std::size_t b = next() % n;
        const std::size_t kept = order[a];
        order[a] = order[b];
        order[b] = kept;
    }
}

}  // namespace karvex
