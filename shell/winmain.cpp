// The program's entry point.
#include "shell/startup.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (StartUp(instance)) {
        return 0;
    }
    CreateMainWindow();
    return RunMessageLoop();
}
