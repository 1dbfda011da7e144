// Reporting an error the program cannot go on from.
#include "base/fatal.h"
#include "base/handles.h"
#include "base/platform.h"

void ReportFatal(const char *message)
{
    ShowMessageBox(nullptr, message, "Error", MB_ICONERROR);
    if (MainWindow) {
        DestroyWindow(MainWindow);
    }
    EndProcess(1);
}
