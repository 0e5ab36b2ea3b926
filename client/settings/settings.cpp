#include "client/settings/settings.h"

#include <cstring>

#include "common/product.h"
#include "common/text.h"
#include "common/win/module_path.h"
#include "common/win/registry.h"

namespace karvex {

namespace {

constexpr char kAutorunValue[] = "autorun";
constexpr char kActiveValue[] = "active";
constexpr char kPopCountValue[] = "PopCount";
constexpr char kSearchValue[] = "SEARCH";
constexpr char kAutoReportValue[] = "AutoReport";
constexpr char kAutoUpProgramValue[] = "AutoUpProgram";
constexpr char kVersionValue[] = "Version";
constexpr char kIdValue[] = "ID";
constexpr char kIndexSerialValue[] = "IndexSerial";
constexpr char kUpdateValue[] = "update";

constexpr char kDefaultKnownVersion[] = "1.3.0.0";
// The "update" text is read into this many bytes; a longer one is not supported.
constexpr std::size_t kUpdateTextSize = 128;

LONG OpenSettings(RegKey& key)
{
    return key.Open(HKEY_CURRENT_USER, kSettingsKey);
}

DWORD ReadDword(const char* name, DWORD fallback)
{
    return ReadDwordValue(HKEY_CURRENT_USER, kSettingsKey, name, fallback);
}

UpdateDate LocalDate()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    UpdateDate today;
    today.year = now.wYear;
    today.month = now.wMonth;
    today.day = now.wDay;
    return today;
}

}  // namespace

bool IsAutorunOn()
{
    return ReadDword(kAutorunValue, 1) == 1;
}

bool IsProtectionActive()
{
    return ReadDword(kActiveValue, 1) == 1;
}

void WriteAutorun(bool on)
{
    {
        RegKey settings;
        if (OpenSettings(settings) != ERROR_SUCCESS)
            return;
        settings.SetDword(kAutorunValue, on ? 1 : 0);
    }

    RegKey run;
    if (run.Open(HKEY_CURRENT_USER, kRunKey) != ERROR_SUCCESS)
        return;
    char program[MAX_PATH];
    if (!on)
        run.DeleteValue(kRunValue);
    else if (GetProgramPath(program, sizeof program))
        run.SetText(kRunValue, program);
}

bool WriteProtectionActive(bool on)
{
    RegKey key;
    return OpenSettings(key) == ERROR_SUCCESS && key.SetDword(kActiveValue, on ? 1 : 0) == ERROR_SUCCESS;
}

DWORD ReadPopCount()
{
    return ReadDword(kPopCountValue, 1);
}

void CountInterceptionAlert()
{
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return;
    DWORD count = 1;
    key.QueryDword(kPopCountValue, count);
    key.SetDword(kPopCountValue, count + 1);
}

OPTION_SWITCHES ReadOptionSwitches()
{
    OPTION_SWITCHES switches;
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return switches;
    DWORD search = 0;
    DWORD autoDownload = 0;
    DWORD activeDefence = 0;
    key.QueryDword(kSearchValue, search);
    key.QueryDword(kAutoUpProgramValue, autoDownload);
    key.QueryDword(kAutoReportValue, activeDefence);
    switches.bSearchDefence = search != 0;
    switches.bAutoDownload = autoDownload != 0;
    switches.bActiveDefence = activeDefence != 0;
    return switches;
}

void WriteOptionSwitches(const OPTION_SWITCHES& switches)
{
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return;
    key.SetDword(kAutoReportValue, switches.bActiveDefence ? 1 : 0);
    key.SetDword(kSearchValue, switches.bSearchDefence ? 1 : 0);
    key.SetDword(kAutoUpProgramValue, switches.bAutoDownload ? 1 : 0);
}

bool IsReleaseOfferOn()
{
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return true;
    DWORD offer = 1;
    if (key.QueryDword(kAutoUpProgramValue, offer) != ERROR_SUCCESS) {
        key.SetDword(kAutoUpProgramValue, 1);
        return true;
    }
    return offer != 0;
}

void ReadKnownProgramVersion(char (&version)[kKnownVersionSize])
{
    CopyText(version, kDefaultKnownVersion);
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return;
    char text[kKnownVersionSize];
    const LONG read = key.QueryText(kVersionValue, text, sizeof text);
    if (read == ERROR_SUCCESS && text[0] != '\0')
        CopyText(version, text);
    else if (read == ERROR_FILE_NOT_FOUND || read == ERROR_SUCCESS)
        key.SetText(kVersionValue, version);  // missing or empty; a value too long is left alone
}

void ReadOrCreateStatisticsId(char* id, std::size_t size, void (*makeId)(char* id, std::size_t size))
{
    id[0] = '\0';
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return;
    key.QueryText(kIdValue, id, size);
    if (std::strlen(id) == size - 1)
        return;
    makeId(id, size);
    key.SetText(kIdValue, id);
}

std::uint32_t ReadIndexSerial()
{
    RegKey key;
    DWORD serial = 0;
    if (OpenSettings(key) != ERROR_SUCCESS || key.QueryDword(kIndexSerialValue, serial) != ERROR_SUCCESS)
        return 0;
    return serial;
}

void WriteIndexSerial(std::uint32_t serial)
{
    RegKey key;
    if (OpenSettings(key) == ERROR_SUCCESS)
        key.SetDword(kIndexSerialValue, serial);
}

UpdateSchedule CUpdateSetting::Schedule() const
{
    UpdateSchedule schedule;
    schedule.autoUpdate = m_bAutoUpdate;
    schedule.frequency = m_nUpdateFreq;
    schedule.lastUpdate = m_LastUpdate;
    return schedule;
}

void CUpdateSetting::Read()
{
    std::lock_guard<std::mutex> guard(m_lock);
    RegKey key;
    if (OpenSettings(key) != ERROR_SUCCESS)
        return;
    char text[kUpdateTextSize];
    key.QueryText(kUpdateValue, text, sizeof text);
    UpdateSchedule schedule = Schedule();
    ParseUpdateText(text, schedule);
    m_bAutoUpdate = schedule.autoUpdate;
    m_nUpdateFreq = schedule.frequency;
    m_LastUpdate = schedule.lastUpdate;
}

void CUpdateSetting::Write(std::int32_t bAuto, std::int32_t nFreq)
{
    std::lock_guard<std::mutex> guard(m_lock);
    WriteText(bAuto, nFreq);
}

void CUpdateSetting::RecordRun()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_LastUpdate = LocalDate();
    WriteText(m_bAutoUpdate, m_nUpdateFreq);
}

void CUpdateSetting::WriteText(std::int32_t bAuto, std::int32_t nFreq)
{
    char text[kUpdateTextSize];
    FormatUpdateText(text, sizeof text, bAuto, nFreq, m_LastUpdate);
    RegKey key;
    if (OpenSettings(key) == ERROR_SUCCESS)
        key.SetText(kUpdateValue, text);
    m_bAutoUpdate = bAuto;
    m_nUpdateFreq = nFreq;
}

bool CUpdateSetting::IsDue() const
{
    return IsUpdateDue(Schedule(), LocalDate());
}

}  // namespace karvex
