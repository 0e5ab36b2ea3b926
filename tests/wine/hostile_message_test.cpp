// Messages any process can send or post to the client's windows: window
// lifecycle messages, bursts of right-clicks and huge WM_COPYDATA. The client
// stays alive, goes on counting alerts, and Exit still ends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/client_fixture.h"
#include "tests/wine/support/screen.h"

namespace karvex::test {
namespace {

class HostileMessageTest : public RunningClientTest {
protected:
    // An alert is still counted and shown, and Exit ends the client.
    void ExpectClientStillWorks()
    {
        ASSERT_TRUE(m_client.IsRunning());
        const DWORD before = PopCount();
        Post(kShowAlertMessage, 3, 0);
        EXPECT_TRUE(WaitUntil([&] { return PopCount() == (before == 0 ? 2 : before + 1); }));
        EXPECT_NE(WaitForNewPopup(), nullptr);
        Post(WM_COMMAND, ID_TRAY_EXIT, 0);
        DWORD code = 1;
        EXPECT_TRUE(m_client.WaitForExit(20000, &code));
        EXPECT_EQ(code, 0u);
    }
};

// Sends and posts every lifecycle message to `window`. The sent WM_NCCREATE
// and WM_CREATE carry a creation record whose parameter points into the
// client's image, as an attacker's would.
void SendAndPostLifecycleMessages(HWND window)
{
    CREATESTRUCTA create = {};
    create.lpCreateParams = reinterpret_cast<LPVOID>(0x00401000);
    create.lpszClass = "x";
    create.lpszName = "x";
    const UINT messages[] = {WM_NCCREATE, WM_CREATE, WM_INITDIALOG, WM_DESTROY, WM_NCDESTROY};
    for (UINT message : messages) {
        const LPARAM lParam = message == WM_NCCREATE || message == WM_CREATE ? reinterpret_cast<LPARAM>(&create)
                                                                            : 0x00401000;
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(window, message, 0, lParam, SMTO_ABORTIFHUNG, 5000, &result);
        ::PostMessageA(window, message, 0, 0x00401000);
    }
}

TEST_F(HostileMessageTest, LifecycleMessagesFromOutsideAreNotObeyed)
{
    SendAndPostLifecycleMessages(m_tray);
    // The same for an open pop-up (a dialog) and its close button (a control).
    Post(kShowAlertMessage, 1, 0);
    HWND popup = WaitForNewPopup();
    ASSERT_NE(popup, nullptr);
    SendAndPostLifecycleMessages(::GetDlgItem(popup, IDC_ALERT_CLOSE));
    SendAndPostLifecycleMessages(popup);
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 2)));
    // The pop-up still closes by its button.
    ::PostMessageA(::GetDlgItem(popup, IDC_ALERT_CLOSE), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(popup); }));
    ExpectClientStillWorks();
}

// Any process can post WM_TIMER with the pop-up's own timer ids: a resting
// pop-up neither moves nor closes before its five seconds are up. (An lParam
// naming a function to call is passed on too; Wine's dispatch itself calls no
// function the client did not set.)
TEST_F(HostileMessageTest, ForeignTimersNeitherMoveNorCloseAPopup)
{
    Post(kShowAlertMessage, 11, 0);
    HWND popup = WaitForNewPopup();
    ASSERT_NE(popup, nullptr);
    // It rests with its 150-pixel picture 10 pixels above the work area's bottom.
    const LONG restingTop = WorkArea().bottom - 160;
    const auto top = [&] {
        RECT now = {};
        ::GetWindowRect(popup, &now);
        return now.top;
    };
    ASSERT_TRUE(WaitUntil([&] { return top() == restingTop; }));
    const DWORD rested = ::GetTickCount();
    for (WPARAM id : {1u, 2u, 3u, 0x7FFFu}) {
        ::PostMessageA(popup, WM_TIMER, id, 0);
        ::PostMessageA(popup, WM_TIMER, id, 0x00401000);
        Post(WM_TIMER, id, 0x00401000);
    }
    // The tooltip's answer comes after the timers in the client's queue.
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 2)));
    EXPECT_TRUE(::IsWindowVisible(popup));
    EXPECT_EQ(top(), restingTop);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(popup) || !::IsWindowVisible(popup); }, 15000));
    EXPECT_GE(::GetTickCount() - rested, 4500u);
    ExpectClientStillWorks();
}

TEST_F(HostileMessageTest, RightClickBurstOpensOneMenu)
{
    for (int i = 0; i < 100; ++i)
        Post(kTrayNotifyMessage, kTrayIconId, WM_RBUTTONUP);
    ASSERT_NE(m_client.WaitForWindow("#32768", nullptr), nullptr);
    size_t most = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 1500) {
        size_t menus = 0;
        for (HWND menu : FindWindows("#32768", nullptr))
            menus += WindowProcessId(menu) == m_client.Id() && ::IsWindowVisible(menu) ? 1 : 0;
        most = std::max(most, menus);
        ::Sleep(20);
    }
    EXPECT_EQ(most, 1u);
    // The menu's own keyboard handling closes it.
    Post(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND menu : FindWindows("#32768", nullptr)) {
            if (WindowProcessId(menu) == m_client.Id() && ::IsWindowVisible(menu))
                return false;
        }
        return true;
    }));
    ExpectClientStillWorks();
}

TEST_F(HostileMessageTest, HugeCopyDataDoesNotEndTheClient)
{
    std::vector<char> data(4 * 1024 * 1024, 'k');
    COPYDATASTRUCT copy = {};
    copy.dwData = 1;
    copy.cbData = static_cast<DWORD>(data.size());
    copy.lpData = data.data();
    DWORD_PTR result = 0;
    // To the main loop, and to a pop-up's modal loop.
    ::SendMessageTimeoutA(m_tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 10000,
                          &result);
    ASSERT_TRUE(WaitForStatusTip(StatusTip("1.0002", 1)));
    Post(kShowAlertMessage, 2, 0);
    HWND popup = WaitForNewPopup();
    ASSERT_NE(popup, nullptr);
    ::SendMessageTimeoutA(popup, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 10000,
                          &result);
    ::SendMessageTimeoutA(m_tray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 10000,
                          &result);
    EXPECT_TRUE(WaitForStatusTip(StatusTip("1.0002", 2)));
    ExpectClientStillWorks();
}

}  // namespace
}  // namespace karvex::test
