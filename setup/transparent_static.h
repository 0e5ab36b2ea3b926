// A label that draws only its text, in its own colour, so the page's picture
// shows through around the letters.
#pragma once

#include "common/win/control.h"

namespace karvex {

class CTransparentStatic : public CControl {
public:
    void SetTextColor(COLORREF colour) { m_crText = colour; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the control's text; the base draws it in the control's font.
    virtual void PaintText(HDC dc, const char* text, int length) const;
    // Draws `text` in one line at the control's top-left corner in `font`
    // (the device context's when null), and leaves the context as it was.
    void DrawLine(HDC dc, HFONT font, const char* text, int length) const;
    HFONT GetFont() const;

private:
    void OnPaint();
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);

    COLORREF m_crText = 0;
};

// A page's answer to WM_CTLCOLORSTATIC (`dc` is its wParam): its labels and
// check boxes draw nothing behind them, so the page's picture shows through.
INT_PTR ShowPictureThrough(WPARAM dc);

}  // namespace karvex
