// A label that reads as a link: underlined text in its own colour over the
// page's picture, and the hand cursor. Its clicks reach the page as commands
// (the template gives it SS_NOTIFY).
#pragma once

#include "common/win/transparent_label.h"

namespace karvex {

class CLinkStatic : public CTransparentLabel {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintText(HDC dc, const char* text) const override;
};

}  // namespace karvex
