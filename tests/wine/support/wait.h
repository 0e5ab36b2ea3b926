// Polling waits for conditions that another process brings about.
#pragma once

#include <windows.h>

namespace karvex::test {

// Polls `condition` every 20 ms until it holds or `timeoutMs` has passed.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::Sleep(20);
    }
}

}  // namespace karvex::test
