#include "client/update/file_version.h"

#include <gtest/gtest.h>

namespace karvex {
namespace {

TEST(FileVersionTest, ParsesFourSixteenBitParts)
{
    FILE_VERSION v;
    ASSERT_TRUE(ParseFileVersion("1.3.1.0", &v));
    EXPECT_EQ(v.dwHigh, 0x00010003u);
    EXPECT_EQ(v.dwLow, 0x00010000u);
    ASSERT_TRUE(ParseFileVersion("65535.2.3.4 and more", &v));
    EXPECT_EQ(v.dwHigh, 0xFFFF0002u);
    char text[24];
    FormatFileVersion(text, sizeof text, v);
    EXPECT_STREQ(text, "65535.2.3.4");
    for (const char* bad : {"", "1.3.1", "1.3", "1..1.0", "a.b.c.d", "65536.0.0.0", "1.3.1.", "-1.3.1.0", " 1.3.1.0"})
        EXPECT_FALSE(ParseFileVersion(bad, &v)) << bad;
}

struct OutdatedCase {
    const char* installed;
    const char* wanted;
    bool outdated;
};

TEST(FileVersionTest, OutdatedWhenHighDiffersOrLowIsOlder)
{
    const OutdatedCase cases[] = {
        {"1.3.1.0", "1.3.1.0", false},
        {"1.3.1.0", "1.3.2.0", true},
        {"1.3.2.0", "1.3.1.0", false},  // a newer low part stays
        {"1.4.0.0", "1.3.9.9", true},   // a different high part in either direction
        {"1.3.0.0", "1.4.0.0", true},
        {"1.3.0.1", "1.3.0.2", true},
    };
    for (const OutdatedCase& c : cases) {
        FILE_VERSION installed;
        FILE_VERSION wanted;
        ASSERT_TRUE(ParseFileVersion(c.installed, &installed));
        ASSERT_TRUE(ParseFileVersion(c.wanted, &wanted));
        EXPECT_EQ(IsFileOutdated(installed, wanted), c.outdated) << c.installed << " vs " << c.wanted;
    }
}

struct ReleaseCase {
    const char* release;
    const char* stored;
    bool offered;
};

TEST(FileVersionTest, ReleaseIsOfferedOnlyAboveStoredAndOwnVersion)
{
    const ReleaseCase cases[] = {
        {"1.3.1.0", "1.3.0.0", false},  // the stored default is older than the program itself
        {"1.3.1.1", "1.3.0.0", true},
        {"1.3.0.5", "1.4.0.0", false},  // the high part decides
        {"1.4.0.1", "1.4.0.0", true},
        {"1.4.0.0", "1.4.0.0", false},
        {"1.3.2.0", "", true},          // unreadable: the program's version counts
        {"1.3.2.0", "1.3", true},
        {"1.3.1.0", "1.3", false},
        {"bad", "1.0.0.0", false},
    };
    for (const ReleaseCase& c : cases)
        EXPECT_EQ(IsNewerRelease(c.release, c.stored, "1.3.1.0"), c.offered) << c.release << " / " << c.stored;
}

}  // namespace
}  // namespace karvex
