#include "setup/link_static.h"

#include "common/win/handles.h"

namespace karvex {

LRESULT CLinkStatic::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETCURSOR) {
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
    }
    return CTransparentLabel::HandleMessage(message, wParam, lParam);
}

void CLinkStatic::PaintText(HDC dc, const char* text) const
{
    // The control's font, underlined; made for this paint only.
    LOGFONTA description = {};
    HFONT font = GetFont();
    if (font == nullptr || ::GetObjectA(font, sizeof description, &description) == 0)
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    description.lfUnderline = TRUE;
    UniqueGdiObject<HFONT> underlined(::CreateFontIndirectA(&description));
    // DrawLines selects the font out again before it is deleted.
    DrawLines(dc, underlined.get(), text);
}

}  // namespace karvex
