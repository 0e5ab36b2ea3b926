// Update passes against trees tampered with on the way to the client (a
// hijacked mirror, anyone on the plain-HTTP path): whatever the publisher's
// signed index does not vouch for is refused, nothing installed changes, the
// pass reports "升级失败" and the Options dialog's log names the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "client/update/crypto.h"
#include "client/update/update_index.h"
#include "common/product.h"
#include "test_keys.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

constexpr std::uint64_t kDay = 24 * 60 * 60;

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The gzip of the difference `gzip` with one digit of one record changed,
// exactly as long as the original (a gzip comment makes up for a shorter
// stream): a valid gzip of other bytes, which only the digest can tell.
std::string OneDigitChanged(const std::string& gzip)
{
    const std::string text = GunzipOf(gzip);
    for (size_t at = text.find('+'); at != std::string::npos; at = text.find('+', at + 1)) {
        std::string changed = text;
        changed[at + 1] = changed[at + 1] == '0' ? '1' : '0';
        std::string tampered = GzipOf(changed);
        if (tampered.size() < gzip.size() && tampered[3] == 0) {
            // FCOMMENT: a zero-terminated text right after the 10-byte header.
            tampered[3] = 0x10;
            tampered.insert(10, std::string(gzip.size() - tampered.size() - 1, 'c') + '\0');
        }
        if (tampered.size() == gzip.size()) {
            EXPECT_EQ(GunzipOf(tampered), changed);
            return tampered;
        }
    }
    ADD_FAILURE() << "no one-digit change compresses to the original's size or less";
    return gzip;
}

// Another valid program carrying the version the manifest announces for
// next_release.exe, of the same size (a longer one would be refused by its
// size alone): only the digest tells it apart.
std::string Substitute()
{
    const std::string announced = ReadFileAt(NextRelease());
    std::string other = ReadFileAt(OtherRelease());
    EXPECT_LE(other.size(), announced.size());
    other.resize(announced.size(), '\0');  // bytes after the image change no program
    EXPECT_NE(other, announced);
    return other;
}

// The index line of a file as the publisher writes it.
std::string IndexLine(const std::string& path, const std::string& content)
{
    SHA256_DIGEST digest;
    EXPECT_TRUE(Sha256(content.data(), content.size(), &digest));
    return "file " + path + " " + std::to_string(content.size()) + " " + DigestHex(digest) + "\n";
}

// A published tree (every database 1.0002 to 1.0003, update.exe and
// helper.dll 1.3.2.0) over an install of the 1.0002 databases and an older
// helper.dll, and the running client with its Options dialog open.
class TamperedTreeTest : public UpdateTest {
public:
    using UpdateTest::m_server;
    using UpdateTest::RunPassFromOptions;
    HWND m_options = nullptr;

protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        publisher::PUBLISH_JOB job;
        job.files = {{"update.exe", "1.3.2.0", NextRelease()}, {"helper.dll", "1.3.2.0", NextRelease()}};
        PublishDatabases(job);
        m_folder->Write("helper.dll", "the installed helper");
        m_updater = m_folder->Read("update.exe");
        m_options = StartAndOpenOptions();
        ASSERT_NE(m_options, nullptr);
    }

    void ExpectProgramsUnchanged() const
    {
        EXPECT_TRUE(m_folder->Read("update.exe") == m_updater) << "update.exe";
        EXPECT_EQ(m_folder->Read("helper.dll"), "the installed helper");
        EXPECT_TRUE(m_folder->Names("update").empty()) << "nothing staged";
    }

private:
    std::string m_updater;
};

TEST_F(TamperedTreeTest, EachItemNotAsListedIsRefusedAndTheOthersUpdate)
{
    // The publisher's signed manifest announces a program file that its
    // index does not list.
    m_server.PublishTreeFile("current.ver", m_server.ReadTreeFile("current.ver") + "1.3.2.0#extra.exe\r\n");
    // On the way to the client:
    // another valid program carrying the announced version;
    m_server.WriteTreeFile("file\\update.exe", Substitute());
    // one digit of one record of url.db's difference;
    m_server.WriteTreeFile("diff\\1.0002-1.0003", OneDigitChanged(m_server.ReadTreeFile("diff\\1.0002-1.0003")));
    // adv.db's difference with more after it;
    m_server.WriteTreeFile("diff\\1.0002-1.0003.adv", m_server.ReadTreeFile("diff\\1.0002-1.0003.adv") + "more");
    // the unlisted file put on the server;
    m_server.WriteTreeFile("file\\extra.exe", ReadFileAt(NextRelease()));
    // helper.dll cut short, without Content-Length, so it looks whole.
    SetFaultEverywhere("/file/helper.dll", "cut");

    EXPECT_EQ(RunPassFromOptions(m_options), ALERT_UPDATE_FAILED);
    EXPECT_EQ(UpdateLogLines(m_options), (std::vector<std::string>{
        "文件校验不符：diff/1.0002-1.0003",
        "文件大小不符：diff/1.0002-1.0003.adv",
        "文件校验不符：file/update.exe",
        "文件大小不符：file/helper.dll",
        "文件未列入更新索引：file/extra.exe",
    }));
    // qua.db, which nobody touched, is brought up to date all the same.
    ExpectDatabases(OldDb(0), OldDb(1), NewDb(2));
    ExpectProgramsUnchanged();
    EXPECT_FALSE(m_folder->Exists("extra.exe"));
    EXPECT_TRUE(m_server.RequestsFor("/file/extra.exe").empty()) << "an unlisted file is not even fetched";
    EXPECT_TRUE(Contains(m_server.Requests(), "/file/helper.dll 200"));
}

struct RefusedIndexCase {
    const char* name;
    // Tampers with the published tree while the client runs.
    void (*tamper)(TamperedTreeTest& test);
    const char* line;   // in the log
    bool manifestRead;  // refused after the index: current.ver was fetched
};

class RefusedIndexTest : public TamperedTreeTest, public ::testing::WithParamInterface<RefusedIndexCase> {};

TEST_P(RefusedIndexTest, PassFailsAndChangesNothing)
{
    const RefusedIndexCase& c = GetParam();
    c.tamper(*this);
    DWORD serial = 0;
    const bool serialStored = ReadSetting("IndexSerial", serial);
    const size_t before = m_server.Requests().size();

    EXPECT_EQ(RunPassFromOptions(m_options), ALERT_UPDATE_FAILED);
    EXPECT_TRUE(HasLine(UpdateLogLines(m_options), c.line)) << ::testing::PrintToString(UpdateLogLines(m_options));
    ExpectDatabases(OldDb(0), OldDb(1), OldDb(2));
    ExpectProgramsUnchanged();
    // Nothing that the refused index or manifest names was fetched.
    const std::vector<std::string> requests = m_server.Requests();
    for (size_t i = before; i < requests.size(); ++i) {
        const std::string& request = requests[i];
        EXPECT_TRUE(request.find("/count?ID=") != std::string::npos || request.find("/current.sig ") != std::string::npos ||
                    (c.manifestRead && request.find("/current.ver ") != std::string::npos))
            << request;
    }
    // A refused index leaves the highest serial as it was.
    if (!c.manifestRead) {
        DWORD after = 0;
        EXPECT_EQ(ReadSetting("IndexSerial", after), serialStored);
        EXPECT_EQ(after, serial);
    }
}

INSTANTIATE_TEST_SUITE_P(Tampered, RefusedIndexTest, ::testing::Values(
    RefusedIndexCase{"OlderIndexReplayed", [](TamperedTreeTest& t) {
        const std::string manifest = t.m_server.ReadTreeFile("current.ver");
        const std::string index = t.m_server.ReadTreeFile("current.sig");
        // The publisher names the installed databases as current; the client
        // accepts that newer index.
        t.m_server.PublishTreeFile("current.ver", "1.0002.mal\r\n1.0002.adv\r\n1.0002.qua\r\n");
        EXPECT_EQ(t.RunPassFromOptions(t.m_options), ALERT_UP_TO_DATE);
        // Then the earlier tree is served again, as the publisher signed it.
        t.m_server.WriteTreeFile("current.ver", manifest);
        t.m_server.WriteTreeFile("current.sig", index);
    }, "更新索引版本过旧：current.sig", false},
    RefusedIndexCase{"Expired", [](TamperedTreeTest& t) {
        t.m_server.SignTree(kTestPrivateKeyPem, 100, UnixTimeNow() - 60);
    }, "更新索引已过期：current.sig", false},
    RefusedIndexCase{"SignedByAnotherKey", [](TamperedTreeTest& t) {
        t.m_server.SignTree(kOtherPrivateKeyPem, 100, UnixTimeNow() + kDay);
    }, "更新索引密钥不符：current.sig", false},
    RefusedIndexCase{"AlteredAfterSigning", [](TamperedTreeTest& t) {
        // The index made to vouch for another program, its signature kept.
        std::string index = t.m_server.ReadTreeFile("current.sig");
        const std::string substitute = ReadFileAt(OtherRelease());
        const std::string listed = IndexLine("file/update.exe", ReadFileAt(NextRelease()));
        const size_t at = index.find(listed);
        ASSERT_NE(at, std::string::npos);
        index.replace(at, listed.size(), IndexLine("file/update.exe", substitute));
        t.m_server.WriteTreeFile("current.sig", index);
        t.m_server.WriteTreeFile("file\\update.exe", substitute);
    }, "更新索引签名无效：current.sig", false},
    RefusedIndexCase{"ManifestAltered", [](TamperedTreeTest& t) {
        // qua.db announced as current, to keep it from its update.
        std::string manifest = t.m_server.ReadTreeFile("current.ver");
        const size_t at = manifest.find("1.0003.qua");
        ASSERT_NE(at, std::string::npos);
        t.m_server.WriteTreeFile("current.ver", manifest.replace(at, 10, "1.0002.qua"));
    }, "文件校验不符：current.ver", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvex::test
