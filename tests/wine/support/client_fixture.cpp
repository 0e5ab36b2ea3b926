#include "tests/wine/support/client_fixture.h"

#include <algorithm>

#include "client/res/resource.h"
#include "common/product.h"

namespace karvex::test {

std::string CurrentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':')
            c = '_';
    }
    return name;
}

void ClientTest::SetUp()
{
    EndAllClients();
    ResetRegistry();
    m_folder = std::make_unique<InstallFolder>(CurrentTestName());
}

void ClientTest::TearDown()
{
    m_client.Kill();
    EndAllClients();
}

void RunningClientTest::SetUp()
{
    ClientTest::SetUp();
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("update", TodayUpdateText(1, 0));
    ASSERT_NE(StartClientWithTray(), nullptr);
}

bool ClientTest::StartClient(const std::string& arguments)
{
    return m_client.Start(m_folder->Client(), arguments);
}

HWND ClientTest::StartClientWithTray(const std::string& arguments)
{
    m_tray = StartClient(arguments) ? m_client.WaitForTrayWindow() : nullptr;
    return m_tray;
}

void ClientTest::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    ASSERT_TRUE(::PostMessageA(m_tray, message, wParam, lParam));
}

std::string ClientTest::StatusTip(const char* dbVersion, long count) const
{
    return std::string("Karvex：1.3.1.0\n特征库版本：") + dbVersion + "\n拦截统计：" + std::to_string(count);
}

bool ClientTest::WaitForStatusTip(const std::string& expected) const
{
    ::PostMessageA(m_tray, kTrayNotifyMessage, kTrayIconId, WM_MOUSEMOVE);
    return WaitUntil([&] { return m_shell.CurrentTip() == expected; });
}

}  // namespace karvex::test

namespace karvex::test {

std::vector<HWND> ClientTest::OpenPopups() const
{
    std::vector<HWND> popups;
    for (HWND window : FindWindows("#32770", nullptr)) {
        if (WindowProcessId(window) == m_client.Id() && ::IsWindowVisible(window) &&
            ::GetDlgItem(window, IDC_ALERT_TEXT) != nullptr)
            popups.push_back(window);
    }
    // FindWindowEx walks from the top of the z-order: the newest comes first.
    return std::vector<HWND>(popups.rbegin(), popups.rend());
}

HWND ClientTest::WaitForNewPopup(const std::vector<HWND>& known) const
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND popup : OpenPopups()) {
            if (std::find(known.begin(), known.end(), popup) == known.end())
                found = popup;
        }
        return found != nullptr;
    });
    return found;
}

DWORD ClientTest::PopCount() const
{
    DWORD count = 0;
    ReadSetting("PopCount", count);
    return count;
}

}  // namespace karvex::test
