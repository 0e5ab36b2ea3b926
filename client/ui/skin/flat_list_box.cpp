#include "client/ui/skin/flat_list_box.h"

#include "common/win/flat_progress_bar.h"

namespace karvex {

LRESULT CFlatListBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCPAINT) {
        // Only the frame is drawn: the rest of the non-client area, a scroll
        // bar included, is not painted.
        DrawFlatFrame(GetHwnd(), RGB(158, 158, 158));
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

}  // namespace karvex
