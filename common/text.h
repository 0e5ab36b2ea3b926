// Bounded text handling for the fixed-size buffers the programs use.
// Every function always terminates its output and never writes past `size`.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace karvex {

// Copies `src` into `dst` (capacity `size` bytes, terminator included).
// Returns false when `src` had to be cut.
bool CopyText(char* dst, std::size_t size, const char* src);

// snprintf that reports truncation: false when the text did not fit
// (the buffer then holds the cut text) or the format failed (empty text).
bool FormatText(char* dst, std::size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
bool FormatTextV(char* dst, std::size_t size, const char* format, std::va_list args);

// Reads a non-negative decimal number that fits 32 bits at `text` and moves
// `text` past its digits. False when there is no digit or the number is too
// large.
bool ParseDecimal(const char*& text, std::int32_t* value);

template <std::size_t N>
bool CopyText(char (&dst)[N], const char* src) { return CopyText(dst, N, src); }

}  // namespace karvex
