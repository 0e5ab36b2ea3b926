// Driving the client's Options dialog from outside, as the user and the
// shell do: finding it, pressing its buttons and keys, reading its controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/wine/support/client_process.h"

namespace karvex::test {

// Its window text, which the tests find it by.
constexpr char kOptionsTitle[] = "Karvex - 选项设置";

// Asks the tray window `tray` of `client` for the Options dialog, as the tray
// menu's command or a double-click on the icon does, and waits for it to show.
HWND OpenOptions(const ChildProcess& client, HWND tray, bool byDoubleClick = false,
                 Delivery delivery = Delivery::kPosted);

// Clicks control `id` of `dialog` and returns once the dialog has handled
// the click (a check box has changed and its effect is done).
void ClickControl(HWND dialog, int id);
// Whether check box `id` is checked.
bool IsChecked(HWND dialog, int id);
// Whether control `id` is shown (its own style, whatever its parents').
bool IsShown(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// Presses and releases `key` where the dialog's keyboard focus is, through
// the dialog manager of its modal loop (Esc, Enter, the arrows).
void PressKey(HWND dialog, UINT key);

// The text of control `id` of `dialog`.
std::string ItemText(HWND dialog, int id);
// Whether the dialog shows an update pass running: "停止升级" and the
// progress bar, or "立即升级" and no bar.
bool ShowsUpdatePass(HWND dialog, bool running);
// The lines of the dialog's update log, oldest first.
std::vector<std::string> UpdateLogLines(HWND dialog);

// Lines of a list box or combo box of another process. Read as UTF-16 and
// turned into GBK: Wine answers the ANSI messages across processes in UTF-16.
std::string ListBoxLine(HWND list, int index);
std::string ComboBoxLine(HWND combo, int index);

}  // namespace karvex::test
