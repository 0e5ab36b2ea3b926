#include "client/update/download_rules.h"

#include <gtest/gtest.h>

namespace karvex {
namespace {

TEST(DownloadRulesTest, OnlyTwoHundredsSucceedAndOnly404IsNotFound)
{
    const struct {
        std::uint32_t status;
        HttpOutcome outcome;
    } cases[] = {{200, HttpOutcome::kSuccess}, {204, HttpOutcome::kSuccess}, {299, HttpOutcome::kSuccess},
                 {404, HttpOutcome::kNotFound}, {199, HttpOutcome::kFailure}, {300, HttpOutcome::kFailure},
                 {304, HttpOutcome::kFailure}, {403, HttpOutcome::kFailure}, {410, HttpOutcome::kFailure},
                 {500, HttpOutcome::kFailure}, {503, HttpOutcome::kFailure}, {0, HttpOutcome::kFailure}};
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyHttpStatus(c.status), c.outcome) << c.status;
}

TEST(DownloadRulesTest, ProgressIsAClampedPercentageOfAKnownTotal)
{
    const struct {
        std::uint32_t progress;
        std::uint32_t total;
        int percent;  // -1: the total is unknown, nothing to show
    } cases[] = {{0, 100, 0}, {50, 200, 25}, {199, 200, 99}, {200, 200, 100}, {500, 100, 100},
                 {3000000000u, 4000000000u, 75}, {4294967295u, 4294967295u, 100}, {10, 0, -1}};
    for (const auto& c : cases) {
        int percent = -1;
        EXPECT_EQ(ProgressPercent(c.progress, c.total, &percent), c.percent >= 0) << c.progress << "/" << c.total;
        EXPECT_EQ(percent, c.percent) << c.progress << "/" << c.total;
    }
}

}  // namespace
}  // namespace karvex
