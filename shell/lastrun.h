// The last freeing run, kept on the UI thread, and how the program tells of it: a notice from
// the tray icon, a line on the Optimization page and a line in the tooltip.
#pragma once
#include <windows.h>
#include <cstddef>
#include "engine/worker.h"

extern FreeingRun LastRun;
extern DWORD LastRunKnown; // 1 once a run has ended

// Keeps the run as the last one, shows it on the Optimization page and, as the Notices setting
// asks, in a notice. A refused block gives no notice: a run the user asked for tells of it in
// a box.
void ReportRun(const FreeingRun &run);

// The tooltip's second line: while automatic freeing holds back a run, when it will start
// again (waitLeft in milliseconds, 0 for none); otherwise the last run, or nothing before it.
void FormatStatusLine(wchar_t *text, int size, ULONGLONG waitLeft);
