// The running program's end of a request that another start of the program hands over.
#pragma once
#include <windows.h>
#include "base/memstatus.h"
#include "engine/worker.h"

// The request as it travels in WM_COPYDATA: the same layout in the 32-bit and 64-bit programs,
// so that either answers the other.
struct HandedOverRequest {
    ByteCount Amount;
    DWORD Action;      // a CommandLineAction: FreeSwitch, ShowSwitch or ExitSwitch
    DWORD ReplyThread; // the asking thread, which WM_APP_RUN_ENDED reaches
};
const ULONG_PTR HandedOverRequestTag = 0x4D564331;

// How a handed-over run ended, as WM_APP_RUN_ENDED carries it in wParam.
enum RunEnding : DWORD { EndedDone, EndedNotStarted, EndedBlockRefused, EndedCancelled };

RunEnding EndingOf(FreeingEnding ending);
// The one place a command-line run is asked for, in the running program and in a start that
// runs it itself: 0 when the amount does not fit above free memory or a job runs.
DWORD RequestCommandLineRun(ByteCount amount);

// A request arriving by WM_COPYDATA (TRUE when taken) and the run it asked for starting
// (WM_APP_COMMAND_FREE).
BOOL OnCommandLineCopyData(HWND window, const COPYDATASTRUCT *data);
void StartCommandLineRun();
// Each ended run's record, as the UI thread takes it; then, once the worker is idle and no
// record is left, the answer for a run that had nothing to do.
void AnswerCommandLineRun(const FreeingRun &run);
void AnswerIdleCommandLineRun();
