// The installer's wizard driven from outside, as its user would: licence,
// folder, Install, the copy run, Finish, and what an installation leaves on
// the machine; failures, the cancel question and forged messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "common/component.h"
#include "common/product.h"
#include "common/servers.h"
#include "common/win/registry.h"
#include "setup/res/resource.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/screen.h"
#include "tests/wine/support/setup_fixture.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {
namespace {

constexpr UINT kCopyDone = WM_USER + 100;
constexpr WPARAM kCopySucceeded = 0xABCD;

constexpr char kTrustPrograms[] =
    "MSOHTMED.EXE\r\nmsmsgs.exe\r\nNOTEPAD.EXE\r\nGameClient.exe\r\nqq.exe\r\nFetion.exe\r\n"
    "WangWang.exe\r\nFastAIT.exe\r\ndwwin.exe\r\nThunder.exe";

// The DWORD values of the settings key, by name.
std::map<std::string, DWORD> SettingsValues()
{
    std::map<std::string, DWORD> values;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (::RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                            &size) != ERROR_SUCCESS)
            break;
        values[name] = type == REG_DWORD ? value : 0xFFFFFFFF;
    }
    return values;
}

int FilesPresent(const std::string& folder)
{
    int count = 0;
    for (const PackageFile& file : kPackage)
        count += FileExists(folder + "\\" + file.name) ? 1 : 0;
    return count;
}

class SetupWizardTest : public SetupTest {
protected:
    // Installs into m_folder with setup_seams.exe, whose copy run pauses
    // `pauseMs` halfway through each file, so that a test can act during it.
    void StartSlowInstall(const char* pauseMs)
    {
        SetSeam("KARVEX_SEAM_COPY_DELAY_MS", pauseMs);
        StartWizard("setup_seams.exe");
        Install(m_folder);
    }

    // Waits until the copy page's status line names the file `name` of the
    // package as the one being written.
    bool WaitForStatus(const std::string& name) const
    {
        const std::string status = "正在复制文件到 " + File(name);
        return WaitUntil([&] { return ControlText(m_setup.Control(IDC_STATUS)) == status; }, 15000);
    }

    // Waits for the failure dialog and returns its reason.
    std::string FailureReason(HWND* dialog = nullptr)
    {
        HWND failure = m_setup.WaitForDialog(kFailureCaption);
        if (dialog != nullptr)
            *dialog = failure;
        return failure != nullptr ? ControlText(::GetDlgItem(failure, IDC_REASON)) : "(no failure dialog)";
    }

    void ExpectNothingAfter(int rowsWritten)
    {
        for (int row = rowsWritten; row < 7; ++row)
            EXPECT_FALSE(FileExists(File(kPackage[row].name))) << kPackage[row].name;
        EXPECT_FALSE(IsComponentRegistered());
        EXPECT_FALSE(FileExists(DesktopShortcutPath()));
        EXPECT_FALSE(FileExists(ProgramGroupPath()));
    }
};

TEST_F(SetupWizardTest, InstallsThroughTheWizardAndStartsTheClient)
{
    StartWizard();
    EXPECT_FALSE(m_setup.IsEnabled(IDC_INSTALL));
    EXPECT_FALSE(m_setup.IsShown(IDC_FINISH));
    EXPECT_FALSE(m_setup.IsShown(IDC_BACK));
    EXPECT_TRUE(m_setup.IsChecked(IDC_MAKE_GROUP));
    char programFiles[MAX_PATH];
    ::ExpandEnvironmentStringsA("%ProgramFiles%", programFiles, sizeof programFiles);
    EXPECT_EQ(ControlText(m_setup.Control(IDC_FOLDER)), std::string(programFiles) + "\\Karvex");

    // The licence check box alone enables Install, every time.
    for (bool accepted : {true, false, true}) {
        m_setup.Click(IDC_ACCEPT_LICENSE);
        EXPECT_TRUE(WaitUntil([&] { return m_setup.IsEnabled(IDC_INSTALL) == accepted; })) << accepted;
    }

    // The link opens the licence view; Back returns to the folder view.
    HWND link = m_setup.Control(IDC_LICENSE_LINK);
    ::PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitUntil([&] { return m_setup.IsShown(IDC_LICENSE_TEXT) && !m_setup.IsShown(IDC_INSTALL); }));
    for (int id : {IDC_FOLDER, IDC_BROWSE, IDC_MAKE_GROUP, IDC_SPACE_NOTE, IDC_FOLDER_LABEL, IDC_MAKE_GROUP_LABEL})
        EXPECT_FALSE(m_setup.IsShown(id)) << id;
    EXPECT_TRUE(m_setup.IsShown(IDC_BACK));
    EXPECT_FALSE(m_setup.IsShown(IDC_INSTALL));
    const std::string license = ResourceBytes(SetupPath(), "LICENSE", IDR_LICENSE);
    EXPECT_GT(license.size(), 4000u);
    EXPECT_EQ(ControlText(m_setup.Control(IDC_LICENSE_TEXT)), license);
    SaveScreenshot(m_setup.Wizard(), "setup-licence");
    m_setup.Click(IDC_BACK);
    ASSERT_TRUE(m_setup.WaitForShown(IDC_INSTALL));
    EXPECT_FALSE(m_setup.IsShown(IDC_LICENSE_TEXT));
    EXPECT_FALSE(m_setup.IsShown(IDC_BACK));
    EXPECT_TRUE(m_setup.IsShown(IDC_INSTALL));

    // The folder as typed, with a backslash at its end.
    m_setup.SetText(IDC_FOLDER, m_folder + "\\");
    SaveScreenshot(m_setup.Wizard(), "setup-welcome");
    m_setup.Click(IDC_INSTALL);
    ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH));
    SaveScreenshot(m_setup.Wizard(), "setup-finish");
    EXPECT_TRUE(m_setup.IsEnabled(IDC_FINISH));
    EXPECT_FALSE(m_setup.IsShown(IDCANCEL));
    EXPECT_FALSE(m_setup.IsShown(IDC_STEP_MARKER));
    EXPECT_FALSE(m_setup.IsShown(IDC_INSTALL));
    EXPECT_TRUE(m_setup.IsChecked(IDC_RUN_CLIENT));
    EXPECT_TRUE(m_setup.IsChecked(IDC_OPEN_HELP));
    EXPECT_FALSE(m_setup.IsShown(IDC_OPEN_HELP));
    EXPECT_FALSE(m_setup.IsShown(IDC_DEMO_LINK));

    // The package, byte for byte: what setup.exe carries is what this build made.
    for (const PackageFile& file : kPackage) {
        const std::string installed = ReadFileAt(File(file.name));
        EXPECT_EQ(installed, ResourceBytes(SetupPath(), "INSTALL_FILES", file.resourceId)) << file.name;
        EXPECT_FALSE(installed.empty()) << file.name;
        if (file.built != nullptr) {
            EXPECT_EQ(installed, ReadFileAt(BuildFolder() + "\\" + file.built)) << file.name;
        }
    }
    EXPECT_EQ(ReadFileAt(File("TrustPrograms.dat")), kTrustPrograms);
    EXPECT_FALSE(FileExists(File("update.exe")));

    // Registered from the install folder, with the component's initial settings only.
    EXPECT_TRUE(IsComponentRegistered());
    EXPECT_EQ(ComponentServerPath(), File("karvex.dll"));
    EXPECT_EQ(SettingsValues(),
              (std::map<std::string, DWORD>{{"AutoReport", 0}, {"AutoUpProgram", 1}, {"SEARCH", 1}, {"active", 1}}));

    Shortcut shortcut;
    ASSERT_TRUE(LoadShortcut(DesktopShortcutPath(), shortcut));
    EXPECT_EQ(shortcut.target, File("karvex.exe"));
    EXPECT_EQ(shortcut.arguments, "");
    ASSERT_TRUE(LoadShortcut(ProgramGroupPath() + "\\Karvex.lnk", shortcut));
    EXPECT_EQ(shortcut.target, File("karvex.exe"));
    EXPECT_EQ(shortcut.arguments, "");
    ASSERT_TRUE(LoadShortcut(ProgramGroupPath() + "\\卸载Karvex.lnk", shortcut));
    EXPECT_EQ(shortcut.target, File("karvex.exe"));
    EXPECT_EQ(shortcut.arguments, "/u");

    // Finish starts the installed client and opens the first-use page.
    m_setup.Click(IDC_FINISH);
    DWORD code = 1;
    ASSERT_TRUE(m_setup.Process().WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitUntil([] { return FindWindows(kTrayWindowClass, nullptr).size() == 1; }, 15000));
    std::string run;
    EXPECT_TRUE(WaitUntil([&] { return ReadRunEntry(run); }));
    EXPECT_EQ(run, File("karvex.exe"));
    const std::string page = std::string("http://") + kWebHost + "/firsthelp.html\n";
    EXPECT_TRUE(WaitUntil([&] { return m_browser->Opened() == page; })) << m_browser->Opened();
}

TEST_F(SetupWizardTest, WithoutTheGroupAndTheRunChoiceOnlyTheDesktopShortcutAndThePage)
{
    StartWizard();
    m_setup.Click(IDC_MAKE_GROUP);
    ASSERT_TRUE(WaitUntil([&] { return !m_setup.IsChecked(IDC_MAKE_GROUP); }));
    Install(m_folder);
    ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH));
    EXPECT_TRUE(FileExists(DesktopShortcutPath()));
    EXPECT_FALSE(FileExists(ProgramGroupPath()));

    m_setup.Click(IDC_RUN_CLIENT);
    ASSERT_TRUE(WaitUntil([&] { return !m_setup.IsChecked(IDC_RUN_CLIENT); }));
    m_setup.Click(IDC_FINISH);
    ASSERT_TRUE(m_setup.Process().WaitForExit(10000));
    const std::string page = std::string("http://") + kWebHost + "/firsthelp.html\n";
    EXPECT_TRUE(WaitUntil([&] { return m_browser->Opened() == page; })) << m_browser->Opened();
    EXPECT_TRUE(FindWindows(kTrayWindowClass, nullptr).empty());
}

// Texts that make no folder to install into: said so (an empty text only by
// the focus), and the focus is back in the field. A root would be emptied of
// its Temp and update folders at every start of the client.
TEST_F(SetupWizardTest, FolderTextsThatMakeNoUsableFolderAreRefusedWithTheFocusBackInTheField)
{
    struct Case {
        std::string text;
        const char* said;  // a phrase of the message, or null: no message
    };
    const Case cases[] = {
        {"", nullptr},
        {"\\", nullptr},
        // The root of a drive, as the folder browser gives it, and made of "..".
        {"C:\\", "根目录"},
        {"C:\\Windows\\..", "根目录"},
        {"\\\\server\\share", "根目录"},
        {"\\\\server\\share\\", "根目录"},
        // Relative to the current folder or drive.
        {"Karvex", "完整"},
        {"C:", "完整"},
        {"C:Karvex", "完整"},
        {"\\Karvex", "完整"},
        // Device names and paths, names the file system would cut.
        {m_folder + "\\NUL", "文件夹名"},
        {"C:\\com1.txt\\Karvex", "文件夹名"},
        {"\\\\.\\C:\\Karvex", "文件夹名"},
        {m_folder + ".", "文件夹名"},
        {m_folder + " ", "文件夹名"},
        {"C:\\Karvex. \\Karvex", "文件夹名"},
        // Too long for the paths the client makes inside its folder.
        {"C:\\" + std::string(236, 'x'), "太长"},
    };
    StartWizard();
    m_setup.Click(IDC_ACCEPT_LICENSE);
    ASSERT_TRUE(WaitUntil([&] { return m_setup.IsEnabled(IDC_INSTALL); }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        m_setup.SetText(IDC_FOLDER, c.text);
        // The click takes the focus to the button; a refusal gives it back to the field.
        m_setup.Click(IDC_INSTALL);
        if (c.said != nullptr) {
            HWND box = m_setup.WaitForDialog(kCheckCaption);
            ASSERT_NE(box, nullptr);
            EXPECT_NE(MessageBoxText(box).find(c.said), std::string::npos) << MessageBoxText(box);
            PressButton(box, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }));
        }
        EXPECT_TRUE(WaitUntil([&] { return m_setup.Focus() == m_setup.Control(IDC_FOLDER); }));
        EXPECT_FALSE(m_setup.HasDialog(kCheckCaption));
        EXPECT_TRUE(m_setup.IsShown(IDC_INSTALL));
        EXPECT_FALSE(m_setup.IsShown(IDC_PROGRESS));
    }
    // (With a dot or a blank at its end, the folder's name would be cut back to m_folder.)
    EXPECT_FALSE(FileExists(m_folder));
}

// A burst of clicks on "..." while the folder browser is open: its modal
// loop takes them, and none opens a second browser.
TEST_F(SetupWizardTest, TheFolderBrowserOpensOnceForABurstOfClicks)
{
    StartWizard();
    HWND welcome = m_setup.VisiblePage();
    // The installer's dialogs on screen but its wizard.
    const auto browsers = [&] {
        std::vector<HWND> open;
        for (HWND window : FindWindows("#32770", nullptr)) {
            if (WindowProcessId(window) == m_setup.Process().Id() && window != m_setup.Wizard() &&
                ::IsWindowVisible(window))
                open.push_back(window);
        }
        return open;
    };
    for (int i = 0; i < 20; ++i)
        ::PostMessageA(welcome, WM_COMMAND, IDC_BROWSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !browsers().empty(); }));
    size_t most = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 1500) {
        most = std::max(most, browsers().size());
        ::Sleep(20);
    }
    EXPECT_EQ(most, 1u);

    // Closed, it stays closed: the clicks it took are gone with it.
    const std::vector<HWND> open = browsers();
    ASSERT_EQ(open.size(), 1u);
    HWND browser = open.front();
    PressButton(browser, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return browsers().empty(); }));
    ::Sleep(1000);
    EXPECT_TRUE(browsers().empty());
    EXPECT_TRUE(m_setup.Process().IsRunning());
    EXPECT_EQ(m_setup.VisiblePage(), welcome);
}

// 運 is one of the GBK characters whose second byte is a backslash: the
// folder keeps it whole, with or without a backslash typed after it.
TEST_F(SetupWizardTest, AFolderEndingInADoubleByteCharacterIsKeptWhole)
{
    ::CreateDirectoryA(m_folder.c_str(), nullptr);
    m_folder += "\\軟體運";
    for (const std::string& typed : {m_folder, m_folder + "\\"}) {
        SCOPED_TRACE(typed);
        DeleteTree(m_folder);
        ResetRegistry();
        StartWizard();
        Install(typed);
        ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH));
        EXPECT_EQ(FilesPresent(m_folder), 7);
        EXPECT_EQ(ComponentServerPath(), File("karvex.dll"));
        m_setup.Process().Kill();
    }
}

TEST_F(SetupWizardTest, AComponentThatDoesNotRegisterFailsTheInstallation)
{
    // The installer with a broken component in its package.
    const std::string broken = TempFolder() + "setup-broken-component.exe";
    const std::string component = ReadFileAt(BuildFolder() + "\\no_register.dll");
    ASSERT_TRUE(::CopyFileA(SetupPath().c_str(), broken.c_str(), FALSE));
    HANDLE update = ::BeginUpdateResourceA(broken.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(::UpdateResourceA(update, "INSTALL_FILES", MAKEINTRESOURCEA(166),
                                  MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
                                  const_cast<char*>(component.data()), static_cast<DWORD>(component.size())));
    ASSERT_TRUE(::EndUpdateResourceA(update, FALSE));

    // A folder of everyday length, as the failure dialog shows it.
    m_folder = SetupTestFolder("Broken");
    RemoveInstallation(m_folder);
    StartWizard(broken);
    Install(m_folder);
    HWND failure = nullptr;
    EXPECT_EQ(FailureReason(&failure), "注册文件 " + File("karvex.dll") + " 失败");
    ASSERT_NE(failure, nullptr);
    SaveScreenshot(failure, "setup-failure");
    EXPECT_EQ(FilesPresent(m_folder), 7);
    EXPECT_EQ(ReadFileAt(File("karvex.dll")), component);
    ExpectNothingAfter(7);

    PressButton(failure, IDOK);
    ASSERT_TRUE(m_setup.Process().WaitForExit(10000));
    ::DeleteFileA(broken.c_str());
}

TEST_F(SetupWizardTest, AFileThatCannotBeWrittenFailsTheInstallationThere)
{
    struct Case {
        const char* what;
        std::string folder;
        int failingRow;
    };
    const std::string blocked = m_folder + "\\blocked";
    const Case cases[] = {
        {"no parent folder", m_folder + "\\missing\\Karvex", 0},
        {"a file in the folder's place", m_folder + "\\file", 0},
        {"the client's file held open", blocked, 2},
    };
    ::CreateDirectoryA(m_folder.c_str(), nullptr);
    ::CloseHandle(::CreateFileA((m_folder + "\\file").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ::CreateDirectoryA(blocked.c_str(), nullptr);
    UniqueFile held(::CreateFileA((blocked + "\\karvex.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr));
    ASSERT_TRUE(held);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto path = [&](int row) { return c.folder + "\\" + kPackage[row].name; };
        StartWizard();
        Install(c.folder);
        HWND failure = nullptr;
        EXPECT_EQ(FailureReason(&failure), "复制文件 " + path(c.failingRow) + " 失败");
        // What was written before stays; nothing after it is begun.
        for (int row = 0; row < c.failingRow; ++row)
            EXPECT_TRUE(FileExists(path(row))) << kPackage[row].name;
        for (int row = c.failingRow + 1; row < 7; ++row)
            EXPECT_FALSE(FileExists(path(row))) << kPackage[row].name;
        EXPECT_FALSE(IsComponentRegistered());
        EXPECT_FALSE(FileExists(DesktopShortcutPath()));
        PressButton(failure, IDOK);
        EXPECT_TRUE(m_setup.Process().WaitForExit(10000));
    }
}

class CancelDuringCopyTest : public SetupWizardTest, public ::testing::WithParamInterface<int> {};

TEST_P(CancelDuringCopyTest, TheQuestionHoldsTheRunUntilAnswered)
{
    const int answer = GetParam();
    StartSlowInstall("600");

    // Page 2 names each file as it is written and shows the share done.
    ASSERT_TRUE(WaitUntil([&] { return FileExists(File("adv.db")); }));
    ASSERT_TRUE(WaitForStatus("TrustPrograms.dat"));
    DWORD_PTR position = 0;
    ::SendMessageTimeoutA(m_setup.Control(IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &position);
    EXPECT_EQ(position, 14u);
    if (answer == IDNO)
        SaveScreenshot(m_setup.Wizard(), "setup-copy");

    m_setup.Click(IDCANCEL);
    HWND question = m_setup.WaitForDialog(kCancelCaption);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), "确实要取消安装 Karvex 吗？");
    // No file is begun while the question is open; the one under way ends.
    const int atQuestion = FilesPresent(m_folder);
    ::Sleep(1500);
    const int settled = FilesPresent(m_folder);
    EXPECT_LE(settled, atQuestion + 1);
    ::Sleep(1000);
    EXPECT_EQ(FilesPresent(m_folder), settled);
    EXPECT_LT(settled, 7);

    PressButton(question, answer);
    if (answer == IDNO) {
        ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH, 20000));
        EXPECT_EQ(FilesPresent(m_folder), 7);
        EXPECT_TRUE(IsComponentRegistered());
    } else {
        // The installer ends at the next file, without a failure dialog, and
        // takes back what it wrote: the files and the folder it made.
        ASSERT_TRUE(m_setup.Process().WaitForExit(10000));
        EXPECT_FALSE(FileExists(m_folder));
        ExpectNothingAfter(0);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelDuringCopyTest, ::testing::Values(IDNO, IDYES),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == IDNO ? "No" : "Yes");
                         });

// While the user decides, a failure of the file under way waits: the failure
// dialog follows the answer instead of closing the window under the question.
TEST_F(SetupWizardTest, AFailureWhileTheCancelQuestionIsOpenWaitsForTheAnswer)
{
    // karvex.exe, the third file, cannot be written.
    ::CreateDirectoryA(m_folder.c_str(), nullptr);
    UniqueFile held(::CreateFileA(File("karvex.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(held);
    StartSlowInstall("2000");

    // The second file is written: the third is under way when the question opens.
    ASSERT_TRUE(WaitUntil([&] { return FileExists(File("TrustPrograms.dat")); }, 15000));
    m_setup.Click(IDCANCEL);
    HWND question = m_setup.WaitForDialog(kCancelCaption);
    ASSERT_NE(question, nullptr);
    ::Sleep(3000);
    EXPECT_TRUE(m_setup.HasDialog(kCancelCaption));
    EXPECT_FALSE(m_setup.HasDialog(kFailureCaption));

    PressButton(question, IDNO);
    HWND failure = nullptr;
    EXPECT_EQ(FailureReason(&failure), "复制文件 " + File("karvex.exe") + " 失败");
    PressButton(failure, IDOK);
    EXPECT_TRUE(m_setup.Process().WaitForExit(10000));
}

// Cancel, Esc and the close box end the wizard at once on its first page and
// on its last, without a question: on the first nothing is installed, on the
// last the installation stays but neither the client nor the first-use page
// is started. (The last page offers no Cancel button.)
TEST_F(SetupWizardTest, CancelEscAndTheCloseBoxEndTheWizardWithoutAQuestion)
{
    enum Way { kCancelButton, kEscape, kCloseBox };
    struct Case {
        const char* name;
        bool lastPage;
        Way way;
    };
    const Case cases[] = {
        {"Cancel on the first page", false, kCancelButton}, {"Esc on the first page", false, kEscape},
        {"close box on the first page", false, kCloseBox},  {"Esc on the last page", true, kEscape},
        {"close box on the last page", true, kCloseBox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveInstallation(m_folder);
        ResetRegistry();
        StartWizard();
        if (c.lastPage) {
            Install(m_folder);
            ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH));
        }
        switch (c.way) {
        case kCancelButton:
            m_setup.Click(IDCANCEL);
            break;
        case kEscape:
            PressKey(m_setup.Wizard(), VK_ESCAPE);
            break;
        case kCloseBox:
            ::PostMessageA(m_setup.Wizard(), WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        // A question would hold the installer open.
        ASSERT_TRUE(m_setup.Process().WaitForExit(10000));
        if (c.lastPage) {
            EXPECT_EQ(FilesPresent(m_folder), 7);
            EXPECT_TRUE(IsComponentRegistered());
            ::Sleep(1000);
            EXPECT_TRUE(FindWindows(kTrayWindowClass, nullptr).empty());
            EXPECT_EQ(m_browser->Opened(), "");
        } else {
            EXPECT_FALSE(FileExists(m_folder));
        }
    }
}

// Ended from outside in the middle of the copy run (a WM_QUIT from any
// process ends the wizard's modal loop), the installer stops before the next
// file and takes back what it wrote: the files and the folder it made.
TEST_F(SetupWizardTest, AWizardQuitMidCopyTakesBackWhatItWrote)
{
    StartSlowInstall("600");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(File("TrustPrograms.dat")); }, 15000));
    ::PostMessageA(m_setup.Wizard(), WM_QUIT, 0, 0);
    ASSERT_TRUE(m_setup.Process().WaitForExit(15000));
    EXPECT_FALSE(FileExists(m_folder));
    ExpectNothingAfter(0);
}

// Killed while it writes a file, the installer can take nothing back; but a
// file is written under another name and renamed once whole, so no file
// under its own name is ever half written.
TEST_F(SetupWizardTest, AnInstallerKilledWhileWritingLeavesNoFileHalfWritten)
{
    StartSlowInstall("3000");
    // Halfway through the second file.
    ASSERT_TRUE(WaitForStatus("TrustPrograms.dat"));
    ::Sleep(1000);
    m_setup.Process().Kill();

    EXPECT_EQ(ReadFileAt(File("adv.db")), ResourceBytes(SetupPath(), "INSTALL_FILES", kPackage[0].resourceId));
    ExpectNothingAfter(1);
}

// The status line draws its text over the page's picture: when the text
// changes, the picture under the old text is drawn again first.
TEST_F(SetupWizardTest, TheStatusLineLeavesNoTraceOfItsEarlierText)
{
    StartSlowInstall("1500");
    // The third file's name is shorter than the second's.
    ASSERT_TRUE(WaitForStatus("karvex.exe"));
    ::Sleep(300);
    RECT area;
    ::GetWindowRect(m_setup.Control(IDC_STATUS), &area);
    const Picture shown = CaptureScreen(area);
    ::RedrawWindow(m_setup.VisiblePage(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300);
    const Picture repainted = CaptureScreen(area);
    ASSERT_EQ(ControlText(m_setup.Control(IDC_STATUS)), "正在复制文件到 " + File("karvex.exe"));
    EXPECT_FALSE(shown.bits.empty());
    EXPECT_TRUE(shown.bits == repainted.bits);
}

// Any process may send or post to the installer's windows: a forged end of
// the copy run, commands of buttons that are not offered, and the messages of
// a window's creation and destruction, which would take the pages' and the
// wizard's objects from their windows. The run goes on to its own end and
// Finish still works.
TEST_F(SetupWizardTest, ForgedMessagesChangeNothing)
{
    SetSeam("KARVEX_SEAM_COPY_DELAY_MS", "400");
    StartWizard("setup_seams.exe");
    HWND wizard = m_setup.Wizard();
    auto forgeEnd = [](HWND window) {
        ::PostMessageA(window, kCopyDone, kCopySucceeded, static_cast<LPARAM>(0xDEADBEE0));
        ::PostMessageA(window, kCopyDone, 0, static_cast<LPARAM>(0x12345678));
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(window, kCopyDone, kCopySucceeded, 0, SMTO_ABORTIFHUNG, 5000, &result);
    };
    auto forgeLifecycle = [](HWND window) {
        for (UINT message : {WM_INITDIALOG, WM_DESTROY, WM_NCDESTROY}) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutA(window, message, 0, static_cast<LPARAM>(0xDEADBEE0), SMTO_ABORTIFHUNG, 5000,
                                  &result);
            ::PostMessageA(window, message, 0, static_cast<LPARAM>(0xDEADBEE0));
        }
    };
    auto forgeCommands = [&](HWND page) {
        forgeLifecycle(page);
        forgeLifecycle(wizard);
        ::PostMessageA(page, WM_COMMAND, IDOK, 0);
        ::PostMessageA(page, WM_COMMAND, IDCANCEL, 0);
        ::PostMessageA(wizard, WM_COMMAND, IDOK, 0);
        ::PostMessageA(wizard, WM_COMMAND, IDC_INSTALL, 0);
        ::PostMessageA(wizard, WM_COMMAND, IDC_FINISH, 0);
        ::PostMessageA(wizard, WM_COMMAND, IDC_BACK, 0);
    };

    // Before the run, with the licence not accepted.
    HWND welcome = m_setup.VisiblePage();
    forgeEnd(welcome);
    forgeEnd(wizard);
    forgeCommands(welcome);
    ::Sleep(500);
    EXPECT_TRUE(m_setup.Process().IsRunning());
    EXPECT_EQ(m_setup.VisiblePage(), welcome);
    EXPECT_FALSE(FileExists(m_folder));

    // During the run.
    Install(m_folder);
    ASSERT_TRUE(m_setup.WaitForShown(IDC_PROGRESS));
    HWND copy = m_setup.VisiblePage();
    for (int round = 0; round < 3; ++round) {
        forgeEnd(copy);
        forgeCommands(copy);
        ::Sleep(300);
        EXPECT_TRUE(m_setup.Process().IsRunning());
        EXPECT_EQ(m_setup.VisiblePage(), copy);
        EXPECT_FALSE(m_setup.HasDialog(kFailureCaption));
    }
    EXPECT_LT(FilesPresent(m_folder), 7);

    // The run's own end is reported once. (Page 3 shows its Finish button
    // just before it takes page 2's place.)
    ASSERT_TRUE(m_setup.WaitForShown(IDC_FINISH, 20000));
    ASSERT_TRUE(WaitUntil([&] { return m_setup.VisiblePage() != copy; }));
    HWND finish = m_setup.VisiblePage();
    EXPECT_EQ(FilesPresent(m_folder), 7);
    forgeEnd(copy);
    forgeEnd(finish);
    forgeLifecycle(finish);
    forgeLifecycle(wizard);
    ::Sleep(500);
    EXPECT_TRUE(m_setup.Process().IsRunning());
    EXPECT_EQ(m_setup.VisiblePage(), finish);
    EXPECT_FALSE(m_setup.HasDialog(kFailureCaption));
    int pages = 0;
    for (HWND child = ::GetWindow(wizard, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        ::GetClassNameA(child, className, sizeof className);
        pages += std::string(className) == "#32770" ? 1 : 0;
    }
    EXPECT_EQ(pages, 3);
    // Nothing forged started the client; Finish does, and ends the installer.
    EXPECT_TRUE(FindWindows(kTrayWindowClass, nullptr).empty());
    m_setup.Click(IDC_FINISH);
    EXPECT_TRUE(m_setup.Process().WaitForExit(10000));
    EXPECT_TRUE(WaitUntil([] { return FindWindows(kTrayWindowClass, nullptr).size() == 1; }, 15000));
}

}  // namespace
}  // namespace karvex::test
