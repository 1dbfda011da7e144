// Reporting an error the program cannot go on from.
#pragma once

// Shows the message, runs the main window's destruction steps on the UI thread (from any
// thread) and ends the process with exit code 1. Does not return in the program.
void ReportFatal(const char *message);

// On the UI thread, for WM_APP_FATAL: reports what another thread handed over, if anything.
void ReportHandedOverFatal();
