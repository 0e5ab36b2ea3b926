#!/usr/bin/env sh
# Prints the Wine prefix architecture the tests can use on this machine:
# win32 where the kernel runs 32-bit programs (Wine's 32-bit loader starts),
# win64 where 32-bit emulation is switched off. There the Windows programs are
# also built for x86-64 and the tests run that build in a 64-bit prefix.
# KARVEX_WINE_ARCH=win64 chooses the 64-bit way on any machine (to try it).
if [ -n "${KARVEX_WINE_ARCH:-}" ]; then
    echo "$KARVEX_WINE_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo win32
else
    echo win64
fi
