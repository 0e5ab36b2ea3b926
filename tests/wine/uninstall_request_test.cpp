// "/u" on the client's command line starts a copy of the uninstaller in the
// temporary folder with the install folder and the client's process id.
#include <gtest/gtest.h>

#include <fstream>

#include "common/component.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"

namespace karvex::test {
namespace {

constexpr char kPromptCaption[] = "Karvex 卸载";

class UninstallRequestTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        ::DeleteFileA(LogPath().c_str());
    }
    void TearDown() override
    {
        // Every test waits for the prompts it brings about.
        AnswerPrompts(IDCANCEL);
        WaitUntil([] { return FindWindows("#32770", kPromptCaption).empty(); });
        ClientTest::TearDown();
    }

    static std::string LogPath() { return TempFolder() + "karvex-uninstall.log"; }

    // What the uninstaller copies noted: one line per start.
    static std::vector<std::string> Requests()
    {
        std::vector<std::string> lines;
        std::ifstream log(LogPath());
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }

    bool WaitForRequests(size_t count) const
    {
        return WaitUntil([&] { return Requests().size() >= count; });
    }

    std::string RequestFrom(DWORD processId) const
    {
        return "folder=" + m_folder->Path() + " pid=" + std::to_string(processId);
    }

    // Answers every open confirmation of the uninstaller copies.
    static size_t AnswerPrompts(int button)
    {
        size_t answered = 0;
        for (HWND prompt : FindWindows("#32770", kPromptCaption)) {
            ::PostMessageA(::GetDlgItem(prompt, button), BM_CLICK, 0, 0);
            ++answered;
        }
        return answered;
    }

    static bool WaitForPrompts(size_t count)
    {
        return WaitUntil([&] { return FindWindows("#32770", kPromptCaption).size() >= count; });
    }
};

TEST_F(UninstallRequestTest, StartsTheUninstallerAndCarriesOn)
{
    ASSERT_TRUE(StartClientWithTray("/u"));
    ASSERT_TRUE(WaitForRequests(1));
    EXPECT_EQ(Requests(), std::vector<std::string>{RequestFrom(m_client.Id())});
    EXPECT_TRUE(std::ifstream(TempFolder() + "uninstall.exe").good());
    ASSERT_TRUE(WaitForPrompts(1));
    EXPECT_EQ(AnswerPrompts(IDCANCEL), 1u);
    ::Sleep(300);
    EXPECT_TRUE(m_client.IsRunning());
}

TEST_F(UninstallRequestTest, WhileAClientRunsTheNewProcessEndsAfterStartingIt)
{
    ASSERT_TRUE(StartClientWithTray());
    ChildProcess second;
    ASSERT_TRUE(second.Start(m_folder->Client(), "/u"));
    const DWORD secondId = second.Id();
    DWORD code = 1;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    ASSERT_TRUE(WaitForRequests(1));
    EXPECT_EQ(Requests(), std::vector<std::string>{RequestFrom(secondId)});
    EXPECT_TRUE(WaitForPrompts(1));
    EXPECT_TRUE(m_client.IsRunning());
}

TEST_F(UninstallRequestTest, EveryTokenStartsOneCopy)
{
    ASSERT_TRUE(StartClientWithTray("/u /u"));
    ASSERT_TRUE(WaitForRequests(2));
    EXPECT_EQ(Requests(), (std::vector<std::string>{RequestFrom(m_client.Id()), RequestFrom(m_client.Id())}));
    EXPECT_TRUE(WaitForPrompts(2));
}

TEST_F(UninstallRequestTest, OnlyTheExactTokenCounts)
{
    ASSERT_TRUE(StartClientWithTray("/U -u \"/u\" /uu"));
    ::Sleep(1000);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(FindWindows("#32770", kPromptCaption).empty());
}

TEST_F(UninstallRequestTest, ConfirmedUninstallRemovesTheProduct)
{
    WriteRunEntry("C:\\old\\karvex.exe");
    ASSERT_TRUE(StartClientWithTray("/u"));
    ASSERT_TRUE(WaitForPrompts(1));
    AnswerPrompts(IDOK);

    DWORD code = 1;
    ASSERT_TRUE(m_client.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return !m_folder->Exists("karvex.exe"); }));
    EXPECT_TRUE(WaitUntil([&] { return !IsComponentRegistered(); }));
    EXPECT_TRUE(WaitUntil([&] { return !SettingsKeyExists(); }));
    std::string run;
    EXPECT_FALSE(ReadRunEntry(run));
    // The uninstaller may still be deleting when the key is gone.
    for (const char* file : {"karvex.dll", "url.db", "adv.db", "qua.db", "update.exe", "uninstall.exe"})
        EXPECT_TRUE(WaitUntil([&] { return !m_folder->Exists(file); })) << file;
}

}  // namespace
}  // namespace karvex::test
