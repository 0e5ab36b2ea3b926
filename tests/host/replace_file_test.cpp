#include "client/update/replace_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/host/file_step_seam.h"
#include "tests/host/sigdb_test_util.h"

namespace karvex::test {
namespace {

std::string Database(std::int32_t minor, std::size_t records, char fill)
{
    std::string bytes(32 + 16 * records, fill);
    std::memset(&bytes[0], 0, 32);
    bytes[4] = 1;
    bytes[8] = static_cast<char>(minor);
    return bytes;
}

TEST(ReplaceFileTest, RewriteInPlaceTakesTheNewBytesWhetherLongerOrShorter)
{
    ScratchDir dir;
    for (std::size_t records : {1u, 10000u, 0u}) {
        const std::string live = dir.Path("url.db");
        const std::string next = dir.Path("url.db.new");
        WriteBytes(live, Database(2, 300, 'o'));
        const std::string bytes = Database(3, records, 'n');
        WriteBytes(next, bytes);
        ASSERT_TRUE(RewriteDatabaseInPlace(next.c_str(), live.c_str())) << records;
        EXPECT_EQ(ReadBytes(live), bytes);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"url.db"});  // the copy and the new file are gone
    }
}

TEST(ReplaceFileTest, NothingChangesWhenTheNewFileCannotBeRead)
{
    ScratchDir dir;
    const std::string live = dir.Path("url.db");
    const std::string old = Database(2, 3, 'o');
    WriteBytes(live, old);
    EXPECT_FALSE(CommitDatabaseFile(dir.Path("missing").c_str(), live.c_str()));
    EXPECT_EQ(ReadBytes(live), old);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"url.db"});
}

TEST(ReplaceFileTest, RecoveryPutsBackAMarkedDatabaseAndClearsLeftovers)
{
    ScratchDir dir;
    const std::string live = dir.Path("qua.db");
    const std::string old = Database(2, 5, 'o');
    std::string marked = Database(3, 9, 'n');
    std::memset(&marked[4], 0, 8);
    const struct {
        const char* what;
        std::string live, copy, fresh, after;
    } kCases[] = {
        {"marked, whole copy", marked, old, "", old},
        {"whole, copy cut short", old, old.substr(0, 40), "", old},
        {"new file beside it", old, "", "partial", old},
        {"marked, no copy: stays marked for the full list", marked, "", "", marked},
    };
    for (const auto& c : kCases) {
        WriteBytes(live, c.live);
        if (!c.copy.empty())
            WriteBytes(live + ".old", c.copy);
        if (!c.fresh.empty())
            WriteBytes(live + ".new", c.fresh);
        RecoverDatabaseFile(live.c_str());
        EXPECT_EQ(ReadBytes(live), c.after) << c.what;
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"qua.db"}) << c.what;
    }
    CSignatureDb db;
    db.m_pszFile = "qua.db";
    EXPECT_FALSE(db.ReadHeader(dir.Folder().c_str())) << "a marked database is no usable database";
}

#ifndef _WIN32
// The file-size limit makes a write fail part-way, as a full disk would.
TEST(ReplaceFileTest, RewriteThatFailsPartWayPutsTheOldFileBack)
{
    ScratchDir dir;
    const std::string live = dir.Path("url.db");
    const std::string next = dir.Path("url.db.new");
    const std::string old = Database(2, 1250, 'o');
    WriteBytes(live, old);
    WriteBytes(next, Database(3, 20000, 'n'));

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool rewritten = RewriteDatabaseInPlace(next.c_str(), live.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_FALSE(rewritten);
    EXPECT_EQ(ReadBytes(live), old);
    EXPECT_FALSE(Exists(dir.Path("url.db.old")));
}

// A child process rewrites the database in place and is ended at each file
// step in turn; after every ending, recovery leaves the old database or the
// new one and nothing beside it.
TEST(ReplaceFileTest, KilledAtAnyStepTheRewriteLeavesTheOldOrTheNewDatabase)
{
    ScratchDir dir;
    const std::string live = dir.Path("adv.db");
    const std::string next = dir.Path("adv.db.new");
    const std::string old = Database(2, 9000, 'o');  // more than one 64 KiB piece
    const std::string fresh = Database(3, 5000, 'n');
    std::size_t points = 0;
    for (std::size_t killAt = 1;; ++killAt) {
        WriteBytes(live, old);
        WriteBytes(next, fresh);
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            ResetFileSteps(killAt);
            _exit(RewriteDatabaseInPlace(next.c_str(), live.c_str()) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        const bool killed = WEXITSTATUS(status) == 86;
        RecoverDatabaseFile(live.c_str());
        const std::string after = ReadBytes(live);
        if (!killed) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(after, fresh);
            break;
        }
        EXPECT_TRUE(after == old || after == fresh) << "killed before step " << killAt;
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"adv.db"}) << "killed before step " << killAt;
        ++points;
    }
    EXPECT_GE(points, 6u);
    std::printf("in-place rewrite killed at %zu points\n", points);
}
#endif

}  // namespace
}  // namespace karvex::test
