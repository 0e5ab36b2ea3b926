// Four-part program versions "a.b.c.d", as the manifest names them and as a
// file's version resource holds them. Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvex {

// a.b.c.d as the two 32-bit halves of a fixed file version:
// high = a * 65536 + b, low = c * 65536 + d.
struct FILE_VERSION {
    std::uint32_t dwHigh = 0;
    std::uint32_t dwLow = 0;
};

inline bool operator==(const FILE_VERSION& a, const FILE_VERSION& b)
{
    return a.dwHigh == b.dwHigh && a.dwLow == b.dwLow;
}

// Reads four decimal numbers, one at the start and one after each of the next
// three dots; text after the fourth is ignored. Each number must have digits
// and fit the 16 bits a version resource gives it.
bool ParseFileVersion(const char* text, FILE_VERSION* version);

// "%d.%d.%d.%d"; `out` holds at least 24 bytes.
void FormatFileVersion(char* out, std::size_t size, const FILE_VERSION& version);

// Whether an installed file of version `installed` must be replaced by the
// manifest's `wanted`: a different high part in either direction, or the same
// high part with a lower low part. A newer low part is kept.
bool IsFileOutdated(const FILE_VERSION& installed, const FILE_VERSION& wanted);

// Whether a program release is newer than what is installed: the higher of
// the version the registry records (`stored`, may be unreadable) and the
// running program's own version.
bool IsNewerRelease(const char* release, const char* stored, const char* own);

}  // namespace karvex
