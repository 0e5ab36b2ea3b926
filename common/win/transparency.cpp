#include "common/win/transparency.h"

namespace karvex {

INT_PTR ShowPictureThrough(HDC dc)
{
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
}

void RepaintBehind(HWND control)
{
    HWND parent = ::GetParent(control);
    RECT area;
    if (parent == nullptr || !::GetWindowRect(control, &area))
        return;
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace karvex
