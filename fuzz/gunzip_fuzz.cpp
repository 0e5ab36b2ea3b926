// The decompressor on any download: it decodes or refuses, and a refusal
// leaves no output file.
#include <cstdio>
#include <cstdlib>

#include "client/update/gunzip.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    std::string source = fuzz::InputFile("download", data, size);
    std::string destination = fuzz::ScratchPath("list");
    bool decoded = GunzipFile(source.c_str(), destination.c_str());
    std::FILE* output = std::fopen(destination.c_str(), "rb");
    if ((output != nullptr) != decoded)
        std::abort();
    if (output != nullptr)
        std::fclose(output);
    std::remove(destination.c_str());
    std::remove(source.c_str());
    return 0;
}
