// The difference loader on any text, over a record set that already holds
// records, some of them in one chain.
#include <cstdio>
#include <cstdlib>

#include "client/update/signature_db.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    std::string path = fuzz::InputFile("difference", data, size);
    RunningFlag running{1};
    CSignatureDb db;
    for (std::uint32_t i = 0; i < 8; ++i) {
        if (!db.Insert(SIGNATURE_RECORD{{i % 2, i, 0, 0}}))
            std::abort();
    }
    db.ApplyDifference(path.c_str(), running);
    for (std::size_t b = 0; b < CSignatureDb::kBucketCount; ++b) {
        for (const RECORD_NODE* node = db.m_pBuckets[b]; node != nullptr; node = node->pNext) {
            if (BucketOf(node->record) != b)
                std::abort();
        }
    }
    db.FreeRecords();
    std::remove(path.c_str());
    return 0;
}
