// Owning handle for a C runtime FILE: closed on every path out of a scope.
#pragma once

#include <cstdio>
#include <memory>

namespace karvex {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr OpenFile(const char* path, const char* mode)
{
    return FilePtr(std::fopen(path, mode));
}

}  // namespace karvex
