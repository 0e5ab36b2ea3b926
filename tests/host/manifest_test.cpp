#include "client/update/manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "common/std_file.h"

namespace karvex {
namespace {

struct LineCase {
    const char* line;
    std::int32_t kind;  // 0: refused
    const char* version;
    const char* name;
};

class ManifestLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ManifestLineTest, ParsesOrRefuses)
{
    const LineCase& c = GetParam();
    UPDATE_ITEM item;
    if (c.kind == 0) {
        EXPECT_FALSE(ParseManifestLine(c.line, &item)) << c.line;
        return;
    }
    ASSERT_TRUE(ParseManifestLine(c.line, &item)) << c.line;
    EXPECT_EQ(item.nKind, c.kind);
    EXPECT_STREQ(item.szVersion, c.version);
    EXPECT_STREQ(item.szName, c.name);
}

const std::string kLongName = "1.3.1.0#" + std::string(65, 'a');

INSTANTIATE_TEST_SUITE_P(Lines, ManifestLineTest, ::testing::Values(
    LineCase{"1.5833.qua", kItemQuaDb, "1.5833", "qua.db"},
    LineCase{"1.5832.mal", kItemUrlDb, "1.5832", "url.db"},
    LineCase{"2.7.adv", kItemAdvDb, "2.0007", "adv.db"},
    LineCase{"1.2.3.mal", kItemUrlDb, "1.0002", "url.db"},      // text after the minor is ignored
    LineCase{"1.3.1.0#karvex.exe", kItemProgramFile, "1.3.1.0", "karvex.exe"},
    LineCase{"1.3.1.0# \tkarvex.exe", kItemProgramFile, "1.3.1.0", "karvex.exe"},
    LineCase{"1.3.2.0@karvex", kItemRelease, "1.3.2.0", "karvex"},
    LineCase{"1.3.2.0beta#update.exe", kItemProgramFile, "1.3.2.0", "update.exe"},
    LineCase{"1.3.2.0@x#karvex.exe", kItemProgramFile, "1.3.2.0", "karvex.exe"},  // '#' decides first
    LineCase{"65535.0.0.65535#a.dll", kItemProgramFile, "65535.0.0.65535", "a.dll"},
    // Refused: unknown forms, malformed versions, names that are not plain.
    LineCase{"readme.txt", 0, nullptr, nullptr},
    LineCase{"1.5833.QUA", 0, nullptr, nullptr},  // the reader lower-cases first
    LineCase{"1.3#x", 0, nullptr, nullptr},
    LineCase{"1.3.1#x", 0, nullptr, nullptr},
    LineCase{"1..1.0#x", 0, nullptr, nullptr},
    LineCase{"65536.0.0.0#x", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#../karvex.exe", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#..\\karvex.exe", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#c:\\windows\\x.exe", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#ready", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#con.exe", 0, nullptr, nullptr},
    LineCase{"1.3.1.0#karvex.exe ", 0, nullptr, nullptr},
    LineCase{kLongName.c_str(), 0, nullptr, nullptr},
    LineCase{"1.3.2.0@..", 0, nullptr, nullptr},
    LineCase{"5833.qua", 0, nullptr, nullptr},  // no dot before the extension
    LineCase{".5833.qua", 0, nullptr, nullptr},
    LineCase{"1.x.qua", 0, nullptr, nullptr},
    LineCase{"1.5833.quax", 0, nullptr, nullptr},
    LineCase{"99999999999.1.mal", 0, nullptr, nullptr}));

FilePtr FileWith(const std::string& text)
{
    FilePtr file(std::tmpfile());
    if (file) {
        std::fwrite(text.data(), 1, text.size(), file.get());
        std::rewind(file.get());
    }
    return file;
}

TEST(ManifestReaderTest, ReadsItemsInOrderLowerCasedAndSkipsTheRest)
{
    FilePtr file = FileWith("header\r\n1.0003.MAL\r\n\r\n1.0004.qua\n1.3.1.0#Karvex.EXE\r\n1.3#x\r\n1.0009.adv");
    ASSERT_TRUE(file);
    std::size_t lines = 0;
    const std::vector<UPDATE_ITEM> items = ReadManifest(file.get(), &lines);
    EXPECT_EQ(lines, 7u);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_STREQ(items[0].szName, "url.db");
    EXPECT_STREQ(items[1].szName, "qua.db");
    EXPECT_STREQ(items[2].szName, "karvex.exe");
    EXPECT_STREQ(items[3].szVersion, "1.0009");  // the last line needs no line end
}

TEST(ManifestReaderTest, LineLongerThanTheBufferIsDroppedWhole)
{
    // 279 characters fill the buffer; the minor's leading zeros keep it valid.
    auto line = [](std::size_t length) {
        return "1." + std::string(length - 2 - 5, '0') + "5.mal";
    };
    for (const char* end : {"\r\n", "\n", ""}) {
        FilePtr file = FileWith(line(kManifestLineBuffer - 1) + end);
        ASSERT_TRUE(file);
        std::size_t lines = 0;
        std::vector<UPDATE_ITEM> items = ReadManifest(file.get(), &lines);
        ASSERT_EQ(items.size(), 1u) << "line end " << std::string(end).size();
        EXPECT_STREQ(items[0].szVersion, "1.0005");
    }
    // Read in pieces, the second long line's tail would be a valid line of its own.
    FilePtr file = FileWith(line(kManifestLineBuffer) + "\r\n" + std::string(kManifestLineBuffer - 1, 'x') +
                            "1.0007.qua\r\n1.0003.adv\r\n");
    ASSERT_TRUE(file);
    std::size_t lines = 0;
    const std::vector<UPDATE_ITEM> items = ReadManifest(file.get(), &lines);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].nKind, kItemAdvDb);
}

TEST(ManifestReaderTest, LineWithANulByteIsDroppedWholeAndHidesNothing)
{
    // Cut at the NUL, the first line would swallow the second; a long line
    // starting with NUL would come in pieces whose tail parses.
    const std::string nul(1, '\0');
    FilePtr file = FileWith("1.0004.mal" + nul + "x\r\n1.0003.adv\r\n" + nul + std::string(300, 'x') +
                            "1.0007.qua\r\n1.3.2.0#a" + nul + ".exe\r\n1.0009.qua\r\n");
    ASSERT_TRUE(file);
    std::size_t lines = 0;
    const std::vector<UPDATE_ITEM> items = ReadManifest(file.get(), &lines);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].nKind, kItemAdvDb);
    EXPECT_STREQ(items[1].szVersion, "1.0009");
    EXPECT_EQ(lines, 5u);
}

TEST(ManifestReaderTest, EmptyFileHasNoLines)
{
    FilePtr file = FileWith("");
    ASSERT_TRUE(file);
    std::size_t lines = 1;
    EXPECT_TRUE(ReadManifest(file.get(), &lines).empty());
    EXPECT_EQ(lines, 0u);
}

}  // namespace
}  // namespace karvex
