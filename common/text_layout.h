// Laying out the programs' GBK texts in a rectangle: lines are broken only
// between whole characters, so a double-byte character is never split. Needs
// no Windows API; the caller measures with its own font.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace karvex {

// Length in bytes of the character at `text`: 2 for a GBK lead byte followed
// by a second byte, 1 otherwise, 0 at the terminator.
std::size_t GbkCharacterLength(const char* text);

struct TextLine {
    std::size_t offset = 0;  // first byte of the line in the text
    std::size_t length = 0;  // bytes of the line, without its line break
};

// Width in pixels of `length` bytes of text starting at `text`.
using MeasureText = std::function<int(const char* text, std::size_t length)>;

// Whether the character at `text` is punctuation that must not begin a line
// (full-width comma, full stop, colon, closing brackets and quotes...).
bool IsLineStartForbidden(const char* text);

// Breaks `text` into lines no wider than `maxWidth`: at its own line breaks
// ("\n" or "\r\n") and wherever the next character would not fit. Punctuation
// that must not begin a line takes the character before it along. A
// character wider than `maxWidth` on its own takes a line of its own.
std::vector<TextLine> WrapText(const char* text, int maxWidth, const MeasureText& measure);

}  // namespace karvex
