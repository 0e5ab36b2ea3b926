// The installer's checks before the wizard: administrator rights, and an
// earlier installation, which the packaged uninstaller removes first.
#include <gtest/gtest.h>

#include "common/component.h"
#include "common/product.h"
#include "common/win/registry.h"
#include "setup/res/resource.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/setup_fixture.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {
namespace {

constexpr char kFoundQuestion[] = "安装程序检测到Karvex己经安装，是否要先进行卸载？";
constexpr char kTooOld[] = "当前版本过低，请手动卸载后再运行此安装程序";
constexpr char kUninstallFailed[] = "卸载Karvex失败，无法继续安装";

class SetupChecksTest : public SetupTest {
protected:
    // An earlier installation: the component registered from its own folder,
    // and the statistics id a current client has.
    void InstallEarlierVersion(bool withId = true)
    {
        m_old = m_folder + "-old";
        DeleteTree(m_old);
        ASSERT_TRUE(::CreateDirectoryA(m_old.c_str(), nullptr));
        ASSERT_TRUE(::CopyFileA((BuildFolder() + "\\karvex.dll").c_str(), (m_old + "\\karvex.dll").c_str(), FALSE));
        ASSERT_TRUE(RegisterComponent((m_old + "\\karvex.dll").c_str()));
        if (withId)
            WriteSetting("ID", "0123456789abcdef");
    }

    static void SetServerPath(const std::string& path)
    {
        RegKey key;
        ASSERT_EQ(key.Open(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kComponentClsid + "\\InprocServer32").c_str()),
                  ERROR_SUCCESS);
        ASSERT_EQ(key.SetText(nullptr, path.c_str()), ERROR_SUCCESS);
    }

    // Starts setup.exe and waits for its first message box.
    HWND StartWithMessage(const char* caption = kCheckCaption, const std::string& program = "setup.exe")
    {
        const bool named = program.find('\\') == std::string::npos;
        if (!m_setup.Start(named ? BuildFolder() + "\\" + program : program))
            return nullptr;
        return m_setup.WaitForDialog(caption);
    }

    static HWND WaitForUninstallerPrompt()
    {
        HWND prompt = nullptr;
        WaitUntil([&] {
            for (HWND window : FindWindows("#32770", kUninstallCaption))
                prompt = ::IsWindowVisible(window) ? window : prompt;
            return prompt != nullptr;
        });
        return prompt;
    }

    void ExpectEndWithoutWizard()
    {
        DWORD code = 1;
        EXPECT_TRUE(m_setup.Process().WaitForExit(10000, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(FindWindows("#32770", kWizardCaption).empty());
    }

    std::string TempUninstaller() const { return TempFolder() + "uninstall.exe"; }

    std::string m_old;
};

class EarlierInstallationTest : public SetupChecksTest, public ::testing::WithParamInterface<int> {};

// The uninstaller runs on the old folder; whatever it answers, the wizard
// follows once it has ended.
TEST_P(EarlierInstallationTest, IsRemovedByThePackagedUninstallerBeforeTheWizard)
{
    InstallEarlierVersion();
    HWND question = StartWithMessage();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), kFoundQuestion);
    PressButton(question, IDOK);

    HWND prompt = WaitForUninstallerPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(UninstallerLog(), "folder=" + m_old + " pid=0\r\n");
    EXPECT_EQ(ReadFileAt(TempUninstaller()), ResourceBytes(SetupPath(), "INSTALL_FILES", IDR_UNINSTALLER));
    ::Sleep(300);
    EXPECT_TRUE(FindWindows("#32770", kWizardCaption).empty());

    PressButton(prompt, GetParam());
    ASSERT_NE(m_setup.WaitForWizard(), nullptr);
    EXPECT_EQ(IsComponentRegistered(), GetParam() != IDOK);
    EXPECT_EQ(FileExists(m_old + "\\karvex.dll"), GetParam() != IDOK);
}

INSTANTIATE_TEST_SUITE_P(UninstallerAnswers, EarlierInstallationTest, ::testing::Values(IDOK, IDCANCEL),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == IDOK ? "Removed" : "Declined");
                         });

TEST_F(SetupChecksTest, CancelToTheQuestionEndsBeforeAnythingIsWritten)
{
    InstallEarlierVersion();
    HWND question = StartWithMessage();
    ASSERT_NE(question, nullptr);
    PressButton(question, IDCANCEL);
    ExpectEndWithoutWizard();
    EXPECT_FALSE(FileExists(TempUninstaller()));
    EXPECT_EQ(UninstallerLog(), "");
    EXPECT_TRUE(IsComponentRegistered());
}

TEST_F(SetupChecksTest, AClientWithoutStatisticsIdIsTooOldToRemove)
{
    InstallEarlierVersion(false);
    HWND question = StartWithMessage();
    ASSERT_NE(question, nullptr);
    PressButton(question, IDOK);
    HWND tooOld = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND box : FindWindows("#32770", kCheckCaption))
            tooOld = ::IsWindowVisible(box) && MessageBoxText(box) == kTooOld ? box : tooOld;
        return tooOld != nullptr;
    }));
    PressButton(tooOld, IDOK);
    ExpectEndWithoutWizard();
    EXPECT_FALSE(FileExists(TempUninstaller()));
}

// The uninstaller gets the old folder whole: cut at the last backslash
// character (運 ends in a backslash byte), and however long. The folders do
// not exist, so the uninstaller stand-in notes its start and ends at once.
TEST_F(SetupChecksTest, TheOldFolderReachesTheUninstallerWhole)
{
    InstallEarlierVersion();
    // An id longer than any the client writes is an id all the same.
    WriteSetting("ID", std::string(300, 'f'));
    const std::string gone = m_folder + "-gone";
    const std::string deep = "C:\\" + std::string(240, 'x');
    const struct {
        std::string serverPath;
        std::string folder;
    } cases[] = {
        {gone + "\\運", gone},
        {deep + "\\karvex.dll", deep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        ::DeleteFileA((TempFolder() + "karvex-uninstall.log").c_str());
        SetServerPath(c.serverPath);
        HWND question = StartWithMessage();
        ASSERT_NE(question, nullptr);
        PressButton(question, IDOK);
        EXPECT_NE(m_setup.WaitForWizard(), nullptr);
        EXPECT_EQ(UninstallerLog(), "folder=" + c.folder + " pid=0\r\n");
        m_setup.Process().Kill();
    }
}

// Registered paths that name no folder the uninstaller could be given.
TEST_F(SetupChecksTest, AnOldPathWithoutAUsableFolderStopsTheInstaller)
{
    const std::string cases[] = {
        "karvex.dll",                       // no folder at all
        "\\karvex.dll",                     // an empty folder
        "C:\\Old\"Karvex\\karvex.dll",      // a quote would end the argument early
        "C:\\" + std::string(270, 'x') + "\\karvex.dll",  // longer than a path
    };
    InstallEarlierVersion();
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        SetServerPath(path);
        HWND question = StartWithMessage();
        ASSERT_NE(question, nullptr);
        PressButton(question, IDOK);
        // The failure is captioned with the program's own name.
        HWND failure = m_setup.WaitForDialog("setup");
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(MessageBoxText(failure), kUninstallFailed);
        PressButton(failure, IDOK);
        ExpectEndWithoutWizard();
        EXPECT_EQ(UninstallerLog(), "");
    }
}

// Wine answers every administrator check with yes: the seam points the check
// at the guests' group, which the test user does not hold.
TEST_F(SetupChecksTest, ANonAdministratorIsRefused)
{
    InstallEarlierVersion();
    SetSeam("KARVEX_SEAM_ADMIN_RID", "546");
    HWND refusal = StartWithMessage(kCheckCaption, "setup_seams.exe");
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(MessageBoxText(refusal), "请使用管理员权限安装Karvex");
    PressButton(refusal, IDOK);
    ExpectEndWithoutWizard();
    EXPECT_FALSE(FileExists(TempUninstaller()));
}

}  // namespace
}  // namespace karvex::test
