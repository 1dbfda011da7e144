// Reporting an error the program cannot go on from.
#include "shell/fatal.h"
#include "shell/handles.h"
#include "shell/platform.h"

void ReportFatal(const char *message)
{
    ShowMessageBox(nullptr, message, "Error", MB_ICONERROR);
    if (MainWindow) {
        DestroyWindow(MainWindow);
    }
    EndProcess(1);
}
