// Putting a rebuilt database file in the place of the live one so that no
// interruption (the process killed, the session ended, the power cut) leaves
// a file that is neither the old database nor the new one: at every instant
// the live file is one of the two, or carries the mark of a rewrite cut
// short, which the next start or pass repairs. Only the file-system calls
// differ between Windows and POSIX (replace_file_win32.cpp,
// replace_file_posix.cpp); the protocol around them is portable.
#pragma once

#include <cstdint>
#include <cstdio>

namespace karvex {

// Pushes what was written to `file` through to the disk, so that a later
// step cannot reach the disk before it.
bool FlushToDisk(std::FILE* file);

// Puts the file `from` in the place of `to` in one step: afterwards `to` is
// either the old file or the new one, never a mixture. Both lie in one folder.
bool ReplaceFileAtomically(const char* from, const char* to);

// Cuts or extends `file` to `length` bytes.
bool SetFileLength(std::FILE* file, std::uint64_t length);

// Puts the complete, flushed database file `from` in the place of the
// database `to` and deletes `from`. In one atomic replace where the platform
// allows it. Where it is refused (Windows refuses it while another process
// holds `to` open, sharing it for reading and writing, as the protection
// component in a browser does), `to` is rewritten in place, each step flushed
// to disk before the next:
//   1. a copy "<to>.old" is taken;
//   2. `to`'s version words are zeroed: a reader now sees the mark of a
//      rewrite cut short (version 0.0000, which no publisher issues);
//   3. everything after the header is written and the length set;
//   4. the header is written: `to` is the new database;
//   5. "<to>.old" and `from` are deleted.
// When a step of 2-4 fails, `to` is rewritten from "<to>.old" the same way.
// False when `to` is not the new database: the old one again, or marked as
// cut short if even its restore failed (RecoverDatabaseFile then retries).
bool CommitDatabaseFile(const char* from, const char* to);

// Steps 1 to 5 alone, whether or not an atomic replace would be allowed.
bool RewriteDatabaseInPlace(const char* from, const char* to);

// Uses or removes what an interrupted commit left beside `to`: a database
// marked as cut short is put back from a whole "<to>.old"; then "<to>.old"
// and "<to>.new" are deleted. Run before the databases are looked at, at
// start-up and at every pass.
void RecoverDatabaseFile(const char* to);

// Whether the first 12 bytes of a database carry the mark of a rewrite cut short.
bool IsCutShortMark(const unsigned char* header);

}  // namespace karvex
