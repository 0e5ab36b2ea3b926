// The database check at start-up and the scheduler's first test: an unusable
// database or a due schedule starts an update pass at once. A pass begins
// with the statistics identifier, so a fresh "ID" shows that one ran.
#include <gtest/gtest.h>

#include "client/res/resource.h"
#include "tests/wine/support/client_fixture.h"

namespace karvex::test {
namespace {

enum class DbChange { None, RemoveUrl, Url32Bytes, Url33Bytes, RemoveAdv, RemoveQua };

struct StartPassCase {
    const char* name;
    const char* updateText;  // null: today, automatic update on, daily
    DbChange change;
    bool passAtOnce;
    const char* shownDbVersion;
};

class StartPassTest : public ClientTest, public ::testing::WithParamInterface<StartPassCase> {
protected:
    bool PassRan() const
    {
        std::string id;
        return ReadSetting("ID", id) && id.size() == 16;
    }
};

TEST_P(StartPassTest, PassStartsOnlyWhenForcedOrDue)
{
    const StartPassCase& c = GetParam();
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("update", c.updateText != nullptr ? std::string(c.updateText) : TodayUpdateText(1, 0));
    switch (c.change) {
    case DbChange::None: break;
    case DbChange::RemoveUrl: m_folder->Remove("url.db"); break;
    case DbChange::Url32Bytes: m_folder->WriteDatabase("url.db", 1, 3, 0); break;
    case DbChange::Url33Bytes: m_folder->Write("url.db", m_folder->Read("url.db").substr(0, 33)); break;
    case DbChange::RemoveAdv: m_folder->Remove("adv.db"); break;
    case DbChange::RemoveQua: m_folder->Remove("qua.db"); break;
    }

    ASSERT_TRUE(StartClientWithTray());
    if (c.passAtOnce) {
        EXPECT_TRUE(WaitUntil([&] { return PassRan(); }, 5000));
    } else {
        ::Sleep(1500);
        EXPECT_FALSE(PassRan());
    }
    EXPECT_TRUE(WaitForStatusTip(StatusTip(c.shownDbVersion, 1))) << m_shell.CurrentTip();
    EXPECT_TRUE(m_client.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Databases, StartPassTest, ::testing::Values(
    StartPassCase{"AllUsableNotDue", nullptr, DbChange::None, false, "1.0002"},
    StartPassCase{"AutoOffAllUsable", "0,0,0.0.0", DbChange::None, false, "1.0002"},
    StartPassCase{"NeverUpdated", "1,0,0.0.0", DbChange::None, true, "1.0002"},
    StartPassCase{"EmptyUpdateValue", "", DbChange::None, true, "1.0002"},
    StartPassCase{"UrlMissingAutoOff", "0,0,0.0.0", DbChange::RemoveUrl, true, "0.0000"},
    StartPassCase{"Url32Bytes", "0,0,0.0.0", DbChange::Url32Bytes, true, "0.0000"},
    StartPassCase{"Url33Bytes", "0,0,0.0.0", DbChange::Url33Bytes, false, "1.0002"},
    StartPassCase{"AdvMissing", "0,0,0.0.0", DbChange::RemoveAdv, true, "1.0002"},
    StartPassCase{"QuaMissing", "0,0,0.0.0", DbChange::RemoveQua, true, "1.0002"}),
    [](const auto& info) { return std::string(info.param.name); });

using UpdateNowTest = ClientTest;

TEST_F(UpdateNowTest, MenuCommandStartsAPass)
{
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("update", "0,0,0.0.0");
    ASSERT_TRUE(StartClientWithTray());
    ::Sleep(500);
    std::string id;
    ASSERT_FALSE(ReadSetting("ID", id));
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    EXPECT_TRUE(WaitUntil([&] { return ReadSetting("ID", id) && id.size() == 16; }, 5000));
    // The identifier is kept for later passes.
    const std::string first = id;
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    ::Sleep(500);
    EXPECT_TRUE(ReadSetting("ID", id) && id == first);
}

}  // namespace
}  // namespace karvex::test
