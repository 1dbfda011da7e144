// The command line: its switches, the answers to them, and the running program's side of a
// request handed over by another start.
#pragma once
#include <windows.h>
#include "base/memstatus.h"
#include "engine/worker.h"

enum CommandLineAction : DWORD { NoSwitch, FreeSwitch, ShowSwitch, ExitSwitch, HelpSwitch, BadSwitch, BadAmount };

// The longest argument a message quotes back; longer ones are cut.
const int QuotedArgumentSize = 64;

struct CommandLineRequest {
    CommandLineAction Action;
    ByteCount Amount; // FreeSwitch: bytes, 0 for the Optimization page's amount; past 64 bits the largest
    char Argument[QuotedArgumentSize]; // BadSwitch, BadAmount: the argument as given
};

// Exit codes: done; refused or cancelled (and /exit with nothing to end); bad arguments.
const int ExitDone = 0;
const int ExitRefused = 1;
const int ExitBadArguments = 2;

// The arguments after the program's name, as WinMain receives them.
CommandLineRequest ParseCommandLine(const char *arguments);

// Tells the user: on the console that started the program or its redirected output, else in
// a "Message" box.
void SayToUser(const char *text);

// The switches that need no running program, checked against installed memory: the exit code
// when the request ends here, otherwise -1. /free runs here when no Memvale runs.
int AnswerWithoutInstance(const CommandLineRequest &request);
// Hands the request to the Memvale that runs and waits as the switch says; the exit code.
int AskRunningInstance(const CommandLineRequest &request);

// The running program's side: a request arriving by WM_COPYDATA (TRUE when taken), the run it
// asked for starting (WM_APP_COMMAND_FREE), and each refresh tick's look at whether it ended.
BOOL OnCommandLineCopyData(HWND window, const COPYDATASTRUCT *data);
void StartCommandLineRun();
void AnswerCommandLineRun(bool idle, const FreeingRun *run);
