#include "client/update/update_urls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/servers.h"

namespace karvex {
namespace {

TEST(UpdateUrlsTest, BasesFollowTheServerTable)
{
    EXPECT_EQ(std::string(kUpdateBases[0]), std::string("http://") + kWebHost + "/ieupdate");
    EXPECT_EQ(std::string(kUpdateBases[1]), std::string("http://") + kUpdateHost1 + "/ieupdate");
    EXPECT_EQ(std::string(kUpdateBases[2]), std::string("http://") + kUpdateHost2 + "/ieupdate");
    EXPECT_EQ(std::string(kUpdateBases[3]), std::string("http://") + kUpdateHost3);
    EXPECT_EQ(std::string(DownloadPageUrl()), std::string("http://") + kWebHost + "/down.html");
    char url[128];
    ASSERT_TRUE(BuildStatisticsUrl(url, sizeof url, "0123456789abcdef"));
    EXPECT_EQ(std::string(url), std::string("http://") + kStatisticsHost + "/count?ID=0123456789abcdef");
}

struct UrlCase {
    std::int32_t kind;
    const char* version;
    const char* name;
    const char* first;
    const char* full;
};

TEST(UpdateUrlsTest, ItemAddresses)
{
    const UrlCase cases[] = {
        {kItemUrlDb, "1.0003", "url.db", "diff/1.0002-1.0003", "1.0003"},
        {kItemAdvDb, "1.0003", "adv.db", "diff/1.0002-1.0003.adv", "1.0003.adv"},
        {kItemQuaDb, "1.0003", "qua.db", "diff/1.0002-1.0003.qua", "1.0003.qua"},
        {kItemProgramFile, "1.3.2.0", "karvex.exe", "file/karvex.exe", "file/karvex.exe"},
    };
    for (const UrlCase& c : cases) {
        UPDATE_ITEM item = {};
        item.nKind = c.kind;
        std::snprintf(item.szVersion, sizeof item.szVersion, "%s", c.version);
        std::snprintf(item.szName, sizeof item.szName, "%s", c.name);
        char full[260];
        char first[260];
        ASSERT_TRUE(BuildItemPaths(item, "1.0002", full, sizeof full, first, sizeof first)) << c.name;
        EXPECT_STREQ(first, c.first);
        EXPECT_STREQ(full, c.full);
    }
}

TEST(UpdateUrlsTest, AddressThatDoesNotFitFails)
{
    UPDATE_ITEM item = {};
    item.nKind = kItemProgramFile;
    std::snprintf(item.szName, sizeof item.szName, "%s", "karvex.exe");
    char full[12];
    char first[260];
    EXPECT_FALSE(BuildItemPaths(item, "", full, sizeof full, first, sizeof first));
    EXPECT_FALSE(BuildUrl(first, 16, "http://a.example", "file/karvex.exe"));
    item.nKind = kItemRelease;  // never downloaded
    EXPECT_FALSE(BuildItemPaths(item, "", first, sizeof first, first, sizeof first));
}

TEST(ShuffleOrderTest, GivesEveryOrderAndTheSameOneForASeed)
{
    std::set<std::vector<std::size_t>> seen;
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        std::vector<std::size_t> order(kUpdateBaseCount);
        ShuffleOrder(order.data(), order.size(), seed);
        std::vector<std::size_t> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted, (std::vector<std::size_t>{0, 1, 2, 3})) << seed;
        std::vector<std::size_t> again(kUpdateBaseCount);
        ShuffleOrder(again.data(), again.size(), seed);
        ASSERT_EQ(order, again);
        seen.insert(order);
    }
    EXPECT_EQ(seen.size(), 24u);
    std::size_t one = 7;
    ShuffleOrder(&one, 1, 12345);
    EXPECT_EQ(one, 0u);
}

}  // namespace
}  // namespace karvex
