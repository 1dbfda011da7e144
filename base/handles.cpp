// The program's windows, recorded as they are created and never cleared.
#include "base/handles.h"

HWND MainWindow;
HWND OptimizationPage;
HWND StartupPage;
HWND AboutPage;
HWND HistoryPage;
