// Reporting an error the program cannot go on from.
#include "shell/fatal.h"
#include "shell/handles.h"
#include "shell/mainwindow.h"
#include "shell/platform.h"
#include <atomic>

// The report a thread other than the UI thread hands over; the message itself carries
// nothing, so a WM_APP_FATAL from anywhere else finds none and is ignored.
static std::atomic<const char *> HandedOverReport{nullptr};

void ReportFatal(const char *message)
{
    // Only the UI thread can destroy the main window, and its destruction saves the settings
    // and removes the tray icon; so another thread hands the report over and waits there
    // (the UI thread ends the process while handling it).
    if (MainWindow && GetWindowThreadProcessId(MainWindow, nullptr) != GetCurrentThreadId()) {
        HandedOverReport.store(message);
        SendMessageA(MainWindow, WM_APP_FATAL, 0, 0);
    }
    ShowMessageBox(nullptr, message, "Error", MB_ICONERROR);
    if (MainWindow) {
        DestroyWindow(MainWindow);
    }
    EndProcess(1);
}

void ReportHandedOverFatal()
{
    const char *message = HandedOverReport.exchange(nullptr);
    if (message) {
        ReportFatal(message);
    }
}
