#include "client/update/staging.h"

#include <gtest/gtest.h>

#include <string>

namespace karvex {
namespace {

TEST(StagingTest, MarkerLineGivesTheName)
{
    char name[16];
    ASSERT_TRUE(StagedNameFromLine("karvex.exe \r\n", name, sizeof name));
    EXPECT_STREQ(name, "karvex.exe");
    ASSERT_TRUE(StagedNameFromLine("karvex.exe \n", name, sizeof name));
    EXPECT_STREQ(name, "karvex.exe");
    ASSERT_TRUE(StagedNameFromLine("karvex.dll", name, sizeof name));  // last line, no blank
    EXPECT_STREQ(name, "karvex.dll");
    ASSERT_TRUE(StagedNameFromLine("a b  \n", name, sizeof name));     // only one blank ends a line
    EXPECT_STREQ(name, "a b ");
}

TEST(StagingTest, EmptyOrOversizedLinesGiveNoName)
{
    char name[8];
    for (const char* line : {"", "\r\n", " \n", "\n karvex.exe", "toolong.exe \n"})
        EXPECT_FALSE(StagedNameFromLine(line, name, sizeof name)) << line;
}

TEST(StagingTest, OnlyPlainLowerCaseNamesAreProgramFileNames)
{
    const std::string longest(kMaxProgramFileName, 'a');
    for (const char* good : {"karvex.exe", "update.exe", "url.db", "..x", "a_b-c.dll", "con1", "com10",
                             "lpt.txt", "ready.txt", "x", longest.c_str()})
        EXPECT_TRUE(IsProgramFileName(good)) << good;
    const std::string tooLong(kMaxProgramFileName + 1, 'a');
    for (const char* bad : {"", ".", "..", "../karvex.exe", "..\\karvex.exe", "sub/x", "c:x", "\\\\server\\share",
                            "Karvex.exe", "a b.dll", "karvex.exe.", "x\t", "con", "nul.txt", "aux.db",
                            "prn", "com1", "lpt9.dll", "com0", "ready", "update", "temp", "backup", tooLong.c_str(),
                            "\xd5\xfd.exe"})
        EXPECT_FALSE(IsProgramFileName(bad)) << bad;
}

}  // namespace
}  // namespace karvex
