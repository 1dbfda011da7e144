// The Startup & Exit page: start with Windows, freeing at start-up, saving on exit.
#include "pages/startup.h"

INT_PTR CALLBACK StartupPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}
