#include <windows.h>

#include "client/app/client_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return karvex::TheApp().ClientMain();
}
