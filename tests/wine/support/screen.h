// What the display shows: pixels read back from the screen and screenshots
// kept for review.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace karvex::test {

// The colour of a screen pixel, CLR_INVALID when it cannot be read.
COLORREF ScreenPixel(int x, int y);

// What the screen shows in `area`: 24-bit rows, bottom-up, as a DIB holds them.
struct Picture {
    int width = 0;
    int height = 0;
    std::string bits;
};
Picture CaptureScreen(const RECT& area);

// The pixels of `area` of the screen, row by row from its top.
std::vector<COLORREF> ScreenPixels(const RECT& area);

// Saves `area` of the screen (or all of it) as NAME.bmp in the folder that
// KARVEX_SHOT_DIR names; the harness keeps them with the test output. Does
// nothing without that variable.
void SaveScreenshot(const std::string& name, const RECT* area = nullptr);
// Saves what `window` shows, once it has had a moment to finish painting.
void SaveScreenshot(HWND window, const std::string& name);

// Whether two regions cover the same pixels. The region a window keeps need
// not be built from the same rectangles as the one it was given, so EqualRgn
// may tell them apart.
bool SamePixels(HRGN a, HRGN b);

// The screen's work area.
RECT WorkArea();

// Starts a program of the Unix host, such as xdotool (Wine runs it). Whether
// it started: Wine tells no exit code of a host program, so callers wait
// for its effect.
bool StartHostProgram(const std::string& commandLine);

// Moves the X pointer to a screen point, as the user's mouse does.
bool MovePointer(int x, int y);

}  // namespace karvex::test
