// The About page.
#include "pages/about.h"

INT_PTR CALLBACK AboutPageProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}
