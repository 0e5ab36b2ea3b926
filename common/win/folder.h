// Emptying a folder of its files.
#pragma once

namespace karvex {

// Deletes the files directly inside `folder`; sub-folders and the folder
// itself stay. True when no file is left that could not be deleted.
bool DeleteFilesIn(const char* folder);

}  // namespace karvex
