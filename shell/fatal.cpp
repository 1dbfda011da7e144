// Reporting an error the program cannot go on from.
#include "shell/fatal.h"
#include "shell/handles.h"
#include "shell/mainwindow.h"
#include "shell/platform.h"

void ReportFatal(const char *message)
{
    // Only the UI thread can destroy the main window, and its destruction saves the settings
    // and removes the tray icon; so another thread hands the report over and waits there
    // (the UI thread ends the process while handling it).
    if (MainWindow && GetWindowThreadProcessId(MainWindow, nullptr) != GetCurrentThreadId()) {
        SendMessageA(MainWindow, WM_APP_FATAL, 0, reinterpret_cast<LPARAM>(message));
    }
    ShowMessageBox(nullptr, message, "Error", MB_ICONERROR);
    if (MainWindow) {
        DestroyWindow(MainWindow);
    }
    EndProcess(1);
}
