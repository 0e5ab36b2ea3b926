// Lines of the staging marker "update\ready": one staged program file a line,
// written as "<name> \n". Needs no Windows API.
#pragma once

#include <cstddef>

namespace karvex {

// The file name a marker line stands for: the line cut at its first CR or LF,
// without the blank that ends it. False for an empty name or one that does not
// fit `size`.
bool StagedNameFromLine(const char* line, char* out, std::size_t size);

// Whether `name` names a file directly inside a folder: not empty, no path
// separator or drive, not "." or "..". Staged names come from the update
// server, so they are checked before any file is moved.
bool IsPlainFileName(const char* name);

}  // namespace karvex
