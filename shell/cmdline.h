// The command line: its switches, the answers to them, the run without a running Memvale and
// the asking side of a request handed over to one.
#pragma once
#include <windows.h>
#include "base/memstatus.h"

enum CommandLineAction : DWORD { NoSwitch, FreeSwitch, ShowSwitch, ExitSwitch, HelpSwitch, BadSwitch, BadAmount, NoProgram };

// The longest argument a message quotes back; longer ones are cut.
const int QuotedArgumentSize = 64;
// The longest program /then starts, its terminator included.
const int ThenProgramSize = 1024;

struct CommandLineRequest {
    CommandLineAction Action;
    ByteCount Amount; // FreeSwitch: bytes, 0 for the Optimization page's amount; past 64 bits the largest
    wchar_t Argument[QuotedArgumentSize]; // BadSwitch, BadAmount, NoProgram: the argument as given
    wchar_t ThenProgram[ThenProgramSize]; // /then: the program to start afterwards; empty for none
    const wchar_t *ThenArguments;         // /then: the rest of the line as given, into the parsed text
};

// Exit codes: done; refused, cancelled or another run under way (and /exit with nothing to
// end); bad arguments.
const int ExitDone = 0;
const int ExitRefused = 1;
const int ExitBadArguments = 2;

// Command-line runs in starts without a running Memvale take this mutex, one at a time.
const wchar_t *const CommandLineRunMutexName = L"memvale_command_line_run";

// The arguments after the program's name, split by Windows' own rules (CommandLineToArgvW).
CommandLineRequest ParseCommandLine(const wchar_t *arguments);
// The arguments in the process's command line (GetCommandLineW), past the program's name.
const wchar_t *ArgumentsOfProcess();

// The switches that need no running program, checked against installed memory: the exit code
// when the request ends here, otherwise -1. /free runs here when no Memvale runs.
int AnswerWithoutInstance(const CommandLineRequest &request);
// Hands the request to the Memvale that runs and waits as the switch says; the exit code.
int AskRunningInstance(const CommandLineRequest &request);
// Starts the program that /then names, if any, once the request has been answered with code;
// the exit code, 1 when the program could not start.
int StartProgramAfterwards(const CommandLineRequest &request, int code);
