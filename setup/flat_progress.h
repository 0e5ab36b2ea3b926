// The copy page's progress bar, drawn flat: a pale background, the bar in the
// product's light colour, and a one-pixel grey frame instead of the system's
// sunken border.
#pragma once

#include "common/win/flat_progress_bar.h"

namespace karvex {

class CFlatProgress : public CFlatProgressBar {
public:
    CFlatProgress() : CFlatProgressBar(0xFAF0DF, 0xFFD972, 0xDDDDDD) {}
};

}  // namespace karvex
