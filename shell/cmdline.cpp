// The command line: its switches, the answers to them, and the running program's side of a
// request handed over by another start.
#include "shell/cmdline.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/platform.h"
#include "pages/refusal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/startup.h"
#include <cstdio>
#include <cstring>

// The request as it travels in WM_COPYDATA: the same layout in the 32-bit and 64-bit programs,
// so that either answers the other.
struct HandedOverRequest {
    ByteCount Amount;
    DWORD Action;
    DWORD ReplyThread; // the asking thread, which WM_APP_RUN_ENDED reaches
};
const ULONG_PTR HandedOverRequestTag = 0x4D564331;

// How a handed-over run ended, as WM_APP_RUN_ENDED carries it in wParam.
enum RunEnding : DWORD { EndedDone, EndedNotStarted, EndedBlockRefused, EndedCancelled };

// A program that has just taken the mutex may not have made its window yet.
const DWORD WindowSearchMilliseconds = 5000;
const DWORD WindowSearchPause = 100;
const UINT HandOverMilliseconds = 5000;
// The Exit command saves the settings and removes the tray icon; this leaves it ample time.
const DWORD ExitWaitMilliseconds = 30000;
const DWORD IdlePollMilliseconds = 50;
const ByteCount LargestAmountMB = (~static_cast<ByteCount>(0)) >> 20;
const int SayTextSize = 512;

// The start waiting for a run it handed over (0 when none), the amount it asked for, and
// whether the run has begun; all on the UI thread.
static DWORD WaitingCaller;
static ByteCount WaitingAmount;
static bool WaitingRunStarted;

static const char *const UsageText =
    "Memvale keeps physical memory free.\n"
    "\n"
    "memvale /free[:MB]  frees MB megabytes on top of the memory free now (without MB: the\n"
    "                    Optimization page's amount) and waits until the run has ended;\n"
    "                    the running Memvale does it, or this start when none runs\n"
    "memvale /show       opens the running Memvale's window, starting Memvale if none runs\n"
    "memvale /exit       ends the running Memvale as its Exit command does\n"
    "memvale /?          shows this list\n"
    "\n"
    "Exit codes: 0 done; 1 refused, cancelled, or no Memvale to end; 2 bad arguments.";

// The next argument, split at blanks, without the quotes around it; false at the end.
static bool NextArgument(const char **cursor, char *argument, size_t size)
{
    const char *at = *cursor;
    while (*at == ' ' || *at == '\t') {
        ++at;
    }
    if (*at == '\0') {
        return false;
    }
    const char *start = at;
    while (*at != '\0' && *at != ' ' && *at != '\t') {
        ++at;
    }
    size_t length = static_cast<size_t>(at - start);
    if (length >= 2 && start[0] == '"' && start[length - 1] == '"') {
        ++start;
        length -= 2;
    }
    snprintf(argument, size, "%.*s", static_cast<int>(length), start);
    *cursor = at;
    return true;
}

// Whole megabytes, 1 or more; past 64 bits of bytes the amount is the largest there is.
static bool ParseMegabytes(const char *text, ByteCount *amount)
{
    if (*text == '\0') {
        return false;
    }
    ByteCount mb = 0;
    for (const char *digit = text; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return false;
        }
        ByteCount value = static_cast<ByteCount>(*digit - '0');
        mb = mb > (LargestAmountMB - value) / 10 ? LargestAmountMB + 1 : mb * 10 + value;
    }
    if (mb == 0) {
        return false;
    }
    *amount = mb > LargestAmountMB ? ~static_cast<ByteCount>(0) : mb << 20;
    return true;
}

static CommandLineAction ActionOfSwitch(const char *name)
{
    if (_stricmp(name, "free") == 0) {
        return FreeSwitch;
    }
    if (_stricmp(name, "show") == 0) {
        return ShowSwitch;
    }
    if (_stricmp(name, "exit") == 0) {
        return ExitSwitch;
    }
    if (strcmp(name, "?") == 0) {
        return HelpSwitch;
    }
    return BadSwitch;
}

CommandLineRequest ParseCommandLine(const char *arguments)
{
    CommandLineRequest request = {NoSwitch, 0, ""};
    const char *cursor = arguments ? arguments : "";
    char argument[QuotedArgumentSize];
    if (!NextArgument(&cursor, argument, sizeof argument)) {
        return request;
    }
    snprintf(request.Argument, sizeof request.Argument, "%s", argument);
    char extra[QuotedArgumentSize];
    if (NextArgument(&cursor, extra, sizeof extra) || (argument[0] != '/' && argument[0] != '-')) {
        request.Action = BadSwitch;
        return request;
    }
    char *amount = strchr(argument, ':');
    if (amount) {
        *amount++ = '\0';
    }
    request.Action = ActionOfSwitch(argument + 1);
    if (amount && request.Action != FreeSwitch) {
        request.Action = BadSwitch;
    } else if (amount && !ParseMegabytes(amount, &request.Amount)) {
        request.Action = BadAmount;
    }
    return request;
}

static HANDLE OpenConsoleOutput()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return nullptr;
    }
    HANDLE console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    return console == INVALID_HANDLE_VALUE ? nullptr : console;
}

void SayToUser(const char *text)
{
    // Output redirected to a file or a pipe comes as a handle even to a GUI program; a
    // console it was started from has to be attached first.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr) {
        output = OpenConsoleOutput();
    }
    if (!output) {
        wchar_t wide[SayTextSize] = {};
        wchar_t caption[TextSize];
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, SayTextSize);
        wide[SayTextSize - 1] = L'\0';
        LoadText(IDS_CAPTION_MESSAGE, caption, TextSize);
        ShowMessageBox(nullptr, wide, caption, MB_ICONINFORMATION | MB_OK);
        return;
    }
    // Consoles and Windows editors want CR LF at each line's end.
    char line[SayTextSize * 2];
    size_t length = 0;
    for (const char *at = text; *at != '\0' && length + 4 < sizeof line; ++at) {
        if (*at == '\n') {
            line[length++] = '\r';
        }
        line[length++] = *at;
    }
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written = 0;
    WriteFile(output, line, static_cast<DWORD>(length), &written, nullptr);
}

static void SayBadArguments(const CommandLineRequest &request)
{
    char text[SayTextSize];
    if (request.Action == BadAmount) {
        snprintf(text, sizeof text,
                 "\"%s\": the amount must be a whole number of megabytes, 1 or more, such as /free:512.",
                 request.Argument);
    } else {
        snprintf(text, sizeof text, "\"%s\" is not a switch of Memvale. memvale /? lists them.",
                 request.Argument);
    }
    SayToUser(text);
}

static bool InstanceRuns()
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, InstanceMutexName);
    if (!mutex) {
        // An elevated Memvale's mutex exists but is closed to this start.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    CloseHandle(mutex);
    return true;
}

// The one place a command-line run is asked for, in the running program and in this one. It
// opens no box: the start that asked tells its user, and a box would hold a scheduled task
// until somebody clicked it.
static DWORD RequestCommandLineRun(ByteCount amount)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    if (!FitsOnTopOfFree(status, amount)) {
        return 0;
    }
    return RequestFreeing(status.AvailPhys + amount, ManualAttempts, CommandLineRun);
}

static RunEnding EndingOf(FreeingEnding ending)
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

// The refusals' texts in the code page SayToUser writes.
static void SayWideToUser(const wchar_t *text)
{
    char narrow[RefusalTextSize * 2];
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr) == 0) {
        narrow[0] = '\0';
    }
    SayToUser(narrow);
}

static bool RefuseIfTooMuch(ByteCount amount)
{
    MemoryStatus status;
    ReadMemoryStatus(&status);
    if (FitsOnTopOfFree(status, amount)) {
        return false;
    }
    wchar_t text[RefusalTextSize];
    FormatFreeingRefusal(text, RefusalTextSize, status,
                         static_cast<double>(status.AvailPhys) + static_cast<double>(amount));
    SayWideToUser(text);
    return true;
}

// No window and no tray icon: only the worker, which ends with the process.
static int FreeInThisProcess(ByteCount amount)
{
    LoadSettings();
    if (amount == 0) {
        amount = Settings.ManualFree;
    }
    if (RefuseIfTooMuch(amount)) {
        return ExitRefused;
    }
    StartFreeingWorker();
    if (RequestCommandLineRun(amount) == 0) {
        return ExitRefused;
    }
    while (RequestFreeing(0, 0) == 0) {
        Sleep(IdlePollMilliseconds);
    }
    FreeingRun run;
    if (!TakeFinishedRun(&run) || EndingOf(run.Ending) == EndedDone) {
        return ExitDone;
    }
    if (run.Ending == RunCancelled) {
        return ExitRefused;
    }
    wchar_t text[RefusalTextSize];
    FormatCommitRefusal(text, RefusalTextSize, run.Block);
    SayWideToUser(text);
    return ExitRefused;
}

int AnswerWithoutInstance(const CommandLineRequest &request)
{
    switch (request.Action) {
    case HelpSwitch:
        SayToUser(UsageText);
        return ExitDone;
    case BadSwitch:
    case BadAmount:
        SayBadArguments(request);
        return ExitBadArguments;
    case FreeSwitch: {
        MemoryStatus status;
        ReadMemoryStatus(&status);
        if (request.Amount > status.TotalPhys) {
            char text[SayTextSize];
            snprintf(text, sizeof text, "\"%s\": that is more than the %.2f MB of memory installed.",
                     request.Argument, Megabytes(status.TotalPhys));
            SayToUser(text);
            return ExitBadArguments;
        }
        if (request.Amount != 0 && RefuseIfTooMuch(request.Amount)) {
            return ExitRefused;
        }
        return InstanceRuns() ? -1 : FreeInThisProcess(request.Amount);
    }
    case ExitSwitch:
        if (!InstanceRuns()) {
            SayToUser("No Memvale runs: there is nothing to end.");
            return ExitRefused;
        }
        return -1;
    default:
        return -1;
    }
}

static HWND FindRunningWindow()
{
    for (DWORD waited = 0;; waited += WindowSearchPause) {
        HWND window = FindWindowA("#32770", MEMVALE_WINDOW_CAPTION);
        if (window || waited >= WindowSearchMilliseconds) {
            return window;
        }
        Sleep(WindowSearchPause);
    }
}

static void SayHowTheRunEnded(WPARAM ending)
{
    switch (ending) {
    case EndedNotStarted:
        SayToUser("The running Memvale did not start the run: the amount does not fit above the memory "
                  "free now, or another run is under way.");
        break;
    case EndedBlockRefused:
        SayToUser("Windows could not provide the memory the run needed.");
        break;
    case EndedCancelled:
        SayToUser("The run was cancelled.");
        break;
    }
}

// Posted answers come first: the running program may end right after it has answered.
static int WaitForRunEnd(HANDLE process)
{
    for (;;) {
        MSG message;
        if (PeekMessageA(&message, nullptr, WM_APP_RUN_ENDED, WM_APP_RUN_ENDED, PM_REMOVE)) {
            SayHowTheRunEnded(message.wParam);
            return message.wParam == EndedDone ? ExitDone : ExitRefused;
        }
        if (MsgWaitForMultipleObjects(process ? 1 : 0, &process, FALSE, INFINITE, QS_POSTMESSAGE) ==
                WAIT_OBJECT_0 &&
            process) {
            if (PeekMessageA(&message, nullptr, WM_APP_RUN_ENDED, WM_APP_RUN_ENDED, PM_NOREMOVE)) {
                continue;
            }
            SayToUser("Memvale ended before the run did.");
            return ExitRefused;
        }
    }
}

static int WaitForExit(HANDLE process, HWND window)
{
    if (process) {
        if (WaitForSingleObject(process, ExitWaitMilliseconds) == WAIT_OBJECT_0) {
            return ExitDone;
        }
    } else {
        // Without a handle to the process its window is the sign that it still runs.
        for (DWORD waited = 0; waited < ExitWaitMilliseconds; waited += IdlePollMilliseconds) {
            if (!IsWindow(window)) {
                return ExitDone;
            }
            Sleep(IdlePollMilliseconds);
        }
    }
    char text[SayTextSize];
    snprintf(text, sizeof text, "Memvale did not end within %lu seconds.",
             static_cast<unsigned long>(ExitWaitMilliseconds / 1000));
    SayToUser(text);
    return ExitRefused;
}

int AskRunningInstance(const CommandLineRequest &request)
{
    HWND window = FindRunningWindow();
    if (!window) {
        SayToUser("Memvale runs but its window cannot be found.");
        return ExitRefused;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    // Only the program in front may bring a window forward; this start is, and lends it.
    AllowSetForegroundWindow(processId);
    // The thread's message queue exists before the answer can be posted to it.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

    HandedOverRequest handed = {request.Amount, request.Action, GetCurrentThreadId()};
    COPYDATASTRUCT data = {HandedOverRequestTag, sizeof handed, &handed};
    DWORD_PTR taken = 0;
    int code = ExitDone;
    if (!SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, HandOverMilliseconds, &taken) ||
        taken == 0) {
        SayToUser("The running Memvale did not take the request: it may run at another integrity level "
                  "(as administrator), or another command-line run is under way.");
        code = ExitRefused;
    } else if (request.Action == FreeSwitch) {
        code = WaitForRunEnd(process);
    } else if (request.Action == ExitSwitch) {
        code = WaitForExit(process, window);
    }
    if (process) {
        CloseHandle(process);
    }
    return code;
}

// What the running program compares with an asking process: logon session, user and
// integrity level.
struct TokenFacts {
    DWORD Session;
    DWORD Integrity;
    DWORD_PTR User[(SECURITY_MAX_SID_SIZE + sizeof(DWORD_PTR) - 1) / sizeof(DWORD_PTR)];
};

static DWORD IntegrityOfLabel(const TOKEN_MANDATORY_LABEL *label)
{
    PSID sid = label->Label.Sid;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

static bool ReadTokenFacts(HANDLE process, TokenFacts *facts)
{
    HANDLE token;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return false;
    }
    union {
        TOKEN_USER User;
        TOKEN_MANDATORY_LABEL Label;
        BYTE Bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } answer;
    DWORD size = 0;
    bool read = GetTokenInformation(token, TokenSessionId, &facts->Session, sizeof facts->Session, &size) &&
                GetTokenInformation(token, TokenIntegrityLevel, &answer, sizeof answer, &size);
    if (read) {
        facts->Integrity = IntegrityOfLabel(&answer.Label);
        read = GetTokenInformation(token, TokenUser, &answer, sizeof answer, &size) &&
               CopySid(sizeof facts->User, facts->User, answer.User.User.Sid);
    }
    CloseHandle(token);
    return read;
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
        return PostMessageA(window, WM_COMMAND, IDM_CONFIG, 0);
    case ExitSwitch:
        return PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    case FreeSwitch:
        if (WaitingCaller != 0) {
            return FALSE;
        }
        WaitingCaller = handed.ReplyThread;
        WaitingAmount = handed.Amount;
        WaitingRunStarted = false;
        return PostMessageA(window, WM_APP_COMMAND_FREE, 0, 0);
    default:
        return FALSE;
    }
}

static void EndWaitingRun(RunEnding ending)
{
    PostThreadMessageA(WaitingCaller, WM_APP_RUN_ENDED, ending, 0);
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
// its own; a run that ends without one had nothing to do.
void AnswerCommandLineRun(bool idle, const FreeingRun *run)
{
    if (!WaitingRunStarted) {
        return;
    }
    if (run && run->Source == CommandLineRun) {
        EndWaitingRun(EndingOf(run->Ending));
    } else if (idle) {
        EndWaitingRun(EndedDone);
    }
}
