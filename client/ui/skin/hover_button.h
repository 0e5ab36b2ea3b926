// What the owner-drawn push buttons of the skins share: the hand cursor, a
// state that follows the pointer (normal, hover, pressed) and a redraw at
// every change of it, and their text drawn in their own colour.
#pragma once

#include <windows.h>

#include <cstddef>

#include "common/win/control.h"

namespace karvex {

class CHoverButton : public CControl {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };
    COLORREF m_crText = RGB(0, 0, 0);
    State GetState() const { return m_nState; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove();
    void OnMouseLeave();
    // The window text, cut to at most `size` - 1 bytes of whole characters.
    void CopyWindowText(char* text, std::size_t size) const;
    // Draws the text in the button's colour, transparently, on the line at `y`
    // computed from `height` as (height - line height) / 2 + `shift`.
    void DrawCaption(HDC dc, int x, int height, int shift) const;

    State m_nState = kNormal;
    bool m_bTracking = false;
};

}  // namespace karvex
