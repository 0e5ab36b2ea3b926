// The test acting as the shell: a window of the notification area's class
// that receives what Shell_NotifyIcon sends, so tests can see the client's
// icon, tooltip and flags and can refuse to show the icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <string>
#include <vector>

#include "tests/wine/support/front_window.h"

namespace karvex::test {

struct TrayEvent {
    DWORD message = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND window = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    std::string tip;           // in GBK, as the client wrote it
    std::vector<BYTE> icon;    // mask and colour bits, empty without NIF_ICON
};

class FakeShell : public FrontWindow {
public:
    FakeShell();
    ~FakeShell() override;

    // While set, every NIM_ADD is answered with failure.
    void RefuseAdd(bool refuse);

    std::vector<TrayEvent> Events() const;
    // Waits until an event from index `from` on satisfies `match`.
    template <typename Match>
    bool WaitForEvent(Match match, TrayEvent* found = nullptr, size_t from = 0) const;

    // The most recent tip and icon the shell was given (empty if none yet).
    std::string CurrentTip() const;
    std::vector<BYTE> CurrentIcon() const;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    BOOL Record(const COPYDATASTRUCT& data);

    mutable std::mutex m_lock;
    std::vector<TrayEvent> m_events;
    bool m_refuseAdd = false;
};

// Icon bits of one of karvex.exe's icon resources, in the form the shell gets.
std::vector<BYTE> ProgramIconBits(const char* exePath, int resourceId);

}  // namespace karvex::test

#include "tests/wine/support/wait.h"

template <typename Match>
bool karvex::test::FakeShell::WaitForEvent(Match match, TrayEvent* found, size_t from) const
{
    return WaitUntil([&] {
        const std::vector<TrayEvent> events = Events();
        for (size_t i = from; i < events.size(); ++i) {
            if (match(events[i])) {
                if (found != nullptr)
                    *found = events[i];
                return true;
            }
        }
        return false;
    });
}
