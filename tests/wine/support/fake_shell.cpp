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

FakeShell::FakeShell()
{
    m_ready.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_thread = std::thread([this] { Run(); });
    ::WaitForSingleObject(m_ready.get(), 10000);
}

FakeShell::~FakeShell()
{
    if (m_hwnd != nullptr)
        ::PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    m_thread.join();
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

void FakeShell::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kShellTrayClass;
    ::RegisterClassA(&wc);
    // The client's notifications go to the first window of this class in the
    // window order. The real shell's window belongs to the desktop process,
    // which the harness keeps for the whole run; run by hand, this program may
    // start that process only now. Ours is made after the real one, topmost,
    // and is raised until it is the one found.
    ::GetDesktopWindow();
    WaitUntil([] { return ::FindWindowA(kShellTrayClass, nullptr) != nullptr; }, 5000);
    m_hwnd = ::CreateWindowExA(WS_EX_TOPMOST, kShellTrayClass, nullptr, WS_POPUP, 0, 0, 1, 1, nullptr,
                               nullptr, ::GetModuleHandleA(nullptr), this);
    WaitUntil(
        [this] {
            if (::FindWindowA(kShellTrayClass, nullptr) == m_hwnd)
                return true;
            ::SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return false;
        },
        5000);
    ::SetEvent(m_ready.get());
    MSG msg;
    while (m_hwnd != nullptr && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK FakeShell::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeShell*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_COPYDATA:
        return self != nullptr ? self->Record(*reinterpret_cast<COPYDATASTRUCT*>(lParam)) : FALSE;
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (self != nullptr)
            self->m_hwnd = nullptr;
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
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
