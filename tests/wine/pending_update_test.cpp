// A program update staged by an earlier pass is handed to update.exe at the
// next start, if the user agrees.
#include <gtest/gtest.h>

#include "common/product.h"
#include "tests/wine/support/client_fixture.h"

namespace karvex::test {
namespace {

class PendingUpdateTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        ASSERT_TRUE(RegisterComponentIn(*m_folder));
        m_folder->Write("readme.txt", "old");
        m_folder->Write("update\\readme.txt", "new");
        m_folder->Write("update\\ready", "readme.txt \r\n");
        m_folder->Write("update\\keep\\nested.txt", "stays");
        m_folder->Write("Temp\\displaced.txt", "displaced");
    }

    HWND WaitForQuestion() const { return m_client.WaitForWindow("#32770", "Karvex"); }

    static void Press(HWND dialog, int button)
    {
        ::PostMessageA(::GetDlgItem(dialog, button), BM_CLICK, 0, 0);
    }
};

TEST_F(PendingUpdateTest, QuestionShowsTheTemplateWithCancelFocused)
{
    ASSERT_TRUE(StartClient());
    HWND question = WaitForQuestion();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(question, IDOK)), "确定");
    EXPECT_EQ(WindowText(::GetDlgItem(question, IDCANCEL)), "取消");
    HWND text = ::FindWindowExA(question, nullptr, "Static", nullptr);
    EXPECT_EQ(WindowText(text),
              "Karvex需要完成升级过程，这可能会关闭您的浏览器并重启桌面。您希望升级吗？");

    // Neither button is the default: the focus on 取消 is what makes Enter decline.
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(question, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, ::GetDlgItem(question, IDCANCEL));
    for (int button : {IDOK, IDCANCEL})
        EXPECT_EQ(::GetWindowLongA(::GetDlgItem(question, button), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
}

TEST_F(PendingUpdateTest, AcceptedUpdateIsHandedToTheUpdaterAndTheClientEnds)
{
    ASSERT_TRUE(StartClient());
    HWND question = WaitForQuestion();
    ASSERT_NE(question, nullptr);
    Press(question, IDOK);
    DWORD code = 1;
    ASSERT_TRUE(m_client.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);

    // update.exe, given the client's token, puts the staged file in place
    // and starts the client again.
    // Read only once update.exe is done: a reader without delete sharing
    // keeps it from renaming the file, and it would leave it staged.
    ASSERT_TRUE(WaitUntil([&] { return !m_folder->Exists("update\\ready"); }));
    EXPECT_EQ(m_folder->Read("readme.txt"), "new");
    EXPECT_TRUE(WaitUntil([&] { return !FindWindows(kTrayWindowClass, nullptr).empty(); }));
}

TEST_F(PendingUpdateTest, DeclinedUpdateClearsTheStagingFolders)
{
    ASSERT_TRUE(StartClient());
    HWND question = WaitForQuestion();
    ASSERT_NE(question, nullptr);
    Press(question, IDCANCEL);
    ASSERT_NE(m_client.WaitForTrayWindow(), nullptr);

    EXPECT_FALSE(m_folder->Exists("update\\ready"));
    EXPECT_FALSE(m_folder->Exists("update\\readme.txt"));
    EXPECT_FALSE(m_folder->Exists("Temp\\displaced.txt"));
    EXPECT_EQ(m_folder->Read("update\\keep\\nested.txt"), "stays");
    EXPECT_EQ(m_folder->Read("readme.txt"), "old");
}

// The question is the client's first window: the messages of a window's
// creation and destruction, sent or posted by another process, leave it
// whole, and its answer still counts.
TEST_F(PendingUpdateTest, ForgedLifecycleMessagesLeaveTheQuestionWhole)
{
    ASSERT_TRUE(StartClient());
    HWND question = WaitForQuestion();
    ASSERT_NE(question, nullptr);
    for (UINT message : {WM_INITDIALOG, WM_DESTROY, WM_NCDESTROY}) {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(question, message, 0, 0x00401000, SMTO_ABORTIFHUNG, 5000, &result);
        ::PostMessageA(question, message, 0, 0x00401000);
    }
    Press(question, IDCANCEL);
    ASSERT_NE(m_client.WaitForTrayWindow(), nullptr);
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
}

TEST_F(PendingUpdateTest, UpdaterRefusesToRunWithoutTheToken)
{
    ChildProcess updater;
    ASSERT_TRUE(updater.Start(m_folder->File("update.exe")));
    DWORD code = 0;
    ASSERT_TRUE(updater.WaitForExit(10000, &code));
    EXPECT_EQ(code, 2u);
    EXPECT_EQ(m_folder->Read("readme.txt"), "old");
}

struct NoQuestionCase {
    const char* name;
    const char* marker;
    bool updater;
};

class NoQuestionTest : public PendingUpdateTest, public ::testing::WithParamInterface<NoQuestionCase> {};

TEST_P(NoQuestionTest, NothingIsAskedAndTheMarkerGoes)
{
    m_folder->Write("update\\ready", GetParam().marker);
    if (!GetParam().updater)
        m_folder->Remove("update.exe");
    ASSERT_TRUE(StartClientWithTray());
    EXPECT_TRUE(FindWindows("#32770", "Karvex").empty());
    EXPECT_FALSE(m_folder->Exists("update\\ready"));
    EXPECT_FALSE(m_folder->Exists("update\\readme.txt"));
}

INSTANTIATE_TEST_SUITE_P(Staging, NoQuestionTest, ::testing::Values(
    NoQuestionCase{"EmptyMarker", "", true},
    NoQuestionCase{"NoUpdater", "readme.txt \r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvex::test
