#include "client/update/staging.h"

#include <gtest/gtest.h>

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

TEST(StagingTest, OnlyPlainNamesAreFileNames)
{
    for (const char* good : {"karvex.exe", "url.db", "..x", "a b.dll"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "..\\karvex.exe", "sub/x", "c:x", "\\\\server\\share"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
}

}  // namespace
}  // namespace karvex
