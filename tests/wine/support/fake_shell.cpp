#include "tests/wine/support/fake_shell.h"

#include <cstring>

#include "common/win/handles.h"

namespace karvex::test {

namespace {

constexpr char kShellTrayClass[] = "Shell_TrayWnd";

// What Wine's shell32 sends to the tray window with WM_COPYDATA (dwData is
// the NIM_ message): the notification data in a fixed layout, followed by the
// icon's mask bits and colour bits.
#pragma pack(push, 4)
struct WineNotifyData {
    LONG window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    WCHAR tip[128];
    DWORD state;
    DWORD stateMask;
    WCHAR info[256];
    UINT timeoutOrVersion;
    WCHAR infoTitle[64];
    DWORD infoFlags;
    GUID guid;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};
#pragma pack(pop)
static_assert(sizeof(WineNotifyData) == 960, "layout of Wine's tray data");

std::string ToGbk(const WCHAR* text)
{
    char buffer[512];
    int n = ::WideCharToMultiByte(936, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

}  // namespace

// The client's notifications go to the first window of this class in the
// window order: the real shell's belongs to the desktop process, which the
// harness keeps for the whole run; this one is put in front of it.
FakeShell::FakeShell() : FrontWindow(kShellTrayClass, true)
{
    Start();
}

FakeShell::~FakeShell()
{
    Stop();
}

void FakeShell::RefuseAdd(bool refuse)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_refuseAdd = refuse;
}

std::vector<TrayEvent> FakeShell::Events() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
}

std::string FakeShell::CurrentTip() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->flags & NIF_TIP)
            return it->tip;
    }
    return std::string();
}

std::vector<BYTE> FakeShell::CurrentIcon() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->flags & NIF_ICON)
            return it->icon;
    }
    return {};
}

LRESULT FakeShell::OnMessage(UINT message, WPARAM, LPARAM lParam, bool& handled)
{
    if (message != WM_COPYDATA)
        return 0;
    handled = true;
    return Record(*reinterpret_cast<COPYDATASTRUCT*>(lParam));
}

BOOL FakeShell::Record(const COPYDATASTRUCT& data)
{
    if (data.cbData < sizeof(WineNotifyData))
        return FALSE;
    const auto* notify = static_cast<const WineNotifyData*>(data.lpData);
    TrayEvent event;
    event.message = static_cast<DWORD>(data.dwData);
    event.window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(notify->window));
    event.id = notify->id;
    event.flags = notify->flags;
    event.callbackMessage = notify->callbackMessage;
    if (notify->flags & NIF_TIP)
        event.tip = ToGbk(notify->tip);
    if (notify->flags & NIF_ICON) {
        const BYTE* bits = reinterpret_cast<const BYTE*>(notify + 1);
        event.icon.assign(bits, bits + (data.cbData - sizeof(WineNotifyData)));
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(event);
    return event.message == NIM_ADD && m_refuseAdd ? FALSE : TRUE;
}

std::vector<BYTE> ProgramIconBits(const char* exePath, int resourceId)
{
    std::vector<BYTE> bits;
    UniqueLibrary module(::LoadLibraryExA(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        return bits;
    UniqueIcon icon(static_cast<HICON>(::LoadImageA(module.get(), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON),
                                                    ::GetSystemMetrics(SM_CYSMICON), 0)));
    ICONINFO info;
    if (!icon || !::GetIconInfo(icon.get(), &info))
        return bits;
    UniqueGdiObject<HBITMAP> maskBitmap(info.hbmMask);
    UniqueGdiObject<HBITMAP> colourBitmap(info.hbmColor);
    BITMAP mask, colour;
    if (!::GetObjectA(maskBitmap.get(), sizeof mask, &mask) ||
        !::GetObjectA(colourBitmap.get(), sizeof colour, &colour))
        return bits;
    auto bytes = [](const BITMAP& b) { return (b.bmPlanes * b.bmWidth * b.bmHeight * b.bmBitsPixel + 15) / 16 * 2; };
    bits.resize(static_cast<size_t>(bytes(mask) + bytes(colour)));
    ::GetBitmapBits(maskBitmap.get(), bytes(mask), bits.data());
    ::GetBitmapBits(colourBitmap.get(), bytes(colour), bits.data() + bytes(mask));
    return bits;
}

}  // namespace karvex::test
