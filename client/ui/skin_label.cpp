#include "client/ui/skin_label.h"

#include <vector>

#include "client/ui/skinned_dialog.h"
#include "common/text_layout.h"

namespace karvex {

LRESULT CSkinLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (::GetWindowTextLengthA(GetHwnd()) <= 0)
            break;
        OnPaint();
        return 0;
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CSkinLabel::OnSetText(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefaultProc(WM_SETTEXT, wParam, lParam);
    RepaintBehind(GetHwnd());
    HWND label = GetHwnd();
    ::SendMessageA(::GetParent(label), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(label), kLabelTextChanged),
                   reinterpret_cast<LPARAM>(label));
    return result;
}

void CSkinLabel::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHwnd(), &paint);
    if (dc == nullptr) {
        ::EndPaint(GetHwnd(), &paint);
        return;
    }
    const int length = ::GetWindowTextLengthA(GetHwnd());
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    ::GetWindowTextA(GetHwnd(), text.data(), length + 1);

    auto font = reinterpret_cast<HFONT>(::SendMessageA(GetHwnd(), WM_GETFONT, 0, 0));
    HGDIOBJ previousFont = font != nullptr ? ::SelectObject(dc, font) : nullptr;
    ::SetTextColor(dc, m_crText);
    ::SetBkMode(dc, TRANSPARENT);

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
    for (const TextLine& line : WrapText(text.data(), client.right, measure)) {
        if (y >= client.bottom)
            break;
        ::TextOutA(dc, 0, y, text.data() + line.offset, static_cast<int>(line.length));
        y += metrics.tmHeight;
    }

    if (previousFont != nullptr)
        ::SelectObject(dc, previousFont);
    ::EndPaint(GetHwnd(), &paint);
}

}  // namespace karvex
