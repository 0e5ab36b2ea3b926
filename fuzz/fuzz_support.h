// A private scratch folder for one fuzzing process and a way to hand the
// input to code that reads files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace karvex::fuzz {

inline const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/karvex-fuzz.XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        std::string made = pattern;
        static std::string removed = made;
        std::atexit([] { rmdir(removed.c_str()); });
        return made;
    }();
    return folder;
}

inline std::string ScratchPath(const char* name)
{
    return ScratchFolder() + "/" + name;
}

// Writes the input into the scratch file `name` and returns its path.
inline std::string InputFile(const char* name, const std::uint8_t* data, std::size_t size)
{
    std::string path = ScratchPath(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    return path;
}

inline bool FileExists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

}  // namespace karvex::fuzz
