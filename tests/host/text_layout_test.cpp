#include "common/text_layout.h"

#include <string>

#include <gtest/gtest.h>

namespace karvex {
namespace {

// The dialog font: 6 pixels for a single-byte character, 12 for a double-byte one.
int Measure(const char* text, std::size_t length)
{
    int width = 0;
    for (std::size_t i = 0; i < length; i += GbkCharacterLength(text + i))
        width += GbkCharacterLength(text + i) == 2 ? 12 : 6;
    return width;
}

std::vector<std::string> Wrap(const std::string& text, int width)
{
    std::vector<std::string> lines;
    for (const TextLine& line : WrapText(text.c_str(), width, Measure))
        lines.push_back(text.substr(line.offset, line.length));
    return lines;
}

TEST(TextLayoutTest, CharacterLengthFollowsGbk)
{
    EXPECT_EQ(GbkCharacterLength(""), 0u);
    EXPECT_EQ(GbkCharacterLength("a"), 1u);
    EXPECT_EQ(GbkCharacterLength("\x80"), 1u);
    EXPECT_EQ(GbkCharacterLength("\xFF"), 1u);
    EXPECT_EQ(GbkCharacterLength("\xC4\xE3"), 2u);  // 你
    EXPECT_EQ(GbkCharacterLength("\x81\x40"), 2u);
    // A lead byte whose second byte is a backslash is still one character.
    EXPECT_EQ(GbkCharacterLength("\xD5\x5C"), 2u);
    EXPECT_EQ(GbkCharacterLength("\xC4"), 1u);  // cut text: no second byte
}

TEST(TextLayoutTest, BreaksBetweenWholeCharacters)
{
    struct Case {
        std::string text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"", 100, {""}},
        {"abc", 18, {"abc"}},
        {"abcd", 18, {"abc", "d"}},
        // Four double-byte characters in 36 pixels: three fit, the fourth moves down whole.
        {"\xC4\xE3\xBA\xC3\xC4\xE3\xBA\xC3", 36, {"\xC4\xE3\xBA\xC3\xC4\xE3", "\xBA\xC3"}},
        // A single-byte character ahead shifts the break without splitting a character.
        {"a\xC4\xE3\xBA\xC3\xC4\xE3", 36, {"a\xC4\xE3\xBA\xC3", "\xC4\xE3"}},
        // Second bytes equal to '\\' or to ASCII letters stay with their lead byte.
        {"\xD5\x5C\xD5\x5C\xB0\x41", 24, {"\xD5\x5C\xD5\x5C", "\xB0\x41"}},
        // Own line breaks, with or without a carriage return, and empty lines.
        {"ab\ncd\r\n\nef", 100, {"ab", "cd", "", "ef"}},
        // Narrower than one character: one character per line, never an empty one.
        {"\xC4\xE3\xBA\xC3", 5, {"\xC4\xE3", "\xBA\xC3"}},
        // A full-width comma does not begin a line: the character before it comes along,
        // unless it is the only one on its line.
        {"\xC4\xE3\xBA\xC3\xA3\xAC", 24, {"\xC4\xE3", "\xBA\xC3\xA3\xAC"}},
        {"\xC4\xE3\xA3\xAC", 12, {"\xC4\xE3", "\xA3\xAC"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Wrap(c.text, c.width), c.lines) << c.text << " in " << c.width;
}

TEST(TextLayoutTest, ClosingPunctuationIsKnown)
{
    for (const char* mark : {"\xA3\xAC", "\xA1\xA3", "\xA1\xA2", "\xA3\xBA", "\xA3\xA9", "\xA1\xB1"})
        EXPECT_TRUE(IsLineStartForbidden(mark)) << mark;
    for (const char* other : {"", ",", "a", "\xC4\xE3", "\xA3\xA8" /* opening bracket */})
        EXPECT_FALSE(IsLineStartForbidden(other)) << other;
}

TEST(TextLayoutTest, LongAlertTextFitsTheLabelInWholeLines)
{
    // 发现可疑的远程线程创建行为，已拦截: 17 characters, the label is 159 pixels wide.
    const std::string text =
        "\xB7\xA2\xCF\xD6\xBF\xC9\xD2\xC9\xB5\xC4\xD4\xB6\xB3\xCC\xCF\xDF\xB3\xCC\xB4\xB4\xBD\xA8"
        "\xD0\xD0\xCE\xAA\xA3\xAC\xD2\xD1\xC0\xB9\xBD\xD8";
    const std::vector<std::string> lines = Wrap(text, 159);
    ASSERT_EQ(lines.size(), 2u);
    // Thirteen characters would fit, but the comma would begin the second line.
    EXPECT_EQ(lines[0], text.substr(0, 24));
    EXPECT_EQ(lines[0] + lines[1], text);
}

}  // namespace
}  // namespace karvex
