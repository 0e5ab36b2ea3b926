// A static text drawn in its own colour over the picture behind it, wrapped
// inside the label between whole characters.
#pragma once

#include <windows.h>

#include "common/win/control.h"

namespace karvex {

class CSkinLabel : public CControl {
public:
    COLORREF m_crText = RGB(0, 0, 0);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    void OnPaint();
};

}  // namespace karvex
