// The full-list loader on any text: it loads or refuses, whole.
#include <cstdio>
#include <cstdlib>

#include "client/update/signature_db.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    std::string path = fuzz::InputFile("list", data, size);
    RunningFlag running{1};
    CSignatureDb db;
    if (db.LoadFullList(path.c_str(), running)) {
        // Every record takes at least "+", 32 digits and its end, after a header.
        std::size_t count = 0;
        for (std::size_t b = 0; b < CSignatureDb::kBucketCount; ++b) {
            for (const RECORD_NODE* node = db.m_pBuckets[b]; node != nullptr; node = node->pNext) {
                if (BucketOf(node->record) != b)
                    std::abort();
                ++count;
            }
        }
        if (count * 33 > size)
            std::abort();
    } else if (db.m_pBuckets != nullptr) {
        std::abort();  // a failed load keeps nothing
    }
    db.FreeRecords();
    std::remove(path.c_str());
    return 0;
}
