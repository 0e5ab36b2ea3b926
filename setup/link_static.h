// A label that reads as a link: underlined text in its own colour over the
// page's picture, and the hand cursor. Its clicks reach the page as commands
// (the template gives it SS_NOTIFY).
#pragma once

#include "setup/transparent_static.h"

namespace karvex {

class CLinkStatic : public CTransparentStatic {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintText(HDC dc, const char* text, int length) const override;
};

}  // namespace karvex
