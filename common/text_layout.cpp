#include "common/text_layout.h"

namespace karvex {

namespace {

// Start of the character before `pos`, walking whole characters from `from`.
std::size_t PreviousCharacter(const char* text, std::size_t from, std::size_t pos)
{
    std::size_t previous = from;
    for (std::size_t p = from; p < pos; p += GbkCharacterLength(text + p))
        previous = p;
    return previous;
}

}  // namespace

std::size_t GbkCharacterLength(const char* text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead == 0)
        return 0;
    // A lead byte at the very end of a text has no second byte to pair with.
    if (lead >= 0x81 && lead <= 0xFE && text[1] != '\0')
        return 2;
    return 1;
}

bool IsLineStartForbidden(const char* text)
{
    // GBK codes of ，。、；：！？）》」』”’ and the full-width period.
    static const unsigned short kForbidden[] = {0xA3AC, 0xA1A3, 0xA1A2, 0xA3BB, 0xA3BA, 0xA3A1, 0xA3BF,
                                                0xA3A9, 0xA1B7, 0xA1B9, 0xA1BB, 0xA1B1, 0xA1AF, 0xA3AE};
    if (GbkCharacterLength(text) != 2)
        return false;
    const auto code = static_cast<unsigned short>(static_cast<unsigned char>(text[0]) << 8 |
                                                  static_cast<unsigned char>(text[1]));
    for (unsigned short forbidden : kForbidden) {
        if (code == forbidden)
            return true;
    }
    return false;
}

std::vector<TextLine> WrapText(const char* text, int maxWidth, const MeasureText& measure)
{
    std::vector<TextLine> lines;
    TextLine line;
    std::size_t pos = 0;
    for (;;) {
        const char c = text[pos];
        if (c == '\0' || c == '\n') {
            std::size_t length = pos - line.offset;
            if (length > 0 && text[pos - 1] == '\r')
                --length;
            line.length = length;
            lines.push_back(line);
            if (c == '\0')
                break;
            ++pos;
            line = TextLine{pos, 0};
            continue;
        }
        const std::size_t next = pos + GbkCharacterLength(text + pos);
        // The line so far is never empty when it is broken, so every line
        // holds at least one character and the loop always advances.
        if (pos > line.offset && measure(text + line.offset, next - line.offset) > maxWidth) {
            std::size_t breakAt = pos;
            // Punctuation moves down with the character before it, as long as
            // that leaves something on this line.
            if (IsLineStartForbidden(text + pos)) {
                const std::size_t previous = PreviousCharacter(text, line.offset, pos);
                if (previous > line.offset)
                    breakAt = previous;
            }
            line.length = breakAt - line.offset;
            lines.push_back(line);
            line = TextLine{breakAt, 0};
        }
        pos = next;
    }
    return lines;
}

}  // namespace karvex
