// A static text drawn in its own colour over the picture behind it, wrapped
// inside the label between whole characters.
#pragma once

#include <windows.h>

#include "common/win/control.h"

namespace karvex {

// Sent to the label's parent as WM_COMMAND (the label's id, this code, the
// label) after its text has changed, whoever changed it: a parent that lays
// out around the text does so again.
constexpr WORD kLabelTextChanged = 0x4000;

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
