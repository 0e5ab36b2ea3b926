// A label that draws only its text, in its own colour, so the picture of its
// dialog shows through around the letters. The text is one line, cut at the
// label's right edge, or (kWrapped) broken between whole characters into as
// many lines as the label's width needs and its height shows.
#pragma once

#include <windows.h>

#include "common/win/control.h"

namespace karvex {

// Sent to the label's parent as WM_COMMAND (the label's id, this code, the
// label) after its text has changed, whoever changed it: a parent that lays
// out around the text does so again.
constexpr WORD kLabelTextChanged = 0x4000;

class CTransparentLabel : public CControl {
public:
    enum Layout { kOneLine, kWrapped };
    explicit CTransparentLabel(Layout layout = kOneLine) : m_layout(layout) {}

    void SetTextColor(COLORREF colour) { m_crText = colour; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the label's text; the base draws it in the label's own font.
    virtual void PaintText(HDC dc, const char* text) const;
    // Draws `text` in `font` (the device context's when null), in the
    // label's colour and layout, and leaves the context as it was.
    void DrawLines(HDC dc, HFONT font, const char* text) const;
    HFONT GetFont() const;

private:
    void OnPaint();
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);

    Layout m_layout;
    COLORREF m_crText = RGB(0, 0, 0);
};

}  // namespace karvex
