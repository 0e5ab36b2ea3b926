// Start-up of the client, driven from outside: component registration,
// settings, the Run entry, single instance and the uninstall request.
#include <gtest/gtest.h>

#include <fstream>

#include "common/component.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"

namespace karvex::test {
namespace {

using StartUpTest = ClientTest;

bool IsAdd(const TrayEvent& event)
{
    return event.message == NIM_ADD;
}

TEST_F(StartUpTest, FirstStartRegistersTheComponentAndShowsTheIcon)
{
    // Leftovers that the component's registration must clear.
    WriteSetting("PopCount", 7);
    WriteSetting("update", "0,1,2001.1.1");
    ASSERT_FALSE(IsComponentRegistered());

    ASSERT_TRUE(StartClientWithTray());
    EXPECT_TRUE(IsComponentRegistered());
    EXPECT_EQ(ComponentServerPath(), m_folder->File("karvex.dll"));
    DWORD value = 0;
    EXPECT_TRUE(ReadSetting("active", value) && value == 1);
    EXPECT_TRUE(ReadSetting("SEARCH", value) && value == 1);
    EXPECT_TRUE(ReadSetting("autorun", value) && value == 1);
    EXPECT_FALSE(ReadSetting("PopCount", value));
    std::string text;
    EXPECT_FALSE(ReadSetting("update", text));
    std::string run;
    ASSERT_TRUE(ReadRunEntry(run));
    EXPECT_EQ(run, m_folder->Client());

    TrayEvent add;
    ASSERT_TRUE(m_shell.WaitForEvent(IsAdd, &add));
    EXPECT_EQ(add.window, m_tray);
    EXPECT_EQ(add.id, kTrayIconId);
    EXPECT_EQ(add.flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.callbackMessage, kTrayNotifyMessage);
    EXPECT_EQ(add.tip, "Karvex\n版本号：");
    EXPECT_EQ(add.icon, ProgramIconBits(m_folder->Client().c_str(), 138));
}

TEST_F(StartUpTest, ProtectionOffIsSwitchedBackOnWithTheIconOfStartUp)
{
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("active", 0);
    ASSERT_TRUE(StartClientWithTray());
    DWORD active = 0;
    EXPECT_TRUE(ReadSetting("active", active) && active == 1);
    TrayEvent add;
    ASSERT_TRUE(m_shell.WaitForEvent(IsAdd, &add));
    EXPECT_EQ(add.icon, ProgramIconBits(m_folder->Client().c_str(), 138));
}

TEST_F(StartUpTest, SecondStartEndsAtOnceAndTheFirstKeepsRunning)
{
    ASSERT_TRUE(StartClientWithTray());
    ChildProcess second;
    ASSERT_TRUE(second.Start(m_folder->Client()));
    DWORD code = 1;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(m_client.IsRunning());
    EXPECT_EQ(FindWindows(kTrayWindowClass, nullptr).size(), 1u);
}

TEST_F(StartUpTest, NoIconShownMeansNoClient)
{
    m_shell.RefuseAdd(true);
    ASSERT_TRUE(StartClient());
    DWORD code = 1;
    ASSERT_TRUE(m_client.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(StartUpTest, RunsFromAFolderWhoseNameHidesABackslashByte)
{
    // The second byte of this character is 0x5C.
    m_folder = std::make_unique<InstallFolder>("Karvex淺");
    ASSERT_TRUE(StartClientWithTray());
    EXPECT_EQ(ComponentServerPath(), m_folder->File("karvex.dll"));
    std::string run;
    EXPECT_TRUE(ReadRunEntry(run) && run == m_folder->Client());
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
}

// ---------------------------------------------------------------------------
// The protection component must be registered, or the client does not start.

struct ComponentCase {
    const char* name;
    bool registeredBefore;
    const char* componentFile;  // what karvex.dll is replaced by; "" removes it
    bool starts;
};

class ComponentTest : public ClientTest, public ::testing::WithParamInterface<ComponentCase> {};

TEST_P(ComponentTest, StartsOnlyWithARegisteredComponent)
{
    const ComponentCase& c = GetParam();
    if (c.registeredBefore) {
        ASSERT_TRUE(RegisterComponentIn(*m_folder));
    }
    if (c.componentFile != nullptr) {
        m_folder->Remove("karvex.dll");
        if (*c.componentFile != '\0') {
            ASSERT_TRUE(::CopyFileA((BuildFolder() + "\\" + c.componentFile).c_str(),
                                    m_folder->File("karvex.dll").c_str(), FALSE));
        }
    }
    ASSERT_TRUE(StartClient());
    if (c.starts) {
        EXPECT_NE(m_client.WaitForTrayWindow(), nullptr);
    } else {
        DWORD code = 1;
        ASSERT_TRUE(m_client.WaitForExit(15000, &code));
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(SettingsKeyExists());
    }
}

INSTANTIATE_TEST_SUITE_P(Components, ComponentTest, ::testing::Values(
    ComponentCase{"Unregistered", false, nullptr, true},
    ComponentCase{"RegisteredFileMissing", true, "", true},
    ComponentCase{"UnregisteredFileMissing", false, "", false},
    ComponentCase{"UnregisteredWithoutExport", false, "no_register.dll", false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The Run entry follows "autorun" and names the running executable.

struct AutorunCase {
    const char* name;
    bool settingsKey;
    int autorun;  // -1: value missing
    bool runEntry;
    bool runEntryIsOld;
};

class AutorunTest : public ClientTest, public ::testing::WithParamInterface<AutorunCase> {};

TEST_P(AutorunTest, RunEntryFollowsTheSetting)
{
    const AutorunCase& c = GetParam();
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    if (c.autorun >= 0)
        WriteSetting("autorun", DWORD(c.autorun));
    if (!c.settingsKey)
        DeleteSettingsKey();
    WriteRunEntry("C:\\old\\karvex.exe");

    ASSERT_TRUE(StartClientWithTray());
    std::string run;
    EXPECT_EQ(ReadRunEntry(run), c.runEntry);
    if (c.runEntry) {
        EXPECT_EQ(run, c.runEntryIsOld ? std::string("C:\\old\\karvex.exe") : m_folder->Client());
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, AutorunTest, ::testing::Values(
    AutorunCase{"Default", true, -1, true, false},
    AutorunCase{"On", true, 1, true, false},
    AutorunCase{"Off", true, 0, false, false},
    AutorunCase{"TwoMeansOff", true, 2, false, false},
    AutorunCase{"NoSettingsKey", false, -1, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvex::test
