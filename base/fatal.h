// Reporting an error the program cannot go on from.
#pragma once
#include <windows.h>

// On the UI thread: shows the message (text messageId of the string table), runs the main
// window's destruction steps (settings saved, tray icon removed) and ends the process with
// exit code 1. Does not return in the program.
void ReportFatal(UINT messageId);
