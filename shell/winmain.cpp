// The program's entry point.
#include "shell/startup.h"
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    StartUp(instance);
    if (AnotherInstanceRuns()) {
        return 0;
    }
    CreateMainWindow();
    return RunMessageLoop();
}
