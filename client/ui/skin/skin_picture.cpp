#include "client/ui/skin/skin_picture.h"

#include <cstring>

#include "common/win/gdi.h"
#include "common/win/resource_bytes.h"

namespace karvex {

namespace {

struct GlobalTraits {
    using pointer = HGLOBAL;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::GlobalFree(h); }
};

// HIMETRIC (0.01 mm) to pixels at `pixelsPerInch`.
int HimetricToPixels(long himetric, int pixelsPerInch)
{
    return ::MulDiv(static_cast<int>(himetric), pixelsPerInch, 2540);
}

}  // namespace

bool CSkinPicture::Load(UINT id)
{
    const char* name = MAKEINTRESOURCEA(LOWORD(id));
    RESOURCE_BYTES bytes = ResourceBytes(name, "GIF");
    if (bytes.pData == nullptr)
        bytes = ResourceBytes(name, RT_BITMAP);
    const DWORD size = bytes.nSize;
    if (bytes.pData == nullptr || size == 0)
        return false;

    // The decoder reads a stream; the stream owns a copy of the bytes.
    UniqueHandle<GlobalTraits> copy(::GlobalAlloc(GMEM_MOVEABLE, size));
    void* target = copy ? ::GlobalLock(copy.get()) : nullptr;
    if (target == nullptr)
        return false;
    std::memcpy(target, bytes.pData, size);
    ::GlobalUnlock(copy.get());
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(copy.get(), TRUE, stream.put())))
        return false;
    copy.release();

    Release();
    if (FAILED(::OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(m_picture.put()))))
        m_picture.reset();
    return true;
}

SIZE CSkinPicture::GetSize(HDC dc) const
{
    SIZE size = {0, 0};
    if (!m_picture)
        return size;
    if (dc == nullptr) {
        CWindowDC screen(nullptr);
        return screen ? GetSize(screen.get()) : size;
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_picture->get_Width(&width);
    m_picture->get_Height(&height);
    size.cx = HimetricToPixels(width, ::GetDeviceCaps(dc, LOGPIXELSX));
    size.cy = HimetricToPixels(height, ::GetDeviceCaps(dc, LOGPIXELSY));
    return size;
}

bool CSkinPicture::Render(HDC dc, const RECT& rect, const RECT* metafileBounds) const
{
    if (!m_picture)
        return true;
    RECT target = rect;
    if (target.left == 0 && target.top == 0 && target.right == 0 && target.bottom == 0) {
        const SIZE size = GetSize(dc);
        target.right = size.cx;
        target.bottom = size.cy;
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_picture->get_Width(&width);
    m_picture->get_Height(&height);
    // The source starts at the bottom with a negative height: the picture upright.
    m_picture->Render(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0,
                      height, width, -height, metafileBounds);
    return true;
}

}  // namespace karvex
