// A check box drawn over its dialog's picture: the dialog answers its colour
// request with the hollow brush, so nothing erases behind it. When it loses
// the focus, the picture under it is painted again; otherwise the dotted
// focus frame would stay around its text.
#pragma once

#include <windows.h>

#include "common/win/control.h"

namespace karvex {

class CSkinCheckBox : public CControl {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace karvex
