#include "common/text.h"

#include <cstring>

#include <gtest/gtest.h>

#include "client/update/signature_db.h"

namespace karvex {
namespace {

TEST(TextTest, CopyCutsAndAlwaysTerminates)
{
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_TRUE(CopyText(buf, "1234567"));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_FALSE(CopyText(buf, "123456789"));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_FALSE(CopyText(buf, 1, "a"));
    EXPECT_STREQ(buf, "");
}

TEST(TextTest, FormatReportsTruncation)
{
    char buf[6];
    EXPECT_TRUE(FormatText(buf, sizeof buf, "%d.%d", 12, 34));
    EXPECT_STREQ(buf, "12.34");
    EXPECT_FALSE(FormatText(buf, sizeof buf, "%d.%d", 123, 456));
    EXPECT_STREQ(buf, "123.4");
}

TEST(DbVersionTextTest, PadsMinorToFourDigits)
{
    char text[24];
    FormatDbVersion(text, sizeof text, 1, 5832);
    EXPECT_STREQ(text, "1.5832");
    FormatDbVersion(text, sizeof text, 1, 7);
    EXPECT_STREQ(text, "1.0007");
    FormatDbVersion(text, sizeof text, 0, 0);
    EXPECT_STREQ(text, "0.0000");
    FormatDbVersion(text, sizeof text, 2147483647, 123456);
    EXPECT_STREQ(text, "2147483647.123456");
}

}  // namespace
}  // namespace karvex
