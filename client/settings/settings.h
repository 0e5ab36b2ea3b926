// The values under the per-user settings key, each with its default and its
// failure rule. Every access opens the key afresh and closes it again; a key
// or value that cannot be read gives the default, a key that cannot be opened
// is not written. The client never creates the key: the component's
// registration does. Nothing here uses the rest of the client, so the
// application, the tray, the dialogs and the update worker all take their
// settings from here.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "client/settings/update_schedule.h"

namespace karvex {

// "autorun" (start at log-on) and "active" (protection on) count as on only
// when they read exactly 1; on when missing.
bool IsAutorunOn();
bool IsProtectionActive();
// Writes "autorun", then the Run entry naming this executable (or deletes
// it); neither when the settings key cannot be opened.
void WriteAutorun(bool on);
// Writes "active"; false when it was not written.
bool WriteProtectionActive(bool on);

// "PopCount": the number of interception alerts, 1 when missing.
DWORD ReadPopCount();
// Adds one interception alert to "PopCount".
void CountInterceptionAlert();

// The Options dialog's switches, each on when nonzero and off when missing:
// "SEARCH" (search-engine defence), "AutoReport" (active defence) and
// "AutoUpProgram" (new releases are offered).
struct OPTION_SWITCHES {
    bool bSearchDefence = false;
    bool bActiveDefence = false;
    bool bAutoDownload = false;
};
OPTION_SWITCHES ReadOptionSwitches();
void WriteOptionSwitches(const OPTION_SWITCHES& switches);

// "AutoUpProgram" as the update worker reads it: whether a newer release is
// offered. A value that cannot be read is written as 1; it and a key that
// cannot be opened count as on.
bool IsReleaseOfferOn();

// "Version": the installed program version as the update worker knows it, at
// most 9 characters. Missing or empty, it is "1.3.0.0" and written so; a text
// too long, or a key that cannot be opened, gives "1.3.0.0" and stays as it is.
constexpr std::size_t kKnownVersionSize = 10;
void ReadKnownProgramVersion(char (&version)[kKnownVersionSize]);

// "ID": the identifier the statistics ping sends, `size` - 1 characters. A
// stored text of any other length (one too long does not fit) is replaced by
// one that `makeId` writes into `id`, and stored. Empty when the key cannot be
// opened.
void ReadOrCreateStatisticsId(char* id, std::size_t size, void (*makeId)(char* id, std::size_t size));

// "IndexSerial": the highest update-index serial this user's client has
// accepted; 0 when missing.
std::uint32_t ReadIndexSerial();
void WriteIndexSerial(std::uint32_t serial);

// The "update" value: the automatic-update switch, its frequency and the date
// of the last update run. Read once at start-up and kept in memory after; the
// Options dialog and the update worker both rewrite it, each write made whole
// under one lock. The scheduler reads it on its own thread.
class CUpdateSetting {
public:
    // Parses the stored text into memory; a key that cannot be opened leaves
    // the defaults (on, daily, never updated).
    void Read();
    // Writes the switch and the frequency with the date in memory; memory
    // takes them whether or not the write succeeded.
    void Write(std::int32_t bAuto, std::int32_t nFreq);
    // Records today as the date of the last update run.
    void RecordRun();
    bool IsDue() const;

    std::int32_t AutoUpdate() const { return m_bAutoUpdate; }
    std::int32_t Frequency() const { return m_nUpdateFreq; }

private:
    UpdateSchedule Schedule() const;
    void WriteText(std::int32_t bAuto, std::int32_t nFreq);

    std::mutex m_lock;
    std::atomic<std::int32_t> m_bAutoUpdate{1};
    std::atomic<std::int32_t> m_nUpdateFreq{kDaily};
    std::atomic<UpdateDate> m_LastUpdate{UpdateDate{}};
};

static_assert(std::atomic<UpdateDate>::is_always_lock_free, "the date is shared without locks");

}  // namespace karvex
