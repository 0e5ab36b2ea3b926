// One picture of the program's resources (a GIF, or a bitmap with its file
// header), decoded once and drawn as often as a window paints.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "common/win/handles.h"

namespace karvex {

class CSkinPicture {
public:
    // Finds resource `id` of the type "GIF", else among the bitmaps, and
    // decodes it. True when the resource was found and read; a resource the
    // decoder refuses leaves the holder empty all the same.
    bool Load(UINT id);
    // Draws the picture stretched to `rect`; an all-zero rectangle stands for
    // its own size at (0, 0). An empty holder draws nothing.
    bool Render(HDC dc, const RECT& rect, const RECT* metafileBounds = nullptr) const;
    // Size in pixels of `dc`, or of the screen without one; 0 x 0 when empty.
    SIZE GetSize(HDC dc = nullptr) const;
    void Release() { m_picture.reset(); }
    bool IsEmpty() const { return !m_picture; }

private:
    ComPtr<IPicture> m_picture;
};

}  // namespace karvex
