#include "client/update/download_rules.h"

namespace karvex {

HttpOutcome ClassifyHttpStatus(std::uint32_t status)
{
    if (status >= 200 && status <= 299)
        return HttpOutcome::kSuccess;
    return status == 404 ? HttpOutcome::kNotFound : HttpOutcome::kFailure;
}

bool ProgressPercent(std::uint32_t progress, std::uint32_t progressMax, int* percent)
{
    if (progressMax == 0)
        return false;
    const std::uint64_t scaled = static_cast<std::uint64_t>(progress) * 100 / progressMax;
    *percent = static_cast<int>(scaled > 100 ? 100 : scaled);
    return true;
}

}  // namespace karvex
