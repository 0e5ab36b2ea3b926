// Addresses of everything the updater fetches or opens, built from the host
// names of common/servers.h, and the random order in which the update servers
// are tried. Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>

#include "client/update/manifest.h"

namespace karvex {

// The four update bases, in this fixed order: the web site's "/ieupdate",
// update servers 1 and 2 with "/ieupdate", update server 3 bare. No base ends
// in a slash; every update address is a base and a path.
constexpr std::size_t kUpdateBaseCount = 4;
extern const char* const kUpdateBases[kUpdateBaseCount];

// "http://" + statistics server + "/count?ID=" + the identifier.
bool BuildStatisticsUrl(char* out, std::size_t size, const char* id);
// "http://" + web site + "/down.html".
const char* DownloadPageUrl();

// The paths under a base of one outdated item's files. Databases: the
// difference from `installedVersion` to the item's version first
// ("diff/<installed>-<new>"), then the full list ("<new>"; url.db without
// extension, adv.db ".adv", qua.db ".qua"). Program files: "file/<name>"
// both. False when a path does not fit its buffer.
bool BuildItemPaths(const UPDATE_ITEM& item, const char* installedVersion, char* full, std::size_t fullSize,
                    char* first, std::size_t firstSize);

// The address of `path` under `base`.
bool BuildUrl(char* out, std::size_t size, const char* base, const char* path);

// Fills `order` with 0..n-1 and mixes it with exactly 50 swaps of two
// positions drawn from a generator seeded with `seed` (the tick count).
void ShuffleOrder(std::size_t* order, std::size_t n, std::uint32_t seed);

}  // namespace karvex
