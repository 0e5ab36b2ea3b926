#include <windows.h>

#include "client/app/client_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The one application object, not on the stack: it goes with the
    // process's other static objects after WinMain has returned.
    static karvex::CClientApp app;
    return app.ClientMain();
}
