// The program's windows, recorded as they are created and never cleared.
#pragma once
#include <windows.h>

extern HWND MainWindow;
extern HWND OptimizationPage;
extern HWND StartupPage;
extern HWND AboutPage;
extern HWND HistoryPage;
