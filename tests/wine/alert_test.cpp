// The alert pop-up as the protection component and the updater bring it up:
// texts, outline, slide, hold, closing, and bursts of alerts.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/screen.h"

namespace karvex::test {
namespace {

constexpr int kPictureWidth = 224;
constexpr int kPictureHeight = 150;

class AlertTest : public RunningClientTest {
protected:
    static std::string PopupText(HWND popup) { return WindowText(::GetDlgItem(popup, IDC_ALERT_TEXT)); }

    static RECT WindowRect(HWND window)
    {
        RECT rect = {};
        ::GetWindowRect(window, &rect);
        return rect;
    }

    // Where a pop-up comes to rest: its picture 10 pixels above the bottom of
    // the work area and 10 pixels left of its right edge.
    static POINT RestingPlace()
    {
        const RECT work = WorkArea();
        return POINT{work.right - kPictureWidth - 10, work.bottom - kPictureHeight - 10};
    }

    static bool IsAtRest(HWND popup)
    {
        const RECT rect = WindowRect(popup);
        return rect.left == RestingPlace().x && rect.top == RestingPlace().y;
    }

    static bool WaitUntilGone(HWND popup, DWORD timeoutMs = 10000)
    {
        return WaitUntil([&] { return !::IsWindow(popup) || !::IsWindowVisible(popup); }, timeoutMs);
    }

    static void Click(HWND popup)
    {
        ::PostMessageA(::GetDlgItem(popup, IDC_ALERT_CLOSE), BM_CLICK, 0, 0);
    }
};

TEST_F(AlertTest, EveryTypeShowsItsTextOnTheRoundedPicture)
{
    struct Case {
        WPARAM type;
        const char* text;
    } cases[] = {
        {1, "发现进程创建行为，已拦截"},
        {2, "发现进程创建行为，已拦截"},
        {3, "发现进程创建行为，已拦截"},
        {4, "发现可疑的进程打开行为，已拦截"},
        {5, "发现可疑的内存操作行为，已拦截"},
        {6, "发现可疑的远程线程创建行为，已拦截"},
        {7, "发现可以的模块载入行为，已拦截"},
        {8, "发现可疑的文件下载，已拦截"},
        {9, "发现服务创建行为，已拦截"},
        {10, "发现进程创建行为，已拦截"},
        {11, "发现驱动载入，已拦截"},
        {12, "升级成功"},
        {13, "升级失败"},
        {14, "当前已是最新版本"},
        {0, ""},
        {15, ""},
        {static_cast<WPARAM>(-1), ""},
    };
    // The outline: the picture with rounded 7 x 7 corners.
    HRGN expected = ::CreateRoundRectRgn(0, 0, kPictureWidth + 1, kPictureHeight + 1, 7, 7);
    HRGN actual = ::CreateRectRgn(0, 0, 0, 0);
    for (const Case& c : cases) {
        Post(kShowAlertMessage, c.type, 0);
        HWND popup = WaitForNewPopup();
        ASSERT_NE(popup, nullptr) << "type " << c.type;
        EXPECT_EQ(PopupText(popup), c.text) << "type " << c.type;
        // The template's 150 x 102 dialog units at 6 x 12 pixels per 4 x 8 units.
        const RECT rect = WindowRect(popup);
        EXPECT_EQ(rect.right - rect.left, 225);
        EXPECT_EQ(rect.bottom - rect.top, 153);
        EXPECT_EQ(::GetWindowRgn(popup, actual), COMPLEXREGION);
        EXPECT_TRUE(SamePixels(expected, actual));
        EXPECT_NE(::GetWindowLongA(popup, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

        ASSERT_TRUE(WaitUntil([&] { return IsAtRest(popup); })) << "type " << c.type;
        ::Sleep(200);  // let it paint
        const RECT shot = {rect.left - 20, RestingPlace().y - 20, WorkArea().right, WorkArea().bottom};
        SaveScreenshot("alert-type-" + std::to_string(static_cast<long>(c.type)), &shot);
        Click(popup);
        ASSERT_TRUE(WaitUntilGone(popup)) << "type " << c.type;
    }
    ::DeleteObject(actual);
    ::DeleteObject(expected);
    EXPECT_TRUE(m_client.IsRunning());
}

TEST_F(AlertTest, SlidesUpHoldsFiveSecondsAndCloses)
{
    Post(kShowAlertMessage, 4, 0);
    HWND popup = WaitForNewPopup();
    ASSERT_NE(popup, nullptr);
    const RECT work = WorkArea();
    // Every position seen on the way: same left, moving up 20 pixels a step
    // from the bottom of the work area.
    std::vector<LONG> tops;
    const DWORD start = ::GetTickCount();
    while (!IsAtRest(popup) && ::GetTickCount() - start < 5000) {
        const RECT rect = WindowRect(popup);
        EXPECT_EQ(rect.left, RestingPlace().x);
        if (tops.empty() || tops.back() != rect.top)
            tops.push_back(rect.top);
        ::Sleep(1);
    }
    ASSERT_TRUE(IsAtRest(popup));
    const DWORD rested = ::GetTickCount();
    for (LONG top : tops) {
        EXPECT_EQ((work.bottom - top) % 20, 0) << top;
        EXPECT_GE(top, RestingPlace().y);
        EXPECT_LE(top, work.bottom);
    }
    EXPECT_EQ(PopCount(), 2u);

    // It stays where it came to rest until the hold is over, then closes.
    ASSERT_TRUE(WaitUntil([&] { return !IsAtRest(popup) || !::IsWindowVisible(popup); }, 15000));
    const DWORD held = ::GetTickCount() - rested;
    EXPECT_FALSE(::IsWindow(popup) && ::IsWindowVisible(popup));
    EXPECT_GE(held, 4500u);
    EXPECT_LE(held, 9000u);
    EXPECT_TRUE(m_client.IsRunning());
}

TEST_F(AlertTest, CloseButtonEscapeAndEnterCloseIt)
{
    // The close button works while the pop-up still slides.
    Post(kShowAlertMessage, 1, 0);
    HWND popup = WaitForNewPopup();
    ASSERT_NE(popup, nullptr);
    Click(popup);
    EXPECT_TRUE(WaitUntilGone(popup, 2000));

    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        Post(kShowAlertMessage, 12, 0);
        popup = WaitForNewPopup();
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsAtRest(popup); }));
        ::PostMessageA(popup, WM_KEYDOWN, key, 0);
        EXPECT_TRUE(WaitUntilGone(popup, 2000)) << "key " << key;
    }
    // Update results are not counted.
    EXPECT_EQ(PopCount(), 2u);
}

TEST_F(AlertTest, TwoAlertsASecondApartShowTwoPopupsInOnePlace)
{
    Post(kShowAlertMessage, 8, 0);
    HWND first = WaitForNewPopup();
    ASSERT_NE(first, nullptr);
    ::Sleep(1000);
    Post(kShowAlertMessage, 9, 0);
    HWND second = WaitForNewPopup({first});
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsAtRest(first) && IsAtRest(second); }));
    EXPECT_EQ(OpenPopups(), (std::vector<HWND>{first, second}));
    EXPECT_EQ(PopupText(first), "发现可疑的文件下载，已拦截");
    EXPECT_EQ(PopupText(second), "发现服务创建行为，已拦截");
    EXPECT_EQ(PopCount(), 3u);
    // The older one goes first, about a second before the newer one.
    EXPECT_TRUE(WaitUntilGone(first));
    EXPECT_TRUE(::IsWindowVisible(second));
    EXPECT_TRUE(WaitUntilGone(second));
}

TEST_F(AlertTest, FloodOfAlertsIsCountedWithAtMostFourPopups)
{
    // Pop-up windows of the client, shown or not yet shown.
    const auto popupWindows = [&] {
        size_t count = 0;
        for (HWND window : FindWindows("#32770", nullptr))
            count += WindowProcessId(window) == m_client.Id() && ::GetDlgItem(window, IDC_ALERT_TEXT) ? 1 : 0;
        return count;
    };
    constexpr DWORD kAlerts = 10000;
    size_t most = 0;
    for (DWORD i = 0; i < kAlerts; ++i) {
        Post(kShowAlertMessage, 1 + i % 11, 0);
        if (i % 50 == 0)
            most = std::max(most, popupWindows());
    }
    // A missing count reads as 1, and every alert adds one.
    EXPECT_TRUE(WaitUntil([&] {
        most = std::max(most, popupWindows());
        return PopCount() == kAlerts + 1;
    }, 120000)) << PopCount();
    EXPECT_GE(most, 1u);
    EXPECT_LE(most, 4u);
    ASSERT_TRUE(m_client.IsRunning());

    // The newest pop-up shows the last alert's text (type 1 + 9999 % 11 = 1).
    std::vector<HWND> popups;
    ASSERT_TRUE(WaitUntil([&] { return !(popups = OpenPopups()).empty(); }));
    EXPECT_LE(popups.size(), 4u);
    EXPECT_EQ(PopupText(popups.back()), "发现进程创建行为，已拦截");
    // They close in their time, and the client goes on.
    EXPECT_TRUE(WaitUntil([&] { return popupWindows() == 0; }, 20000));
    Post(kShowAlertMessage, 2, 0);
    EXPECT_NE(WaitForNewPopup(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return PopCount() == kAlerts + 2; }));
    Post(WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(m_client.WaitForExit(20000));
}

// Pop-ups open one inside the other, four at most; a further alert goes into
// the newest that can still show it. A menu or dialog opened inside the
// fourth pop-up's loop keeps the four from returning once they have closed:
// an alert that comes then still reaches the screen, in a pop-up of its own.
TEST_F(AlertTest, AlertsStillShowWhileAWindowOpenedInsideTheFourthPopupIsOpen)
{
    struct Opener {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* className;
        const char* title;
        int closeButton;  // 0: the menu, closed by its Esc key
    };
    const Opener openers[] = {
        {"menu", kTrayNotifyMessage, kTrayIconId, WM_RBUTTONUP, "#32768", nullptr, 0},
        {"About", WM_COMMAND, ID_TRAY_ABOUT, 0, "#32770", "Karvex - 提示", IDC_ABOUT_CLOSE},
        {"Options", WM_COMMAND, ID_TRAY_OPTIONS, 0, "#32770", kOptionsTitle, IDC_OPTIONS_CLOSE},
    };
    // Pop-up windows of the client, shown or closed but not yet gone.
    const auto popupWindows = [&] {
        size_t count = 0;
        for (HWND window : FindWindows("#32770", nullptr))
            count += WindowProcessId(window) == m_client.Id() && ::GetDlgItem(window, IDC_ALERT_TEXT) ? 1 : 0;
        return count;
    };
    for (const Opener& opener : openers) {
        SCOPED_TRACE(opener.name);
        std::vector<HWND> popups;
        for (WPARAM type : {1u, 2u, 3u, 4u}) {
            Post(kShowAlertMessage, type, 0);
            HWND popup = WaitForNewPopup(popups);
            ASSERT_NE(popup, nullptr);
            popups.push_back(popup);
        }
        Post(opener.message, opener.wParam, opener.lParam);
        HWND opened = m_client.WaitForWindow(opener.className, opener.title);
        ASSERT_NE(opened, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return OpenPopups().empty(); }, 20000));
        EXPECT_EQ(popupWindows(), 4u);

        Post(kShowAlertMessage, 6, 0);
        HWND shown = WaitForNewPopup();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(PopupText(shown), "发现可疑的远程线程创建行为，已拦截");
        // The next one goes into it while it shows.
        Post(kShowAlertMessage, 9, 0);
        EXPECT_TRUE(WaitUntil([&] { return PopupText(shown) == "发现服务创建行为，已拦截"; }));
        EXPECT_EQ(OpenPopups(), std::vector<HWND>{shown});

        Click(shown);
        ASSERT_TRUE(WaitUntilGone(shown));
        if (opener.closeButton != 0 && ::IsWindow(opened))
            ClickControl(opened, opener.closeButton);
        else
            Post(WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(opened) || !::IsWindowVisible(opened); }));
        EXPECT_TRUE(WaitUntil([&] { return popupWindows() == 0; }));
    }
    // A missing count reads as 1, and each round counted six.
    EXPECT_EQ(PopCount(), 19u);
    EXPECT_TRUE(m_client.IsRunning());
}

TEST_F(AlertTest, LParamIsNeverReadTheTableTextIsShown)
{
    // Addresses in the client's own image, in no process at all, and one of
    // this process: none is read.
    static const char kForeign[] = "not the client's text";
    const LPARAM hostile[] = {1, 0x00400000, static_cast<LPARAM>(0x7FFFFFFF), static_cast<LPARAM>(-1),
                              reinterpret_cast<LPARAM>(kForeign)};
    for (LPARAM lParam : hostile) {
        Post(kShowAlertMessage, 5, lParam);
        HWND popup = WaitForNewPopup();
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(PopupText(popup), "发现可疑的内存操作行为，已拦截");
        Click(popup);
        ASSERT_TRUE(WaitUntilGone(popup));
    }
    EXPECT_TRUE(m_client.IsRunning());
    EXPECT_EQ(PopCount(), 6u);
}

}  // namespace
}  // namespace karvex::test
