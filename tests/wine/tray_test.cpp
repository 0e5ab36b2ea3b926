// The tray window as the shell, the protection component and the user drive
// it: icon, tooltip, menu commands and alerts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/screen.h"

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

constexpr char kAboutTitle[] = "Karvex - 提示";

// Whether `dialog` opened whole: its title found it, and it lies in the
// middle of the work area with its rounded outline. (A dialog whose object
// was not adopted has neither: untitled, at (0, 0), unskinned.)
void ExpectWhole(HWND dialog)
{
    RECT window = {};
    ::GetWindowRect(dialog, &window);
    const RECT work = WorkArea();
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetWindowRgn(dialog, region), COMPLEXREGION);
    ::DeleteObject(region);
}

// Closes an open Options dialog or About box by its close button.
void CloseByButton(HWND dialog, int closeButton)
{
    ClickControl(dialog, closeButton);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }));
}

// Shells send the icon's clicks (Wine's and Explorer's alike), and other
// programs may send commands and wait: every window a handler opens is made
// inside that sent message, and still opens whole, closes, and opens again.
TEST_F(TrayTest, WindowsOpenWholeHoweverTheRequestArrives)
{
    struct Opener {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        // The menu's own key for a command, once the request opened the menu.
        char menuKey;
        const char* title;
        int closeButton;
    };
    const Opener openers[] = {
        {"double-click", kTrayNotifyMessage, kTrayIconId, WM_LBUTTONDBLCLK, 0, kOptionsTitle, IDC_OPTIONS_CLOSE},
        {"options command", WM_COMMAND, ID_TRAY_OPTIONS, 0, 0, kOptionsTitle, IDC_OPTIONS_CLOSE},
        {"about command", WM_COMMAND, ID_TRAY_ABOUT, 0, 0, kAboutTitle, IDC_ABOUT_CLOSE},
        {"right-click, then the menu's options", kTrayNotifyMessage, kTrayIconId, WM_RBUTTONUP, 'o', kOptionsTitle,
         IDC_OPTIONS_CLOSE},
    };
    for (Delivery delivery : {Delivery::kShellNotify, Delivery::kSent, Delivery::kPosted}) {
        for (const Opener& opener : openers) {
            SCOPED_TRACE(std::string(opener.name) + ", " + DeliveryName(delivery));
            ASSERT_TRUE(Deliver(m_tray, opener.message, opener.wParam, opener.lParam, delivery));
            if (opener.menuKey != 0) {
                ASSERT_NE(m_client.WaitForWindow("#32768", nullptr), nullptr);
                Post(WM_CHAR, static_cast<WPARAM>(opener.menuKey), 0);
            }
            HWND dialog = m_client.WaitForWindow("#32770", opener.title);
            ASSERT_NE(dialog, nullptr);
            ExpectWhole(dialog);
            CloseByButton(dialog, opener.closeButton);
        }
    }
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
}

// The client as the user meets it: its icon in Wine's own tray window (top
// left of the screen), clicked with the X pointer. Wine relays the clicks
// with SendNotifyMessage.
class WineTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EndAllClients();
        ClearStaleIcons();
        ResetRegistry();
        m_folder = std::make_unique<InstallFolder>(CurrentTestName());
        ASSERT_TRUE(RegisterComponentIn(*m_folder));
        WriteSetting("update", TodayUpdateText(1, 0));
        ASSERT_TRUE(m_client.Start(m_folder->Client()));
        m_tray = m_client.WaitForTrayWindow();
        ASSERT_NE(m_tray, nullptr);
    }

    void TearDown() override
    {
        MovePointer(1, 1);
        m_client.Kill();
        EndAllClients();
    }

    // Clients that other tests ended by force leave their icons behind; the
    // tray drops one when the pointer passes over it and its window is gone,
    // and hides itself once it holds none.
    static void ClearStaleIcons()
    {
        POINT icon = {};
        for (int i = 0; i < 20 && FindIcon(&icon); ++i) {
            MovePointer(icon.x, icon.y);
            MovePointer(1, 1);
        }
    }

    // The middle of the first icon in the tray window that Wine's display
    // driver shows at the top left of a screen without a tray of its own
    // (the virtual display of the tests): each icon is a child window there.
    static bool FindIcon(POINT* icon)
    {
        HWND tray = ::FindWindowA("__winex11_standalone_tray", nullptr);
        HWND first = tray != nullptr ? ::FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
        RECT rect = {};
        if (first == nullptr || !::IsWindowVisible(first) || !::GetWindowRect(first, &rect))
            return false;
        icon->x = (rect.left + rect.right) / 2;
        icon->y = (rect.top + rect.bottom) / 2;
        return true;
    }

    static bool Click(POINT at, int button, int times)
    {
        return StartHostProgram("/usr/bin/xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                                " click --repeat " + std::to_string(times) + " --delay 80 " + std::to_string(button));
    }

    std::unique_ptr<InstallFolder> m_folder;
    ChildProcess m_client;
    HWND m_tray = nullptr;
};

TEST_F(WineTrayTest, DoubleClickAndMenuOfTheRealIconOpenWholeWindows)
{
    // On a display with a tray of its own (KARVEX_DISPLAY), Wine puts the
    // icon there instead of in a window of its own.
    if (!WaitUntil([] { return ::FindWindowA("__winex11_standalone_tray", nullptr) != nullptr; }, 5000))
        GTEST_SKIP() << "Wine shows its tray icons in the display's own tray";
    POINT icon = {};
    ASSERT_TRUE(WaitUntil([&] { return FindIcon(&icon); }));

    ASSERT_TRUE(Click(icon, 1, 2));
    HWND options = m_client.WaitForWindow("#32770", kOptionsTitle);
    ASSERT_NE(options, nullptr);
    ExpectWhole(options);
    CloseByButton(options, IDC_OPTIONS_CLOSE);

    // The menu opens where the pointer is; its first line is the Options command.
    ASSERT_TRUE(Click(icon, 3, 1));
    HWND menu = m_client.WaitForWindow("#32768", nullptr);
    ASSERT_NE(menu, nullptr);
    RECT menuRect = {};
    ::GetWindowRect(menu, &menuRect);
    ASSERT_TRUE(Click(POINT{menuRect.left + 30, menuRect.top + 10}, 1, 1));
    options = m_client.WaitForWindow("#32770", kOptionsTitle);
    ASSERT_NE(options, nullptr);
    ExpectWhole(options);
    CloseByButton(options, IDC_OPTIONS_CLOSE);

    ::PostMessageA(m_tray, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(m_client.WaitForExit(10000));
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
