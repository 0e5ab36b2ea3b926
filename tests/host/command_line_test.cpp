#include "client/app/command_line.h"

#include <gtest/gtest.h>

namespace karvex {
namespace {

struct TokenCase {
    const char* commandLine;
    std::size_t uninstallRequests;
};

class CountTokensTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(CountTokensTest, CountsExactSpaceSeparatedTokens)
{
    EXPECT_EQ(CountTokens(GetParam().commandLine, "/u"), GetParam().uninstallRequests)
        << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, CountTokensTest, ::testing::Values(
    TokenCase{"", 0},
    TokenCase{"\"C:\\Program Files\\Karvex\\karvex.exe\"", 0},
    TokenCase{"karvex.exe /u", 1},
    TokenCase{"karvex.exe    /u   ", 1},
    TokenCase{"/u", 1},
    TokenCase{"karvex.exe /u /u", 2},
    TokenCase{"karvex.exe /U -u /uu u/", 0},
    TokenCase{"karvex.exe \"/u\"", 0},   // quotes are not honoured
    TokenCase{"karvex.exe\t/u", 0},      // a tab does not separate
    TokenCase{"karvex.exe /u\t", 0},
    TokenCase{"\"C:\\a b\\karvex.exe\" /u", 1}));

}  // namespace
}  // namespace karvex
