// Program files and program releases in an update pass of the running client:
// staging, installation over the running program, update.exe replaced, names
// from the server that must not become paths, and the release question.
#include <gtest/gtest.h>

#include <string>

#include "client/res/resource.h"
#include "common/product.h"
#include "common/servers.h"
#include "common/win/registry.h"
#include "tests/wine/support/browser_recorder.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

using ProgramUpdateTest = UpdateTest;

TEST_F(ProgramUpdateTest, UpdaterIsReplacedAtOnceAndTheRunningClientWaitsStaged)
{
    publisher::PUBLISH_JOB job;
    job.files = {{"karvex.exe", "1.3.2.0", NextRelease()}, {"update.exe", "1.3.2.0", NextRelease()}};
    m_server.Publish(job);
    const std::string client = m_folder->Read("karvex.exe");
    const std::string next = ReadFileAt(NextRelease());

    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    // update.exe was replaced directly, never staged. The client cannot be
    // replaced while it runs without a moment in which no karvex.exe exists:
    // it stays staged for update.exe, and nothing of it went to Temp.
    EXPECT_TRUE(m_folder->Read("update.exe") == next);
    EXPECT_TRUE(m_folder->Read("karvex.exe") == client);
    EXPECT_TRUE(m_folder->Read("update\\karvex.exe") == next);
    EXPECT_EQ(m_folder->Read("update\\ready"), "karvex.exe \r\n");
    EXPECT_FALSE(m_folder->Exists("update\\update.exe"));
    EXPECT_TRUE(m_folder->Names("Temp").empty());
    EXPECT_EQ(m_server.RequestsFor("/file/").size(), 2u);
    EXPECT_TRUE(m_client.IsRunning());

    // Both count as current now: the staged client is not fetched again.
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    EXPECT_EQ(m_server.RequestsFor("/file/").size(), 2u);
    EXPECT_EQ(m_folder->Read("update\\ready"), "karvex.exe \r\n");
}

TEST_F(ProgramUpdateTest, StagedClientGoesInPlaceThroughTheUpdaterAtTheNextStart)
{
    publisher::PUBLISH_JOB job;
    job.files = {{"karvex.exe", "1.3.2.0", NextRelease()}};
    m_server.Publish(job);
    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    Post(WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(m_client.WaitForExit(10000, nullptr));

    ASSERT_TRUE(StartClient());
    HWND question = m_client.WaitForWindow("#32770", "Karvex");
    ASSERT_NE(question, nullptr);
    ::PostMessageA(::GetDlgItem(question, IDOK), BM_CLICK, 0, 0);
    // Read only once update.exe is done: a reader without delete sharing
    // keeps it from renaming the file, and it would leave it staged.
    ASSERT_TRUE(WaitUntil([&] { return !m_folder->Exists("update\\ready"); }));
    EXPECT_TRUE(m_folder->Read("karvex.exe") == ReadFileAt(NextRelease()));
}

TEST_F(ProgramUpdateTest, FileWithoutTheAnnouncedVersionIsNeitherStagedNorInstalled)
{
    // The manifest announces 1.3.2.0; the server sends the 1.3.1.0 client.
    publisher::PUBLISH_JOB job;
    job.files = {{"karvex.exe", "1.3.2.0", BuildFolder() + "\\karvex.exe"},
                 {"update.exe", "1.3.2.0", BuildFolder() + "\\karvex.exe"}};
    m_server.Publish(job);
    const std::string client = m_folder->Read("karvex.exe");
    const std::string updater = m_folder->Read("update.exe");

    EXPECT_EQ(RunPass(), ALERT_UPDATE_FAILED);
    EXPECT_TRUE(m_folder->Read("karvex.exe") == client);
    EXPECT_TRUE(m_folder->Read("update.exe") == updater);
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
    EXPECT_FALSE(m_folder->Exists("update\\karvex.exe"));
}

TEST_F(ProgramUpdateTest, HostileNamesInTheManifestAreIgnored)
{
    PublishDatabases();
    m_server.PublishTreeFile("file\\evil.exe", ReadFileAt(NextRelease()));
    const std::string longName(70, 'a');
    m_server.PublishTreeFile("current.ver",
                           "1.3.2.0#../evil.exe\r\n1.3.2.0#..\\evil.exe\r\n1.3.2.0#c:\\evil.exe\r\n"
                           "1.3.2.0#/evil.exe\r\n1.3.2.0#ready\r\n1.3.2.0#update\r\n1.3.2.0#con\r\n"
                           "1.3.2.0#nul.exe\r\n1.3.2.0#evil.exe.\r\n1.3.2.0#" + longName + "\r\n"
                           "1.0003.mal\r\n");

    EXPECT_EQ(RunPass(), ALERT_UPDATE_OK);
    EXPECT_TRUE(m_folder->Read("url.db") == NewDb(0));
    EXPECT_TRUE(m_server.RequestsFor("/file/").empty());
    for (const std::string& path : {std::string("C:\\evil.exe"), m_folder->Path() + "\\..\\evil.exe",
                                    m_folder->File("evil.exe"), m_folder->File("update\\evil.exe")})
        EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
}

// The stand-in browser: the prefix's handler of http addresses records the
// page it is asked to open.
class ReleaseQuestionTest : public UpdateTest {
protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        m_server.PublishTreeFile("current.ver", "1.3.2.0@karvex\r\n");
    }

    // Starts a pass and answers the release question with `button`.
    WPARAM RunPassAnswering(int button)
    {
        if (StartClientWithTray() == nullptr)
            return 0;
        m_alerts.Raise();
        Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
        HWND question = m_client.WaitForWindow("#32770", "Karvex");
        if (question == nullptr)
            return 0;
        EXPECT_EQ(WindowText(::GetDlgItem(question, kMessageBoxText)), "发现新版本的升级包，是否现在更新？");
        ::PostMessageA(::GetDlgItem(question, button), BM_CLICK, 0, 0);
        return m_alerts.WaitForAlert();
    }

    std::string Opened() const { return m_browser.Opened(); }

    static constexpr int kMessageBoxText = 0xFFFF;
    // Where Wine's shell looks up the handler of http addresses.
    BrowserRecorder m_browser;
};

TEST_F(ReleaseQuestionTest, OkOpensTheDownloadPage)
{
    DeleteSetting("AutoUpProgram");
    DeleteSetting("Version");
    // A release never changes the result: nothing was updated, nothing current.
    EXPECT_EQ(RunPassAnswering(IDOK), ALERT_UP_TO_DATE);
    EXPECT_TRUE(WaitUntil([&] { return !Opened().empty(); }));
    EXPECT_EQ(Opened(), std::string("http://") + kWebHost + "/down.html\n");
    // Missing values are written back: the question stays on, the version its default.
    DWORD ask = 0;
    std::string version;
    EXPECT_TRUE(ReadSetting("AutoUpProgram", ask) && ask == 1);
    EXPECT_TRUE(ReadSetting("Version", version) && version == "1.3.0.0");
}

TEST_F(ReleaseQuestionTest, CancelOpensNothing)
{
    EXPECT_EQ(RunPassAnswering(IDCANCEL), ALERT_UP_TO_DATE);
    ::Sleep(500);
    EXPECT_EQ(Opened(), "");
}

TEST_F(ReleaseQuestionTest, StoredVersionTooLongIsIgnoredAndKept)
{
    // Too long for the value's buffer: it cannot be read, though read in
    // full or in part it would say a newer release than 1.3.2.0 is installed.
    WriteSetting("Version", std::string("2.0.0.0000"));
    EXPECT_EQ(RunPassAnswering(IDCANCEL), ALERT_UP_TO_DATE);
    std::string version;
    EXPECT_TRUE(ReadSetting("Version", version) && version == "2.0.0.0000") << version;
}

struct NoQuestionCase {
    const char* name;
    const char* manifest;
    DWORD autoUpProgram;
    const char* version;  // null: not set
};

class NoQuestionTest : public ReleaseQuestionTest, public ::testing::WithParamInterface<NoQuestionCase> {};

TEST_P(NoQuestionTest, NothingIsAsked)
{
    const NoQuestionCase& c = GetParam();
    m_server.PublishTreeFile("current.ver", c.manifest);
    WriteSetting("AutoUpProgram", c.autoUpProgram);
    if (c.version != nullptr)
        WriteSetting("Version", std::string(c.version));
    EXPECT_EQ(RunPass(), ALERT_UP_TO_DATE);
    EXPECT_TRUE(FindWindows("#32770", "Karvex").empty());
    EXPECT_EQ(Opened(), "");
    std::string version;
    if (c.version != nullptr) {
        EXPECT_TRUE(ReadSetting("Version", version) && version == c.version) << "a stored version is never replaced";
    }
}

INSTANTIATE_TEST_SUITE_P(Update, NoQuestionTest, ::testing::Values(
    NoQuestionCase{"SwitchedOff", "1.3.2.0@karvex\r\n", 0, nullptr},
    // The stored default is older than the running client, which is not offered itself.
    NoQuestionCase{"SameAsTheProgram", "1.3.1.0@karvex\r\n", 1, "1.3.0.0"},
    // Newer than the running client, older than the stored version.
    NoQuestionCase{"HighPartDecides", "1.3.2.0@karvex\r\n", 1, "1.4.0.0"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvex::test
