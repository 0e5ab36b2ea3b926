// The tray window as the shell, the protection component and the user drive
// it: icon, tooltip, menu commands and alerts.
#include <gtest/gtest.h>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"

namespace karvex::test {
namespace {

class TrayTest : public RunningClientTest {
protected:
    void SetUp() override
    {
        RunningClientTest::SetUp();
        ASSERT_TRUE(m_shell.WaitForEvent([](const TrayEvent& e) { return e.message == NIM_ADD; }));
    }

    std::vector<BYTE> Icon(int id) const { return ProgramIconBits(m_folder->Client().c_str(), id); }

    bool WaitForIcon(int id) const
    {
        return WaitUntil([&] { return m_shell.CurrentIcon() == Icon(id); });
    }

    DWORD Active() const
    {
        DWORD value = 0xFFFFFFFF;
        ReadSetting("active", value);
        return value;
    }
};

TEST_F(TrayTest, DisableAndEnableFlipActiveAndTheIcon)
{
    ASSERT_TRUE(WaitForIcon(IDI_SHIELD_ON));
    Post(WM_COMMAND, ID_TRAY_TOGGLE_PROTECTION, 0);
    EXPECT_TRUE(WaitForIcon(IDI_SHIELD_BLOCKED));
    EXPECT_EQ(Active(), 0u);
    Post(WM_COMMAND, ID_TRAY_TOGGLE_PROTECTION, 0);
    EXPECT_TRUE(WaitForIcon(IDI_SHIELD_ON));
    EXPECT_EQ(Active(), 1u);

    // Any value but 1 reads as off, so the command switches protection on.
    WriteSetting("active", 5);
    Post(WM_COMMAND, ID_TRAY_TOGGLE_PROTECTION, 0);
    EXPECT_TRUE(WaitUntil([&] { return Active() == 1; }));
    EXPECT_TRUE(WaitForIcon(IDI_SHIELD_ON));
}

TEST_F(TrayTest, ExitEndsTheClientAndRemovesTheIcon)
{
    Post(WM_COMMAND, ID_TRAY_EXIT, 0);
    DWORD code = 1;
    ASSERT_TRUE(m_client.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(m_shell.WaitForEvent([](const TrayEvent& e) { return e.message == NIM_DELETE; }));
}

TEST_F(TrayTest, InterceptionAlertsAreCountedAndUpdateResultsAreNot)
{
    for (WPARAM type : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 0u, 15u, 0x7FFFFFFFu})
        Post(kShowAlertMessage, type, 0);
    for (WPARAM type : {12u, 13u, 14u})
        Post(kShowAlertMessage, type, 0);
    // A missing count reads as 1, and every interception adds one.
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 15))) << m_shell.CurrentTip();
    DWORD count = 0;
    EXPECT_TRUE(ReadSetting("PopCount", count));
    EXPECT_EQ(count, 15u);
}

TEST_F(TrayTest, TooltipShowsVersionsAndTheCount)
{
    EXPECT_EQ(m_shell.CurrentTip(), "Karvex\n版本号：");
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
    // The count is shown as a signed number.
    WriteSetting("PopCount", 4294967295u);
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", -1))) << m_shell.CurrentTip();
}

// The shell's tip field holds 63 bytes and a terminator: a longer tip is cut
// there, on a whole character, rather than read past its end.
TEST_F(ClientTest, TooltipIsCutToTheShellsField)
{
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("update", TodayUpdateText(1, 0));
    m_folder->WriteDatabase("url.db", 2147483647, 2147483647, 3);
    WriteSetting("PopCount", 2147483647u);
    ASSERT_NE(StartClientWithTray(), nullptr);
    const std::string full = StatusTip("2147483647.2147483647", 2147483647);
    ASSERT_GT(full.size(), 63u);
    EXPECT_TRUE(WaitForStatusTip(full.substr(0, 63))) << m_shell.CurrentTip();
}

TEST_F(TrayTest, NotificationsForAnotherIconAreIgnored)
{
    WriteSetting("PopCount", 9);
    Post(kTrayNotifyMessage, kTrayIconId + 1, WM_MOUSEMOVE);
    Post(kTrayNotifyMessage, kTrayIconId, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 9)));
    size_t tips = 0;
    for (const TrayEvent& event : m_shell.Events())
        tips += event.message == NIM_MODIFY && (event.flags & NIF_TIP) ? 1 : 0;
    EXPECT_EQ(tips, 1u);
}

TEST_F(TrayTest, ShellRestartBringsTheIconBackAsItWas)
{
    Post(WM_COMMAND, ID_TRAY_TOGGLE_PROTECTION, 0);
    ASSERT_TRUE(WaitForIcon(IDI_SHIELD_BLOCKED));
    ASSERT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
    const size_t before = m_shell.Events().size();

    Post(::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    TrayEvent add;
    ASSERT_TRUE(m_shell.WaitForEvent([](const TrayEvent& e) { return e.message == NIM_ADD; }, &add, before));
    EXPECT_EQ(add.flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.tip, StatusTip("1.0002", 1));
    EXPECT_EQ(add.icon, Icon(IDI_SHIELD_BLOCKED));
}

TEST_F(TrayTest, MenuCommandsReachTheClient)
{
    Post(kTrayNotifyMessage, kTrayIconId, WM_RBUTTONUP);
    HWND menu = m_client.WaitForWindow("#32768", nullptr);
    ASSERT_NE(menu, nullptr);
    // The menu's own keyboard handling: "退出(&X)".
    Post(WM_CHAR, 'x', 0);
    DWORD code = 1;
    EXPECT_TRUE(m_client.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(TrayTest, StrayMessagesChangeNothing)
{
    Post(WM_CLOSE, 0, 0);
    Post(WM_TIMER, 1, 0);
    Post(WM_COMMAND, 1234, 0);
    Post(kTrayNotifyMessage, kTrayIconId, WM_KEYDOWN);
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
    EXPECT_TRUE(m_client.IsRunning());
    EXPECT_TRUE(::IsWindow(m_tray));
}

// The menu resource itself: texts, commands and order.
TEST(TrayMenuResourceTest, HoldsTheCommandsInOrder)
{
    HMODULE client = ::LoadLibraryExA((BuildFolder() + "\\karvex.exe").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(client, nullptr);
    HMENU menu = ::LoadMenuA(client, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(menu, nullptr);
    HMENU popup = ::GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    struct Item {
        UINT id;
        const char* text;
    };
    const Item expected[] = {{ID_TRAY_OPTIONS, "设置选项(&O)..."}, {ID_TRAY_UPDATE_NOW, "立即更新"}, {0, nullptr},
                             {ID_TRAY_ABOUT, "关于..."},          {0, nullptr},                   {ID_TRAY_TOGGLE_PROTECTION, "禁用Karvex"},
                             {ID_TRAY_EXIT, "退出(&X)"}};
    ASSERT_EQ(::GetMenuItemCount(popup), 7);
    for (int i = 0; i < 7; ++i) {
        char text[64] = {};
        ::GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (expected[i].text == nullptr) {
            EXPECT_EQ(::GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
        } else {
            EXPECT_EQ(::GetMenuItemID(popup, i), expected[i].id);
            EXPECT_STREQ(text, expected[i].text);
        }
    }
    ::DestroyMenu(menu);
    ::FreeLibrary(client);
}

}  // namespace
}  // namespace karvex::test
