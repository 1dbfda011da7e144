// The Optimization page: limits, amounts, priority and the global hot-key.
#include "pages/optimization.h"
#include "shell/handles.h"

INT_PTR CALLBACK OptimizationPageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        OptimizationPage = page;
        return TRUE;
    }
    return FALSE;
}
