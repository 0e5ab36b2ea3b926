// Update passes of the client's kill-point build, ended at every file step in
// turn, as a kill, a log-off or a power cut could end them: a difference, a
// full list, a database rewritten in place while the component holds it, and
// program files staged and installed. After each ending the client is started
// again and runs a pass: every database must then be the published one and
// every program file whole, with nothing left in Temp, update or backup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "client/res/resource.h"
#include "client/update/replace_file.h"
#include "common/product.h"
#include "tests/wine/support/update_fixture.h"

namespace karvex::test {
namespace {

constexpr DWORD kKilledExitCode = 86;

struct SCENARIO {
    const char* name;
    bool fullList;       // the installed url.db has no difference to the published one
    bool holdDatabase;   // url.db held open throughout, as the component holds it
    bool programFiles;   // helper.dll and update.exe instead of url.db
};

class KillPointTest : public UpdateTest, public ::testing::WithParamInterface<SCENARIO> {
protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        // The install folder runs the kill-point build as its client.
        m_folder->Write("karvex.exe", ReadFileAt(BuildFolder() + "\\karvex_killpoints.exe"));
        m_log = UpdateServer::Work("steps.log");
        ::SetEnvironmentVariableA("KARVEX_KILL_LOG", m_log.c_str());
        Publish();
    }

    void TearDown() override
    {
        ::SetEnvironmentVariableA("KARVEX_KILL_AT", nullptr);
        ::SetEnvironmentVariableA("KARVEX_KILL_LOG", nullptr);
        m_held.reset();
        // A killed process leaves its temporary downloads in the user's
        // temporary folder: nothing of the install, and nothing to recover.
        for (const std::string& name : UpdaterTempFiles()) {
            if (std::find(m_tempBefore.begin(), m_tempBefore.end(), name) == m_tempBefore.end())
                ::DeleteFileA((TempFolder() + name).c_str());
        }
        UpdateTest::TearDown();
    }

    // url.db 1.0002 -> 1.0003 (or a program file and update.exe); adv.db is
    // current, so every finished pass clears the backup folder.
    void Publish()
    {
        publisher::PUBLISH_JOB job;
        WriteFileAt(UpdateServer::Work("2-url.db"), OldDb(0));
        WriteFileAt(UpdateServer::Work("3-url.db"), NewDb(0));
        WriteFileAt(UpdateServer::Work("2-adv.db"), OldDb(1));
        job.databases[0] = {UpdateServer::Work("2-url.db"), UpdateServer::Work("3-url.db")};
        job.databases[1] = {UpdateServer::Work("2-adv.db")};
        if (GetParam().programFiles) {
            job.databases[0] = {UpdateServer::Work("2-url.db")};
            job.files = {{"helper.dll", "1.3.2.0", NextRelease()}, {"update.exe", "1.3.2.0", NextRelease()}};
        }
        m_server.Publish(job);
        m_oldUrl = GetParam().fullList ? DatabaseBytes(1, 1, SortedRecords(20, 99)) : OldDb(0);
        m_newUrl = GetParam().programFiles ? OldDb(0) : NewDb(0);
    }

    // The files as they are before every killed pass.
    void InstallOldFiles()
    {
        m_held.reset();
        for (const char* folder : {"Temp", "update", "backup"}) {
            for (const std::string& name : m_folder->Names(folder))
                m_folder->Remove(std::string(folder) + "\\" + name);
        }
        m_folder->Write("url.db", m_oldUrl);
        m_folder->Write("adv.db", OldDb(1));
        m_folder->Write("helper.dll", ReadFileAt(BuildFolder() + "\\karvex.dll"));
        m_folder->Write("update.exe", ReadFileAt(BuildFolder() + "\\update.exe"));
        if (GetParam().holdDatabase)
            Hold("url.db");
        else if (GetParam().programFiles)
            Hold("helper.dll");  // a program that runs: only renaming it aside works
    }

    void Hold(const char* name)
    {
        m_held.reset(::CreateFileA(m_folder->File(name).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        ASSERT_TRUE(m_held) << name;
    }

    // Starts the client, asks for a pass and waits for its result or for the
    // process to end itself at step `killAt`. True when it was killed.
    bool RunPassKilledAt(long killAt, WPARAM* alert)
    {
        ::SetEnvironmentVariableA("KARVEX_KILL_AT", std::to_string(killAt).c_str());
        *alert = 0;
        EXPECT_NE(StartClientWithTray(), nullptr);
        m_alerts.Raise();
        const size_t seen = m_alerts.Alerts().size();
        Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
        DWORD code = 0;
        EXPECT_TRUE(WaitUntil([&] {
            return m_alerts.Alerts().size() > seen || m_client.WaitForExit(0, &code);
        }, 30000));
        ::SetEnvironmentVariableA("KARVEX_KILL_AT", nullptr);
        if (m_alerts.Alerts().size() > seen) {
            *alert = m_alerts.Alerts()[seen];
            return false;
        }
        EXPECT_EQ(code, kKilledExitCode);
        return true;
    }

    // After a kill: a new start (declining a staged update it offers), a pass,
    // and the files it must leave.
    void ExpectRecoveryAfterKillAt(long killAt)
    {
        const std::string at = "killed before step " + std::to_string(killAt);
        ExpectOldOrNew(at + ", before the next start", true);
        if (GetParam().programFiles)
            m_held.reset();  // the program ended with the session

        const bool offersUpdate = !m_folder->Read("update\\ready").empty();
        ASSERT_TRUE(StartClient()) << at;
        if (offersUpdate) {
            HWND question = m_client.WaitForWindow("#32770", "Karvex");
            ASSERT_NE(question, nullptr) << at;
            ::PostMessageA(::GetDlgItem(question, IDCANCEL), BM_CLICK, 0, 0);
        }
        m_tray = m_client.WaitForTrayWindow();
        ASSERT_NE(m_tray, nullptr) << at;
        ExpectOldOrNew(at + ", after the next start", false);
        m_alerts.Raise();
        const size_t seen = m_alerts.Alerts().size();
        Post(WM_COMMAND, ID_TRAY_UPDATE_NOW, 0);
        const WPARAM alert = m_alerts.WaitForAlert(seen);
        EXPECT_TRUE(alert == ALERT_UPDATE_OK || alert == ALERT_UP_TO_DATE) << at << ": alert " << alert;
        ExpectOldOrNew(at, false);
        EXPECT_TRUE(m_folder->Read("url.db") == m_newUrl) << at;
        if (GetParam().programFiles) {
            EXPECT_TRUE(m_folder->Read("helper.dll") == ReadFileAt(NextRelease())) << at;
            EXPECT_TRUE(m_folder->Read("update.exe") == ReadFileAt(NextRelease())) << at;
        }
        for (const char* folder : {"Temp", "update", "backup"})
            EXPECT_TRUE(m_folder->Names(folder).empty()) << at << ": left in " << folder;
        for (const char* name : {"url.db.new", "url.db.old"})
            EXPECT_FALSE(m_folder->Exists(name)) << at << ": " << name;
        Post(WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_TRUE(m_client.WaitForExit(10000)) << at;
    }

    // Every database is the old or the new one and every program file is
    // whole and loads. Right after a kill two states are also allowed, which
    // the next start completes: a database marked as cut short beside its
    // whole copy, and a program file renamed aside with its staged successor
    // ready.
    void ExpectOldOrNew(const std::string& at, bool interim)
    {
        const std::string url = m_folder->Read("url.db");
        const bool marked =
            url.size() >= 12 && IsCutShortMark(reinterpret_cast<const unsigned char*>(url.data())) &&
            m_folder->Exists("url.db.old");
        EXPECT_TRUE(url == m_oldUrl || url == m_newUrl || (interim && marked)) << at << ": url.db";
        EXPECT_TRUE(m_folder->Read("adv.db") == OldDb(1)) << at << ": adv.db";
        for (const char* name : {"helper.dll", "update.exe"}) {
            if (interim && !m_folder->Exists(name) && m_folder->Exists(std::string("update\\") + name))
                continue;
            const std::string bytes = m_folder->Read(name);
            const bool whole = bytes == ReadFileAt(NextRelease()) ||
                               bytes == ReadFileAt(BuildFolder() + "\\" + (name[0] == 'h' ? "karvex.dll" : "update.exe"));
            EXPECT_TRUE(whole) << at << ": " << name;
            UniqueLibrary loaded(::LoadLibraryExA(m_folder->File(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
            EXPECT_TRUE(loaded) << at << ": " << name << " does not load";
        }
    }

    long StepsOfAWholePass()
    {
        ::DeleteFileA(m_log.c_str());
        InstallOldFiles();
        WPARAM alert = 0;
        EXPECT_FALSE(RunPassKilledAt(0, &alert));
        EXPECT_EQ(alert, ALERT_UPDATE_OK);
        Post(WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_TRUE(m_client.WaitForExit(10000));
        const std::string log = ReadFileAt(m_log);
        ::DeleteFileA(m_log.c_str());
        ::SetEnvironmentVariableA("KARVEX_KILL_LOG", nullptr);
        return static_cast<long>(std::count(log.begin(), log.end(), '\n'));
    }

    std::string m_log;
    std::string m_oldUrl;
    std::string m_newUrl;
    UniqueFile m_held;
};

TEST_P(KillPointTest, EveryStepEndedLeavesOldOrNewFilesThatTheNextPassCompletes)
{
    const long steps = StepsOfAWholePass();
    ASSERT_GT(steps, 3);
    long killed = 0;
    for (long step = 1; step <= steps; ++step) {
        InstallOldFiles();
        WPARAM alert = 0;
        if (!RunPassKilledAt(step, &alert)) {
            ADD_FAILURE() << "the pass ran to its end without reaching step " << step << " (alert " << alert << ")";
            break;
        }
        ++killed;
        ExpectRecoveryAfterKillAt(step);
        if (HasFailure())
            break;
    }
    std::printf("%s: passes killed at %ld of %ld file steps, each completed by the next pass\n", GetParam().name,
                killed, steps);
}

INSTANTIATE_TEST_SUITE_P(Update, KillPointTest, ::testing::Values(
    SCENARIO{"Difference", false, false, false},
    SCENARIO{"FullList", true, false, false},
    SCENARIO{"InPlace", false, true, false},
    SCENARIO{"ProgramFiles", false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvex::test
