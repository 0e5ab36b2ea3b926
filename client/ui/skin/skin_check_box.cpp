#include "client/ui/skin/skin_check_box.h"

#include "common/win/transparency.h"

namespace karvex {

LRESULT CSkinCheckBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefaultProc(message, wParam, lParam);
    if (message == WM_KILLFOCUS)
        RepaintBehind(GetHwnd());
    return result;
}

}  // namespace karvex
