// Update passes of the running client against the update servers (nginx and
// a stalling server, routed through the prefix's system proxy): what it
// fetches, what it writes, what it reports to the tray window, and that no
// fault loses or damages a database or leaves a file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "client/res/resource.h"
#include "common/product.h"
#include "common/servers.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

using UpdatePassTest = UpdateTest;

TEST_F(UpdatePassTest, DifferencesBringEveryDatabaseToThePublishedVersion)
{
    PublishDatabases();
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));

    std::string id;
    ASSERT_TRUE(ReadSetting("ID", id));
    const std::vector<std::string> requests = m_server.Requests();
    EXPECT_TRUE(Contains(requests, std::string(kStatisticsHost) + " /count?ID=" + id + " 200"));
    const std::vector<std::string> manifests = m_server.RequestsFor("current.ver");
    ASSERT_EQ(manifests.size(), 1u);
    for (const char* path : {"diff/1.0002-1.0003 200", "diff/1.0002-1.0003.adv 200", "diff/1.0002-1.0003.qua 200"})
        EXPECT_TRUE(Contains(requests, path)) << path;
    EXPECT_TRUE(m_server.RequestsFor("/1.0003").empty()) << "no full list when differences exist";
    // Every item was updated, none was current: the date is not recorded; the
    // backup copies stay until a pass finds everything current.
    std::string schedule;
    EXPECT_TRUE(ReadSetting("update", schedule) && schedule == "0,0,0.0.0") << schedule;
    EXPECT_TRUE(m_folder->Read("backup\\url.db") == OldDb(0));
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0003", 1))) << m_shell.CurrentTip();

    // The next pass finds everything current, asks the same server, records the date.
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    const std::vector<std::string> again = m_server.RequestsFor("current.ver");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].substr(0, again[1].find(' ')), manifests[0].substr(0, manifests[0].find(' ')));
    EXPECT_TRUE(ReadSetting("update", schedule) && schedule == TodayUpdateText(0, 0)) << schedule;
    EXPECT_FALSE(m_folder->Exists("backup\\url.db"));
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
}

// No difference from the installed version is published: the index lists
// none, so none is asked for.
struct FullListCase {
    const char* name;
    bool installed;  // an older url.db than the tree has (else none at all)
};

class FullListTest : public UpdateTest, public ::testing::WithParamInterface<FullListCase> {};

TEST_P(FullListTest, MissingDifferenceTakesTheFullList)
{
    PublishDatabases();
    if (GetParam().installed)
        m_folder->WriteDatabase("url.db", 1, 1, 5);
    else
        m_folder->Remove("url.db");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    EXPECT_TRUE(m_server.RequestsFor("/diff/1.000").size() == 2u);  // adv.db's and qua.db's only
    EXPECT_TRUE(Contains(m_server.Requests(), "/1.0003 200"));
}

INSTANTIATE_TEST_SUITE_P(Update, FullListTest, ::testing::Values(
    FullListCase{"OlderThanTheTree", true},
    FullListCase{"Missing", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdatePassTest, DifferenceMissingOnTheServerTakesTheFullList)
{
    // A mirror that lacks a file the index lists answers "not found".
    PublishDatabases();
    m_server.RemoveTreeFile("diff\\1.0002-1.0003");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    EXPECT_TRUE(Contains(m_server.Requests(), "diff/1.0002-1.0003 404"));
    EXPECT_TRUE(Contains(m_server.Requests(), "/1.0003 200"));
}

TEST_F(UpdatePassTest, NextPassReadsTheInstalledDatabasesAgainAndKeepsTheId)
{
    PublishDatabases();
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    std::string id;
    ASSERT_TRUE(ReadSetting("ID", id));
    // url.db is put back behind the client's back: the next pass asks for
    // the difference from what is there now, not from what it wrote.
    m_folder->Write("url.db", OldDb(0));
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    EXPECT_EQ(m_server.RequestsFor("diff/1.0002-1.0003 200").size(), 2u);
    EXPECT_TRUE(m_server.RequestsFor("/1.0003 ").empty()) << "no full list";
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    // Both pings carried the identifier made for the first.
    const std::string ping = std::string(kStatisticsHost) + " /count?ID=" + id + " 200";
    EXPECT_EQ(m_server.RequestsFor("/count?ID="), (std::vector<std::string>{ping, ping}));
    std::string after;
    EXPECT_TRUE(ReadSetting("ID", after) && after == id) << after;
}

// Only a definite "not found" from the busy probe lets a pass update.
class BusyProbeTest : public UpdateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BusyProbeTest, AnythingButNotFoundChangesNothing)
{
    PublishDatabases();
    if (std::string(GetParam()) == "found")
        m_server.WriteTreeFile("busy", "");
    else
        SetFaultEverywhere("/busy", GetParam());
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    ExpectDatabases(OldDb(0), OldDb(1), OldDb(2));
    EXPECT_FALSE(Contains(m_server.Requests(), "diff/"));
    EXPECT_EQ(m_server.RequestsFor("/busy").size(), 1u);
}

// "drop": the connection closes without an answer (the server unreachable).
INSTANTIATE_TEST_SUITE_P(Update, BusyProbeTest, ::testing::Values("found", "500", "drop"),
    [](const auto& info) { return std::string(info.param); });

TEST_F(UpdatePassTest, BusyAfterAnItemKeepsWhatIsWholeAndDropsWhatIsStaged)
{
    // Not busy before the items, busy after each.
    publisher::PUBLISH_JOB job;
    job.files = {{"update.exe", "1.3.2.0", NextRelease()}, {"helper.dll", "1.3.2.0", NextRelease()}};
    PublishDatabases(job);
    SetFaultEverywhere("/busy", "first404");
    HWND options = StartAndOpenOptions();
    ASSERT_NE(options, nullptr);

    EXPECT_EQ(RunPassFromOptions(options), ALERT_UPDATE_FAILED);
    // The new databases and update.exe are whole and stay; the backup copies
    // and the staged helper.dll go, and nothing installs it.
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    EXPECT_TRUE(m_folder->Names("backup").empty());
    EXPECT_TRUE(m_folder->Read("update.exe") == ReadFileAt(NextRelease()));
    EXPECT_FALSE(m_folder->Exists("helper.dll"));
    EXPECT_FALSE(m_folder->Exists("update\\helper.dll"));
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
    EXPECT_EQ(m_server.RequestsFor("/busy 200").size(), 5u);
    // What the client shows is the url.db on disk.
    EXPECT_EQ(ItemText(options, IDC_OPTIONS_DB_VERSION), "特征库版本：1.0003");
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0003", 1))) << m_shell.CurrentTip();
}

TEST_F(UpdatePassTest, FailedDifferenceFailsOnlyItsDatabase)
{
    PublishDatabases();
    SetFaultEverywhere("/diff/1.0002-1.0003", "500");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    // The others are still brought up to date; url.db is as it was, and its
    // full list was not tried after an answer other than "not found".
    ExpectDatabases(OldDb(0), NewDb(1), NewDb(2));
    EXPECT_TRUE(Contains(m_server.Requests(), "diff/1.0002-1.0003 500"));
    EXPECT_FALSE(Contains(m_server.Requests(), "/1.0003 "));
}

const char kOneRecord[] = "header\r\n+0123456789abcdef0123456789abcdef\r\n";

struct CorruptCase {
    const char* name;
    std::string (*body)();
};

class CorruptDownloadTest : public UpdateTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptDownloadTest, DatabaseStaysAsItWas)
{
    PublishDatabases();
    m_server.WriteTreeFile("diff\\1.0002-1.0003", GetParam().body());
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    ExpectDatabases(OldDb(0), NewDb(1), NewDb(2));
    EXPECT_FALSE(m_folder->Exists("url.db.new"));
}

INSTANTIATE_TEST_SUITE_P(Update, CorruptDownloadTest, ::testing::Values(
    CorruptCase{"NotCompressed", [] { return std::string(kOneRecord); }},
    CorruptCase{"BadChecksum", [] {
        std::string gzip = GzipOf(kOneRecord);
        gzip[gzip.size() - 8] = static_cast<char>(gzip[gzip.size() - 8] ^ 0x55);
        return gzip;
    }},
    CorruptCase{"MalformedRecord", [] { return GzipOf("header\r\n+0123456789abcdef\r\n"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdatePassTest, DamagedDatabasesAreRebuiltFromTheFullList)
{
    PublishDatabases();
    // url.db: the right version over a record area cut inside a record, to
    // which no difference can be applied. adv.db: the new version's header
    // over other records, which the index's digest tells apart.
    m_folder->Write("url.db", OldDb(0) + "torn!");
    m_folder->Write("adv.db", DatabaseBytes(1, 3, SortedRecords(200, 99)));
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    const std::vector<std::string> requests = m_server.Requests();
    EXPECT_TRUE(Contains(requests, "diff/1.0002-1.0003 200"));
    EXPECT_TRUE(Contains(requests, "/1.0003 200"));
    EXPECT_TRUE(Contains(requests, "/1.0003.adv 200"));
    EXPECT_FALSE(Contains(requests, "diff/1.0002-1.0003.adv")) << "adv.db's header was not believed";
}

TEST_F(UpdatePassTest, ServersDownFailThePassAndChangeNothing)
{
    PublishDatabases();
    m_server.RouteToNowhere();
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    ExpectDatabases(OldDb(0), OldDb(1), OldDb(2));
}

TEST_F(UpdatePassTest, AfterAllServersFailedTheNextPassChoosesAgain)
{
    PublishDatabases();
    SetFaultEverywhere("/current.sig", "500");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    EXPECT_EQ(m_server.RequestsFor("current.sig 500").size(), 4u);  // each base once

    // Only update server 2 answers now: a client bound to the first server of
    // its failed pass would fail again three times in four.
    m_server.ClearFaults();
    for (const UPDATE_BASE& base : kUpdateBaseHosts) {
        if (std::string(base.host) != kUpdateHost2)
            m_server.SetFault(base.host, std::string(base.prefix) + "/current.sig", "500");
    }
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));

    // It stays with the server that answered.
    const size_t before = m_server.RequestsFor("current.ver").size();
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    const std::vector<std::string> manifests = m_server.RequestsFor("current.ver");
    ASSERT_EQ(manifests.size(), before + 1);
    EXPECT_EQ(manifests.back(), std::string(kUpdateHost2) + " /ieupdate/current.ver 200");
}

// The chosen server is kept until a fetch from it fails; the pass after
// that one picks again, from every server.
TEST_F(UpdatePassTest, ChosenServerThatFailsIsForgotten)
{
    PublishDatabases();
    auto lastManifestHost = [&] {
        const std::vector<std::string> manifests = m_server.RequestsFor("current.ver 200");
        return manifests.empty() ? std::string() : manifests.back().substr(0, manifests.back().find(' '));
    };
    auto failOn = [&](const std::string& host, const char* file) {
        for (const UPDATE_BASE& base : kUpdateBaseHosts) {
            if (host == base.host)
                m_server.SetFault(base.host, std::string(base.prefix) + "/" + file, "500");
        }
    };
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    const std::string first = lastManifestHost();

    // Its index fails: that pass fails, and the next one goes elsewhere.
    failOn(first, "current.sig");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    const std::string second = lastManifestHost();
    EXPECT_NE(second, first);

    // The next one's manifest fails: the pass after it does not come back to
    // it (its index fails too now, which would fail that pass).
    failOn(second, "current.ver");
    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    failOn(second, "current.sig");
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    const std::string third = lastManifestHost();
    EXPECT_NE(third, first);
    EXPECT_NE(third, second);
}

class ExitDuringDownloadTest : public UpdateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExitDuringDownloadTest, ClientEndsPromptlyAndKeepsItsDatabase)
{
    // A large full list that comes slowly, stalls, or never begins.
    const std::string before = PublishSlowFullList(GetParam());

    ASSERT_NE(StartClientWithTray(), nullptr);
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    ASSERT_TRUE(WaitUntil([&] { return Contains(m_server.Requests(), "/busy 404"); }));
    ::Sleep(1000);  // into the full list's transfer
    const DWORD start = ::GetTickCount();
    Post(WM_COMMAND, ID_TRAY_EXIT, 0);
    DWORD code = 1;
    ASSERT_TRUE(m_client.WaitForExit(8000, &code));
    // The transfer gives way within a poll of 25 ms, whatever the server does.
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(m_folder->Read("qua.db") == before);
    // The icon went with the client.
    EXPECT_TRUE(m_shell.WaitForEvent([](const TrayEvent& e) { return e.message == NIM_DELETE; }));
    EXPECT_TRUE(WaitUntil([&] { return UpdaterTempFiles() == m_tempBefore; }, 5000));
}

INSTANTIATE_TEST_SUITE_P(Update, ExitDuringDownloadTest, ::testing::Values("slow", "stall", "silent"),
    [](const auto& info) { return std::string(info.param); });

TEST_F(UpdatePassTest, DatabaseHeldOpenByTheComponentIsRewrittenInPlace)
{
    PublishDatabases();
    // As the protection component in a browser holds it.
    UniqueFile held(::CreateFileA(m_folder->File("url.db").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    EXPECT_FALSE(m_folder->Exists("url.db.new"));
    EXPECT_FALSE(m_folder->Exists("url.db.old"));
}

}  // namespace
}  // namespace karvex::test
