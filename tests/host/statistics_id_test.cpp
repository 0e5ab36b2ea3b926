#include "client/update/statistics_id.h"

#include <cstring>

#include <gtest/gtest.h>

namespace karvex {
namespace {

TEST(StatisticsIdTest, TakesFourthAndFifthGroupsLowerCased)
{
    char id[17];
    ASSERT_TRUE(StatisticsIdFromUuid("6b29fc40-ca47-1067-B31D-00DD010662DA", id));
    EXPECT_STREQ(id, "b31d00dd010662da");
    EXPECT_EQ(std::strlen(id), kStatisticsIdLength);
}

TEST(StatisticsIdTest, RefusesTextNotShapedLikeAUuid)
{
    char id[17] = "untouched";
    for (const char* bad : {"", "6b29fc40-ca47-1067-b31d-00dd010662d",
                            "6b29fc40-ca47-1067-b31d-00dd010662daa",
                            "6b29fc40ca47-1067-b31d-00dd010662da-",
                            "6b29fc40-ca47-1067-b31d-00dd01066zda"}) {
        EXPECT_FALSE(StatisticsIdFromUuid(bad, id)) << bad;
        EXPECT_STREQ(id, "untouched");
    }
}

}  // namespace
}  // namespace karvex
