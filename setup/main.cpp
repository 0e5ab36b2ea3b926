#include <windows.h>

#include "setup/setup_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    karvex::CSetupApp app;
    return app.Run();
}
