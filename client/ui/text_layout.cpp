#include "client/ui/text_layout.h"

namespace karvex {

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
            line.length = pos - line.offset;
            lines.push_back(line);
            line = TextLine{pos, 0};
        }
        pos = next;
    }
    return lines;
}

}  // namespace karvex
