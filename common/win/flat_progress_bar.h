// A progress bar drawn flat: an unfilled part and a bar in two plain colours
// inside a one-pixel frame, instead of the system's sunken look. The position
// is read as a percentage; its users set the range 0 to 100.
#pragma once

#include <windows.h>

#include "common/win/control.h"
#include "common/win/handles.h"

namespace karvex {

class CFlatProgressBar : public CControl {
public:
    CFlatProgressBar(COLORREF background, COLORREF bar, COLORREF frame);
    // Takes over the progress bar `id` of `dialog` and gives it the one-pixel
    // border its frame is drawn on (some progress bars drop the template's).
    bool Attach(HWND dialog, int id);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();

    UniqueGdiObject<HBRUSH> m_brBackground;
    UniqueGdiObject<HBRUSH> m_brBar;
    COLORREF m_crFrame;
};

// Draws a one-pixel frame of `colour` along the outer edge of `window`'s
// non-client area, leaving its client area alone.
void DrawFlatFrame(HWND window, COLORREF colour);

}  // namespace karvex
