// The About page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void FillAboutPage(HWND page);
