// The Options dialog's update progress: a flat bar in the skins' pale blues
// inside a light grey frame.
#pragma once

#include "common/win/flat_progress_bar.h"

namespace karvex {

class CSkinProgress : public CFlatProgressBar {
public:
    CSkinProgress() : CFlatProgressBar(RGB(223, 240, 250), RGB(166, 224, 240), RGB(221, 221, 221)) {}
};

}  // namespace karvex
