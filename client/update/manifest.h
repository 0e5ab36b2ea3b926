// The version manifest "current.ver": one item a line, naming the newest
// version of each database, program file and program release. Needs no
// Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace karvex {

enum ItemKind : std::int32_t {
    kItemUrlDb = 1,      // major.minor.mal
    kItemAdvDb = 2,      // major.minor.adv
    kItemQuaDb = 3,      // major.minor.qua
    kItemProgramFile = 4,  // a.b.c.d#name
    kItemRelease = 5,      // a.b.c.d@name
};

struct UPDATE_ITEM {
    char szVersion[260];  // "%ld.%04ld" for databases, "%d.%d.%d.%d" for programs
    char szName[260];     // database file name, or the program file named by the line
    std::int32_t nKind;
};

// Parses one lower-cased manifest line without its line end. A line of no
// known form, with a malformed version or with a program name that is not a
// plain lower-case file name (IsProgramFileName) is refused.
bool ParseManifestLine(const char* line, UPDATE_ITEM* item);

// Lines are read into a buffer of this size; a longer line is dropped whole.
constexpr std::size_t kManifestLineBuffer = 280;

// Reads the next line of `file` into `line`, without its LF; a line that does
// not fit `size` bytes with its terminator (a CR before the LF aside) is
// skipped whole rather than read in pieces, and so is a line holding a NUL
// byte, which no text line has. `lines` counts every line passed. False at
// the end of the file.
bool ReadWholeLine(std::FILE* file, char* line, std::size_t size, std::size_t* lines);

// Reads a manifest file: each line cut at its first CR or LF, empty lines
// skipped, A-Z lower-cased, then parsed. Returns the accepted items in file
// order; `lines` gets the number of lines read (0 for an empty file).
std::vector<UPDATE_ITEM> ReadManifest(std::FILE* file, std::size_t* lines);

}  // namespace karvex
