#include "client/update/replace_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "tests/host/sigdb_test_util.h"

namespace karvex::test {
namespace {

TEST(ReplaceFileTest, RewriteInPlaceTakesTheNewBytesWhetherLongerOrShorter)
{
    ScratchDir dir;
    for (std::size_t newSize : {10u, 100000u, 0u}) {
        const std::string live = dir.Path("url.db");
        const std::string next = dir.Path("url.db.new");
        WriteBytes(live, std::string(5000, 'o'));
        const std::string bytes(newSize, 'n');
        WriteBytes(next, bytes);
        ASSERT_TRUE(RewriteWithRestore(next.c_str(), live.c_str())) << newSize;
        EXPECT_EQ(ReadBytes(live), bytes);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"url.db"});  // the copy and the new file are gone
    }
}

TEST(ReplaceFileTest, NothingChangesWhenTheNewFileCannotBeRead)
{
    ScratchDir dir;
    const std::string live = dir.Path("url.db");
    WriteBytes(live, "old");
    EXPECT_FALSE(RewriteWithRestore(dir.Path("missing").c_str(), live.c_str()));
    EXPECT_EQ(ReadBytes(live), "old");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"url.db"});
}

#ifndef _WIN32
// The file-size limit makes a write fail part-way, as a full disk would.
TEST(ReplaceFileTest, RewriteThatFailsPartWayPutsTheOldFileBack)
{
    ScratchDir dir;
    const std::string live = dir.Path("url.db");
    const std::string next = dir.Path("url.db.new");
    const std::string old = std::string(20000, 'o') + "end";
    WriteBytes(live, old);
    WriteBytes(next, std::string(300000, 'n'));

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool rewritten = RewriteWithRestore(next.c_str(), live.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_FALSE(rewritten);
    EXPECT_EQ(ReadBytes(live), old);
    EXPECT_FALSE(Exists(dir.Path("url.db.old")));
}
#endif

}  // namespace
}  // namespace karvex::test
