// The end of the user's session while a pass runs: the system asks the
// client's windows whether the session may end, then tells them it does, and
// may end the process as soon as they return.
#include <gtest/gtest.h>

#include "client/res/resource.h"
#include "common/product.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

using SessionEndTest = UpdateTest;

TEST_F(SessionEndTest, RunningPassIsStoppedBeforeTheSessionEnds)
{
    const std::string before = PublishSlowFullList("stall");
    ASSERT_NE(StartClientWithTray(), nullptr);
    m_alerts.Raise();
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    ASSERT_TRUE(WaitUntil([&] { return Contains(m_server.Requests(), "/busy 404"); }));
    ::Sleep(500);  // into the stalled full list

    // As the system does: sent, not posted, and the second one only after
    // the first was answered.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(m_tray, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
    EXPECT_EQ(answer, TRUE);
    ASSERT_TRUE(::SendMessageTimeoutA(m_tray, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
    // When WM_ENDSESSION has been answered the pass is over: its result is on
    // its way, qua.db is as it was and no temporary file is left to lose.
    EXPECT_EQ(m_alerts.WaitForAlert(0, 2000), ALERT_UPDATE_FAILED);
    EXPECT_TRUE(m_folder->Read("qua.db") == before);
    EXPECT_FALSE(m_folder->Exists("qua.db.new"));
    // Nothing starts a pass any more.
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    ::Sleep(500);
    EXPECT_EQ(m_alerts.Alerts().size(), 1u);
}

}  // namespace
}  // namespace karvex::test
