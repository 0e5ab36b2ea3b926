#include "tests/wine/support/setup_fixture.h"

#include <objbase.h>

#include "setup/res/resource.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/install.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

const PackageFile kPackage[7] = {
    {164, "adv.db", nullptr},          {171, "TrustPrograms.dat", nullptr}, {167, "karvex.exe", "karvex.exe"},
    {168, "qua.db", nullptr},          {169, "uninstall.exe", "uninstall.exe"},
    {170, "url.db", nullptr},          {166, "karvex.dll", "karvex.dll"},
};

namespace {

constexpr const char* kSeams[] = {"KARVEX_SEAM_ADMIN_RID", "KARVEX_SEAM_COPY_DELAY_MS"};

// Ends the uninstaller stand-ins whose prompt a failed test left open.
void EndUninstallers()
{
    for (HWND prompt : FindWindows("#32770", kUninstallCaption)) {
        ChildProcess uninstaller;
        if (uninstaller.Attach(WindowProcessId(prompt)))
            uninstaller.Kill();
    }
}

}  // namespace

void SetupTest::SetUp()
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EndAllClients();
    EndUninstallers();
    ResetRegistry();
    m_folder = SetupTestFolder(CurrentTestName());
    RemoveInstallation(m_folder);
    m_browser = std::make_unique<BrowserRecorder>();
}

void SetupTest::TearDown()
{
    m_setup.Process().Kill();
    EndUninstallers();
    EndAllClients();
    for (const char* seam : kSeams)
        ::SetEnvironmentVariableA(seam, nullptr);
    m_browser.reset();
    ::CoUninitialize();
}

std::string SetupTest::SetupPath() const
{
    return BuildFolder() + "\\setup.exe";
}

void SetupTest::SetSeam(const char* name, const char* value)
{
    ::SetEnvironmentVariableA(name, value);
}

void SetupTest::StartWizard(const std::string& program)
{
    const bool named = program.find('\\') == std::string::npos;
    ASSERT_TRUE(m_setup.Start(named ? BuildFolder() + "\\" + program : program));
    ASSERT_NE(m_setup.WaitForWizard(), nullptr);
}

void SetupTest::Install(const std::string& folderText)
{
    m_setup.Click(IDC_ACCEPT_LICENSE);
    ASSERT_TRUE(WaitUntil([&] { return m_setup.IsEnabled(IDC_INSTALL); }));
    m_setup.SetText(IDC_FOLDER, folderText);
    m_setup.Click(IDC_INSTALL);
}

}  // namespace karvex::test
