// The update index reader on any download: an index it takes names each file
// and database once, by plain paths under the base, and reads back the same
// once written out again. The check against the client's built-in key agrees
// with the reader on what is malformed and takes only what the key signed.
#include <cstdlib>
#include <string>

#include "client/update/rsa_key.h"
#include "client/update/update_index.h"
#include "update_key.h"

namespace {

std::string Text(const karvex::UPDATE_INDEX& index)
{
    return karvex::FormatIndexBody(index) + karvex::FormatSignatureLine(index.signature);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace karvex;
    static const RSA_KEY key = [] {
        RSA_KEY built;
        if (!ParsePublicKeyPem(kUpdatePublicKeyPem, &built))
            std::abort();
        return built;
    }();
    const char* text = reinterpret_cast<const char*>(data);
    UPDATE_INDEX index;
    const bool parsed = ParseUpdateIndex(text, size, &index);
    if (parsed) {
        if (index.signature.empty() || index.signedLength >= size)
            std::abort();
        for (const INDEX_FILE& file : index.files) {
            if (!IsIndexPath(file.path) || index.FindFile(file.path.c_str()) != &file)
                std::abort();
        }
        for (const INDEX_DATABASE& db : index.databases) {
            if (index.FindDatabase(db.name.c_str(), db.version.c_str()) != &db)
                std::abort();
        }
        const std::string again = Text(index);
        UPDATE_INDEX reread;
        if (!ParseUpdateIndex(again.data(), again.size(), &reread) || Text(reread) != again)
            std::abort();
    }
    // Time 0 and no serial taken before: only the key decides.
    UPDATE_INDEX checked;
    const IndexCheck result = CheckUpdateIndex(text, size, key, 0, 0, &checked);
    if ((result == IndexCheck::kMalformed) == parsed)
        std::abort();
    if (result == IndexCheck::kAccepted && Text(checked) != Text(index))
        std::abort();
    return 0;
}
