// Lines of the staging marker "update\ready": one staged program file a line,
// written as "<name> \n". Needs no Windows API.
#pragma once

#include <cstddef>

namespace karvex {

// The file name a marker line stands for: the line cut at its first CR or LF,
// without the blank that ends it. False for an empty name or one that does not
// fit `size`.
bool StagedNameFromLine(const char* line, char* out, std::size_t size);

// Longest program file name the update server may name.
constexpr std::size_t kMaxProgramFileName = 64;

// Whether `name` may name a program file of the install folder: 1 to 64 of
// a-z, 0-9, '.', '_', '-'; not "." or ".."; no trailing dot; no device name
// (con, nul, com1, ... also with an extension); none of the names the install
// folder uses for itself ("ready", "update", "temp", "backup"). Names come
// from the update server, so they are checked before any file is written or moved.
bool IsProgramFileName(const char* name);

}  // namespace karvex
