// Update passes watched, started and stopped from the Options dialog of the
// running client, against the update servers.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/screen.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

class OptionsPassTest : public UpdateTest {
protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        MovePointer(1, 1);
    }

    static int BarPosition(HWND dialog)
    {
        DWORD_PTR position = 0;
        ::SendMessageTimeoutA(::GetDlgItem(dialog, IDC_OPTIONS_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000,
                              &position);
        return static_cast<int>(position);
    }

    static RECT ScreenRectOf(HWND dialog, int id)
    {
        RECT rect = {};
        ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
        return rect;
    }
};

TEST_F(OptionsPassTest, ButtonStartsAPassThatTheDialogFollows)
{
    publisher::PUBLISH_JOB job;
    job.files = {{"helper.dll", "1.3.2.0", NextRelease()}};
    PublishDatabases(job);
    HWND options = StartAndOpenOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ItemText(options, IDC_OPTIONS_DB_VERSION), "特征库版本：1.0002 ");
    ASSERT_TRUE(ShowsUpdatePass(options, false));

    ClickControl(options, IDC_OPTIONS_UPDATE);
    EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UPDATE_OK);
    ExpectDatabases(NewDb(0), NewDb(1), NewDb(2));
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }));
    EXPECT_EQ(ItemText(options, IDC_OPTIONS_DB_VERSION), "特征库版本：1.0003");
    EXPECT_EQ(UpdateLogLines(options), std::vector<std::string>{"正在复制文件..."});

    // The label painted its background again when its text changed: it looks
    // as the same version does in a dialog opened afresh, without the old
    // version's glyphs under the new one.
    ::Sleep(300);
    const RECT label = ScreenRectOf(options, IDC_OPTIONS_DB_VERSION);
    const std::vector<COLORREF> changed = ScreenPixels(label);
    ClickControl(options, IDC_OPTIONS_CLOSE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
    options = OpenOptions(m_client, m_tray);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ItemText(options, IDC_OPTIONS_DB_VERSION), "特征库版本：1.0003 ");
    ::Sleep(300);
    const RECT again = ScreenRectOf(options, IDC_OPTIONS_DB_VERSION);
    ASSERT_TRUE(::EqualRect(&label, &again));
    EXPECT_TRUE(ScreenPixels(label) == changed);
}

TEST_F(OptionsPassTest, ButtonStopsASlowDownload)
{
    // A large full list that comes slowly (no difference to the installed qua.db).
    const std::string before = PublishSlowFullList();
    HWND options = StartAndOpenOptions();
    ASSERT_NE(options, nullptr);

    ClickControl(options, IDC_OPTIONS_UPDATE);
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, true); }));
    // The bar follows the download.
    int position = 0;
    ASSERT_TRUE(WaitUntil([&] { return (position = BarPosition(options)) > 0; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return BarPosition(options) > position; }, 20000));
    RECT window = {};
    ::GetWindowRect(options, &window);
    SaveScreenshot("options-pass", &window);

    const DWORD start = ::GetTickCount();
    ClickControl(options, IDC_OPTIONS_UPDATE);
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }, 5000));
    EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UPDATE_FAILED);
    EXPECT_LT(::GetTickCount() - start, 5000u);
    // The transfer ended (the server logs a request when it is over), and
    // qua.db is as it was.
    EXPECT_TRUE(WaitUntil([&] { return Contains(m_server.Requests(), "/1.0009.qua "); }));
    EXPECT_TRUE(m_folder->Read("qua.db") == before);
}

TEST_F(OptionsPassTest, ButtonStopsAPassThatASilentServerHolds)
{
    // The server takes the full list's request and never answers.
    const std::string before = PublishSlowFullList("silent");
    HWND options = StartAndOpenOptions();
    ASSERT_NE(options, nullptr);
    ClickControl(options, IDC_OPTIONS_UPDATE);
    ASSERT_TRUE(WaitUntil([&] { return Contains(m_server.Requests(), "/busy 404"); }));
    ::Sleep(1000);  // into the full list's request

    const DWORD start = ::GetTickCount();
    ClickControl(options, IDC_OPTIONS_UPDATE);
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }, 5000));
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UPDATE_FAILED);
    EXPECT_TRUE(m_folder->Read("qua.db") == before);
}

// Threads of the process `processId`.
size_t ThreadCount(DWORD processId)
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return 0;
    size_t count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == processId ? 1 : 0;
    return count;
}

// A pass that waits for the user's answer to the release question, after an
// item that is current, with a program file staged by an earlier pass: a
// stop requested meanwhile waits as long.
class OptionsQuestionTest : public OptionsPassTest {
protected:
    void SetUp() override
    {
        OptionsPassTest::SetUp();
        // The installed url.db (no digest published for it) is current.
        m_server.PublishTreeFile("current.ver", "1.0002.mal\r\n1.3.2.0@karvex\r\n");
        ASSERT_NE(StartClientWithTray(), nullptr);
        // Staged after the start, which would offer to install it.
        m_folder->Write("helper.dll", "live");
        m_folder->Write("update\\helper.dll", "staged");
        m_folder->Write("update\\ready", "helper.dll \r\n");
        m_alerts.Raise();
        Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
        m_question = m_client.WaitForWindow("#32770", "Karvex");
        ASSERT_NE(m_question, nullptr);
    }

    void AnswerQuestion() const { ::PostMessageA(::GetDlgItem(m_question, IDCANCEL), BM_CLICK, 0, 0); }

    // A stop noticed between items keeps the result reached so far: every
    // item was examined and one was current. The date of a finished pass is
    // not recorded, and the staged file waits for the next pass.
    void ExpectStoppedBetweenItems() const
    {
        EXPECT_EQ(m_alerts.WaitForAlert(), ALERT_UP_TO_DATE);
        std::string schedule;
        EXPECT_TRUE(ReadSetting("update", schedule) && schedule == "0,0,0.0.0") << schedule;
        EXPECT_EQ(m_folder->Read("helper.dll"), "live");
        EXPECT_EQ(m_folder->Read("update\\helper.dll"), "staged");
        EXPECT_EQ(m_folder->Read("update\\ready"), "helper.dll \r\n");
    }

    HWND m_question = nullptr;
};

TEST_F(OptionsQuestionTest, ClickWhileTheStopWaitsStartsNoPass)
{
    HWND options = OpenOptions(m_client, m_tray);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(ShowsUpdatePass(options, true));
    ClickControl(options, IDC_OPTIONS_UPDATE);
    ::Sleep(500);
    // The pass is told to stop but has not ended: a second click cannot start
    // another one, and the button stays as it is until the pass has ended.
    ClickControl(options, IDC_OPTIONS_UPDATE);
    ::Sleep(500);
    EXPECT_TRUE(ShowsUpdatePass(options, true));

    AnswerQuestion();
    ExpectStoppedBetweenItems();
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }));
    ::Sleep(1000);
    EXPECT_TRUE(ShowsUpdatePass(options, false));
    EXPECT_EQ(m_server.RequestsFor("current.ver").size(), 1u);
    EXPECT_EQ(m_alerts.Alerts().size(), 1u);
}

// Clicks, posted by anyone, while a stop waits for a pass that cannot end yet:
// one thread carries out the first and the rest are ignored, rather than one
// thread each waiting without end.
TEST_F(OptionsQuestionTest, ABurstOfClicksWaitsForThePassOnOneThread)
{
    HWND options = OpenOptions(m_client, m_tray);
    ASSERT_NE(options, nullptr);
    const size_t before = ThreadCount(m_client.Id());
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 50; ++i)
        ::PostMessageA(::GetDlgItem(options, IDC_OPTIONS_UPDATE), BM_CLICK, 0, 0);
    // The tooltip's answer comes after the clicks in the client's queue.
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
    ::Sleep(500);
    EXPECT_LE(ThreadCount(m_client.Id()), before + 1);
    EXPECT_TRUE(ShowsUpdatePass(options, true));

    // The pass ends, and with it the thread: the button is back, and the
    // clicks started no pass.
    AnswerQuestion();
    ExpectStoppedBetweenItems();
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }));
    ::Sleep(1000);
    EXPECT_EQ(m_server.RequestsFor("current.ver").size(), 1u);
    Post(WM_COMMAND, ID_TRAY_EXIT, 0);
    DWORD code = 1;
    EXPECT_TRUE(m_client.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(OptionsQuestionTest, OpenedDuringAPassAndClosedWhileItsStopWaits)
{
    HWND options = OpenOptions(m_client, m_tray);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(ShowsUpdatePass(options, true));
    // Stopping waits for the pass, which waits for the question.
    ClickControl(options, IDC_OPTIONS_UPDATE);
    ::Sleep(500);
    EXPECT_TRUE(ShowsUpdatePass(options, true));
    ClickControl(options, IDC_OPTIONS_CLOSE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));

    // The pass ends; the waiting stop finds the dialog gone and leaves it.
    AnswerQuestion();
    ExpectStoppedBetweenItems();
    ::Sleep(500);
    ASSERT_TRUE(m_client.IsRunning());
    options = OpenOptions(m_client, m_tray);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(ShowsUpdatePass(options, false));
    ClickControl(options, IDC_OPTIONS_CLOSE);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(options); }));
}

}  // namespace
}  // namespace karvex::test
