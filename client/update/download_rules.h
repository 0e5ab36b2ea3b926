// Rules of the download transport that need no Windows API: what an HTTP
// answer counts as, how large an answer may be, what progress a report shows.
#pragma once

#include <cstdint>

namespace karvex {

enum class HttpOutcome { kSuccess, kNotFound, kFailure };

// 2xx is success (with the whole body), 404 "no such file", anything else a
// failure whose body is not kept.
HttpOutcome ClassifyHttpStatus(std::uint32_t status);

// The largest answers accepted: the manifest, the busy probe and the
// statistics ping are a few lines; lists and program files tens of MB.
constexpr std::uint64_t kSmallAnswerLimit = 16 * 1024;
constexpr std::uint64_t kLargeFileLimit = 64 * 1024 * 1024;

// A transfer that receives nothing for this long fails.
constexpr std::uint32_t kReceiveTimeoutMs = 60 * 1000;

// The bar position for `progress` of `progressMax` bytes: 0..100, computed
// without overflow; false when the total is unknown (0).
bool ProgressPercent(std::uint32_t progress, std::uint32_t progressMax, int* percent);

}  // namespace karvex
