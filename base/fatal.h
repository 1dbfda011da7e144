// Reporting an error the program cannot go on from.
#pragma once

// On the UI thread: shows the message, runs the main window's destruction steps (settings
// saved, tray icon removed) and ends the process with exit code 1. Does not return in the
// program.
void ReportFatal(const char *message);
