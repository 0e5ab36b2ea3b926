#include "tests/wine/support/client_fixture.h"

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

std::string ClientTest::StatusTip(const char* dbVersion, unsigned long count) const
{
    return std::string("Karvex：1.3.1.0\n特征库版本：") + dbVersion + "\n拦截统计：" + std::to_string(count);
}

bool ClientTest::WaitForStatusTip(const std::string& expected) const
{
    ::PostMessageA(m_tray, kTrayNotifyMessage, kTrayIconId, WM_MOUSEMOVE);
    return WaitUntil([&] { return m_shell.CurrentTip() == expected; });
}

}  // namespace karvex::test
