// The two file-system steps that differ between Windows and POSIX when a
// database is rewritten: everything else about it is portable.
#pragma once

#include <cstdio>

namespace karvex {

// Pushes what was written to `file` through to the disk, so that a later
// replace cannot leave an empty or partial file behind after a power cut.
bool FlushToDisk(std::FILE* file);

// Puts the file `from` in the place of `to` in one step: afterwards `to` is
// either the old file or the new one, never a mixture. Both lie in one folder.
bool ReplaceFileAtomically(const char* from, const char* to);

}  // namespace karvex
