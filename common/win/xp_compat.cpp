// The programs load on Windows XP. The MinGW-w64 thread library, which the C++
// runtime uses for its own locks, imports GetTickCount64, which XP's kernel32
// lacks; a program that imports it does not start there. This file defines the
// import slot itself, so the linker takes it instead of kernel32's entry: the
// slot calls the system's GetTickCount64 where there is one (Vista and later)
// and otherwise extends the 32-bit tick count across its wrap-arounds.
#if defined(__MINGW32__) && defined(__i386__)

#include <windows.h>

#include <atomic>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// Last 32-bit reading and the wrap-arounds seen so far, in one 64-bit word
// that is swapped as a whole, so that concurrent callers agree.
volatile LONGLONG g_lastTick = 0;

ULONGLONG WINAPI ExtendedTickCount()
{
    for (;;) {
        const LONGLONG last = ::InterlockedCompareExchange64(&g_lastTick, 0, 0);
        const DWORD now = ::GetTickCount();
        ULONGLONG next = (static_cast<ULONGLONG>(last) & 0xFFFFFFFF00000000ULL) | now;
        if (now < static_cast<DWORD>(last))
            next += 0x100000000ULL;
        if (::InterlockedCompareExchange64(&g_lastTick, static_cast<LONGLONG>(next), last) == last)
            return next;
    }
}

// Looked up on first use; racing first callers find the same function.
std::atomic<TickCount64Function> g_tickCount64{nullptr};

ULONGLONG WINAPI TickCount64()
{
    TickCount64Function function = g_tickCount64.load(std::memory_order_acquire);
    if (function == nullptr) {
        HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        FARPROC found = kernel != nullptr ? ::GetProcAddress(kernel, "GetTickCount64") : nullptr;
        // Through the generic function type, which converts to any other.
        function = reinterpret_cast<TickCount64Function>(reinterpret_cast<void (*)()>(found));
        if (function == nullptr)
            function = ExtendedTickCount;
        g_tickCount64.store(function, std::memory_order_release);
    }
    return function();
}

}  // namespace

extern "C" TickCount64Function const karvex_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");
extern "C" TickCount64Function const karvex_imp_GetTickCount64 = TickCount64;

#endif
