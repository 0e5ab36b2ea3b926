// A list box framed by a flat grey line instead of the system's border.
#pragma once

#include <windows.h>

#include "common/win/control.h"

namespace karvex {

class CFlatListBox : public CControl {
protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace karvex
