#include "common/win/transparent_label.h"

#include <cstddef>
#include <vector>

#include "common/text_layout.h"
#include "common/win/gdi.h"
#include "common/win/transparency.h"

namespace karvex {

LRESULT CTransparentLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        // Without a text the static's own painting has nothing to draw either.
        if (::GetWindowTextLengthA(GetHwnd()) <= 0)
            break;
        OnPaint();
        return 0;
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CTransparentLabel::OnSetText(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefaultProc(WM_SETTEXT, wParam, lParam);
    // The old letters were drawn without a background: the picture under
    // them is drawn again before the new text.
    RepaintBehind(GetHwnd());
    HWND label = GetHwnd();
    ::SendMessageA(::GetParent(label), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(label), kLabelTextChanged),
                   reinterpret_cast<LPARAM>(label));
    return result;
}

void CTransparentLabel::OnPaint()
{
    CPaintDC dc(GetHwnd());
    if (!dc)
        return;
    const int length = ::GetWindowTextLengthA(GetHwnd());
    std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    ::GetWindowTextA(GetHwnd(), text.data(), static_cast<int>(text.size()));
    PaintText(dc.get(), text.data());
}

void CTransparentLabel::PaintText(HDC dc, const char* text) const
{
    DrawLines(dc, GetFont(), text);
}

void CTransparentLabel::DrawLines(HDC dc, HFONT font, const char* text) const
{
    CSelectedObject selected(dc, font);
    ::SetTextColor(dc, m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    if (m_layout == kOneLine) {
        ::TextOutA(dc, 0, 0, text, lstrlenA(text));
        return;
    }
    RECT client;
    ::GetClientRect(GetHwnd(), &client);
    TEXTMETRICA metrics;
    ::GetTextMetricsA(dc, &metrics);
    const auto measure = [dc](const char* part, std::size_t bytes) {
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(dc, part, static_cast<int>(bytes), &size);
        return static_cast<int>(size.cx);
    };
    int y = 0;
    for (const TextLine& line : WrapText(text, client.right, measure)) {
        if (y >= client.bottom)
            break;
        ::TextOutA(dc, 0, y, text + line.offset, static_cast<int>(line.length));
        y += metrics.tmHeight;
    }
}

HFONT CTransparentLabel::GetFont() const
{
    return reinterpret_cast<HFONT>(::SendMessageA(GetHwnd(), WM_GETFONT, 0, 0));
}

}  // namespace karvex
