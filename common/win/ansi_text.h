// Text in the ANSI code page (GBK for the shipped texts). GBK has double-byte
// characters whose second byte is a backslash, so texts are walked by
// character (CharNextA), never searched or cut byte by byte.
#pragma once

#include <cstddef>

namespace karvex {

// The last backslash that is a character of its own, or null.
const char* FindLastBackslash(const char* path);

// Copies as many whole characters of `src` as fit into `dst` (`size` bytes,
// terminator included). Returns false when `src` had to be cut.
bool CopyWholeCharacters(char* dst, std::size_t size, const char* src);

}  // namespace karvex
