// Putting a rewritten database file in the place of the live one. Only the
// file-system calls differ between Windows and POSIX (replace_file_win32.cpp,
// replace_file_posix.cpp); the fallback around them is portable.
#pragma once

#include <cstdint>
#include <cstdio>

namespace karvex {

// Pushes what was written to `file` through to the disk, so that a later
// replace cannot leave an empty or partial file behind after a power cut.
bool FlushToDisk(std::FILE* file);

// Puts the file `from` in the place of `to` in one step: afterwards `to` is
// either the old file or the new one, never a mixture. Both lie in one folder.
bool ReplaceFileAtomically(const char* from, const char* to);

// Cuts or extends `file` to `length` bytes.
bool SetFileLength(std::FILE* file, std::uint64_t length);

// Puts the complete file `from` in the place of `to` and deletes `from`. An
// atomic replace where the platform allows it. Where it is refused (Windows
// refuses it while another process holds `to` open, as the protection
// component in a browser does, sharing it for reading and writing), `to` is
// rewritten in place from `from`; if that fails part-way, `to` is rewritten
// from a copy of it taken just before. False when `to` is the old file (or,
// if even that rewrite failed, when its copy is kept as "<to>.old").
bool PutFileInPlace(const char* from, const char* to);

// The fallback of PutFileInPlace: rewrites the existing file `to` in place
// with the bytes of `from` (then deletes `from`), putting `to` back from a
// copy taken first when the rewrite fails part-way.
bool RewriteWithRestore(const char* from, const char* to);

}  // namespace karvex
