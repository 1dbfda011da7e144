// The running program's end of a request that another start of the program hands over.
#include "shell/handover.h"
#include "base/messages.h"
#include "base/platform.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/cmdline.h"
#include <cstring>

// The start waiting for a run it handed over (0 when none), the amount it asked for, and
// whether the run has begun; all on the UI thread.
static DWORD WaitingCaller;
static ByteCount WaitingAmount;
static bool WaitingRunStarted;

RunEnding EndingOf(FreeingEnding ending)
{
    switch (ending) {
    case BlockRefused:
        return EndedBlockRefused;
    case RunCancelled:
        return EndedCancelled;
    default:
        return EndedDone;
    }
}

// It opens no box: the start that asked tells its user, and a box would hold a scheduled task
// until somebody clicked it.
DWORD RequestCommandLineRun(ByteCount amount)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    if (!FitsOnTopOfFree(status, amount)) {
        return 0;
    }
    return RequestFreeing(status.AvailPhys + amount, ManualAttempts, CommandLineRun);
}

// The asking thread's process must be this user's, in this session, at this integrity level:
// a process of another level could not be answered (the answer would not pass the message
// filter upwards), and one below it must not drive this one.
static bool AskedByPeer(DWORD threadId)
{
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
    if (!thread) {
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetProcessIdOfThread(thread));
    CloseHandle(thread);
    if (!process) {
        return false;
    }
    TokenFacts theirs;
    TokenFacts ours;
    bool peer = ReadTokenFacts(process, &theirs) && ReadTokenFacts(GetCurrentProcess(), &ours) &&
                theirs.Session == ours.Session && theirs.Integrity == ours.Integrity &&
                EqualSid(theirs.User, ours.User);
    CloseHandle(process);
    return peer;
}

// Never waits on the asking process: the work is posted, and the answer comes by a posted
// message later.
BOOL OnCommandLineCopyData(HWND window, const COPYDATASTRUCT *data)
{
    HandedOverRequest handed;
    if (!data || data->dwData != HandedOverRequestTag || data->cbData != sizeof handed || !data->lpData) {
        return FALSE;
    }
    memcpy(&handed, data->lpData, sizeof handed);
    if (!AskedByPeer(handed.ReplyThread)) {
        return FALSE;
    }
    switch (handed.Action) {
    case ShowSwitch:
        return PostMessageW(window, WM_COMMAND, IDM_CONFIG, 0);
    case ExitSwitch:
        return PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    case FreeSwitch:
        if (WaitingCaller != 0) {
            return FALSE;
        }
        WaitingCaller = handed.ReplyThread;
        WaitingAmount = handed.Amount;
        WaitingRunStarted = false;
        return PostMessageW(window, WM_APP_COMMAND_FREE, 0, 0);
    default:
        return FALSE;
    }
}

static void EndWaitingRun(RunEnding ending)
{
    PostThreadMessageW(WaitingCaller, WM_APP_RUN_ENDED, ending, 0);
    WaitingCaller = 0;
    WaitingRunStarted = false;
}

void StartCommandLineRun()
{
    if (WaitingCaller == 0 || WaitingRunStarted) {
        return;
    }
    ByteCount amount = WaitingAmount != 0 ? WaitingAmount : Settings.ManualFree;
    if (RequestCommandLineRun(amount) == 0) {
        EndWaitingRun(EndedNotStarted);
        return;
    }
    WaitingRunStarted = true;
}

// No other job can start while the run goes on, so the record of its source that follows is
// its own.
void AnswerCommandLineRun(const FreeingRun &run)
{
    if (WaitingRunStarted && run.Source == CommandLineRun) {
        EndWaitingRun(EndingOf(run.Ending));
    }
}

void AnswerIdleCommandLineRun()
{
    if (WaitingRunStarted) {
        EndWaitingRun(EndedDone);
    }
}
