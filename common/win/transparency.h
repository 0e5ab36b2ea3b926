// Controls drawn over the picture of their dialog: they paint no background
// of their own, so the picture shows through around their letters.
#pragma once

#include <windows.h>

namespace karvex {

// A dialog's answer to WM_CTLCOLORSTATIC (`dc` is its wParam) for a static
// or check box that shows the picture through: transparent text on the
// hollow brush.
INT_PTR ShowPictureThrough(HDC dc);

// Paints the dialog's picture and controls under `control` again. A control
// that erases nothing would otherwise keep its old look on screen: the old
// glyphs after a change of its text, the focus frame after the focus left.
void RepaintBehind(HWND control);

}  // namespace karvex
