// Owner of a C runtime file: closed exactly once, on every path.
#pragma once

#include <cstdio>
#include <memory>

namespace karvex {

struct StdFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueStdFile = std::unique_ptr<std::FILE, StdFileCloser>;

}  // namespace karvex
