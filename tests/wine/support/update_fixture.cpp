#include "tests/wine/support/update_fixture.h"

#include <algorithm>
#include <cstdio>

#include "client/res/resource.h"
#include "common/servers.h"
#include "common/std_file.h"
#include "tests/wine/support/options_driver.h"
#include "tests/wine/support/wait.h"

namespace karvex::test {

namespace {

const char* const kDatabases[] = {"url.db", "adv.db", "qua.db"};

}  // namespace

const UPDATE_BASE kUpdateBaseHosts[4] = {
    {kWebHost, "/ieupdate"}, {kUpdateHost1, "/ieupdate"}, {kUpdateHost2, "/ieupdate"}, {kUpdateHost3, ""}};

void UpdateTest::SetUp()
{
    ClientTest::SetUp();
    ASSERT_TRUE(RegisterComponentIn(*m_folder));
    WriteSetting("update", "0,0,0.0.0");
    m_tempBefore = UpdaterTempFiles();
    for (int i = 0; i < 3; ++i) {
        m_old[i] = SortedRecords(300 - 100 * i, 10 + i);
        m_new[i] = ChangedRecords(m_old[i], 7, 40, 20 + i);
    }
}

void UpdateTest::TearDown()
{
    ClientTest::TearDown();
    EXPECT_EQ(UpdaterTempFiles(), m_tempBefore);
}

std::string UpdateTest::OldDb(int index) const
{
    return DatabaseBytes(1, 2, m_old[index]);
}

std::string UpdateTest::NewDb(int index) const
{
    return DatabaseBytes(1, 3, m_new[index]);
}

void UpdateTest::PublishDatabases(publisher::PUBLISH_JOB job)
{
    for (int i = 0; i < 3; ++i) {
        const std::string name = kDatabases[i];
        m_folder->Write(name, OldDb(i));
        WriteFileAt(UpdateServer::Work("2-" + name), OldDb(i));
        WriteFileAt(UpdateServer::Work("3-" + name), NewDb(i));
        job.databases[i] = {UpdateServer::Work("2-" + name), UpdateServer::Work("3-" + name)};
    }
    m_server.Publish(job);
}

void UpdateTest::SetFaultEverywhere(const std::string& path, const char* kind) const
{
    for (const UPDATE_BASE& base : kUpdateBaseHosts)
        m_server.SetFault(base.host, std::string(base.prefix) + path, kind);
}

std::string UpdateTest::PublishSlowFullList(const char* kind)
{
    publisher::PUBLISH_JOB job;
    m_folder->Write("url.db", OldDb(0));
    WriteFileAt(UpdateServer::Work("2-url.db"), OldDb(0));
    job.databases[0] = {UpdateServer::Work("2-url.db")};
    WriteFileAt(UpdateServer::Work("big.db"), DatabaseBytes(1, 9, SortedRecords(60000, 5)));
    job.databases[2] = {UpdateServer::Work("big.db")};
    m_server.Publish(job);
    m_folder->WriteDatabase("qua.db", 1, 1, 5);
    SetFaultEverywhere("/1.0009.qua", kind);
    return m_folder->Read("qua.db");
}

WPARAM UpdateTest::RunPass()
{
    if (m_tray == nullptr && StartClientWithTray() == nullptr)
        return 0;
    m_alerts.Raise();
    const size_t seen = m_alerts.Alerts().size();
    Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
    return m_alerts.WaitForAlert(seen);
}

HWND UpdateTest::StartAndOpenOptions()
{
    if (StartClientWithTray() == nullptr)
        return nullptr;
    m_alerts.Raise();
    return OpenOptions(m_client, m_tray);
}

WPARAM UpdateTest::RunPassFromOptions(HWND options)
{
    m_alerts.Raise();
    const size_t seen = m_alerts.Alerts().size();
    ClickControl(options, IDC_OPTIONS_UPDATE);
    const WPARAM alert = m_alerts.WaitForAlert(seen);
    EXPECT_TRUE(WaitUntil([&] { return ShowsUpdatePass(options, false); }));
    return alert;
}

void UpdateTest::ExpectDatabases(const std::string& url, const std::string& adv, const std::string& qua) const
{
    // Compared as a whole: a failure shows the name, not megabytes of bytes.
    EXPECT_TRUE(m_folder->Read("url.db") == url) << "url.db";
    EXPECT_TRUE(m_folder->Read("adv.db") == adv) << "adv.db";
    EXPECT_TRUE(m_folder->Read("qua.db") == qua) << "qua.db";
}

bool Contains(const std::vector<std::string>& lines, const std::string& part)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

std::string NextRelease()
{
    return BuildFolder() + "\\next_release.exe";
}

std::string OtherRelease()
{
    return BuildFolder() + "\\other_release.exe";
}

}  // namespace karvex::test
