// The command line: its switches, the answers to them, the run without a running Memvale and
// the asking side of a request handed over to one.
#include "shell/cmdline.h"
#include "base/language.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/worker.h"
#include "pages/refusal.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/handover.h"
#include "shell/startup.h"
#include <cstdio>
#include <cwchar>

// A program that has just taken the mutex may not have made its window yet.
const DWORD WindowSearchMilliseconds = 5000;
const DWORD WindowSearchPause = 100;
const UINT HandOverMilliseconds = 5000;
// The Exit command saves the settings and removes the tray icon; this leaves it ample time.
const DWORD ExitWaitMilliseconds = 30000;
const DWORD IdlePollMilliseconds = 50;
// Without a handle to the running program, how often a wait looks whether its window is gone.
const DWORD WindowPollMilliseconds = 1000;
const ByteCount LargestAmountMB = (~static_cast<ByteCount>(0)) >> 20;
const int SayTextSize = 1024;
// The longest command line Windows passes on, and what the answers and the list of switches
// may take once each line ends in CR LF.
const size_t CommandLineSize = 32768;
const size_t OutputSize = 2 * SayTextSize;
// The longest switch name, terminator included; a longer word is no switch.
const size_t SwitchNameSize = 16;

// Appends as much of more as fits, always ending text.
static void Append(wchar_t *text, size_t size, const wchar_t *more)
{
    size_t length = wcslen(text);
    while (*more != L'\0' && length + 1 < size) {
        text[length++] = *more++;
    }
    text[length] = L'\0';
}

const UINT UsageLines[] = {IDS_CMD_USAGE_INTRO, 0, IDS_CMD_USAGE_FREE, IDS_CMD_USAGE_THEN, IDS_CMD_USAGE_SHOW,
                           IDS_CMD_USAGE_EXIT, IDS_CMD_USAGE_HELP, 0, IDS_CMD_USAGE_CODES};

// Whole megabytes, 1 or more; past 64 bits of bytes the amount is the largest there is.
static bool ParseMegabytes(const wchar_t *text, ByteCount *amount)
{
    if (*text == L'\0') {
        return false;
    }
    ByteCount mb = 0;
    for (const wchar_t *digit = text; *digit != L'\0'; ++digit) {
        if (*digit < L'0' || *digit > L'9') {
            return false;
        }
        ByteCount value = static_cast<ByteCount>(*digit - L'0');
        mb = mb > (LargestAmountMB - value) / 10 ? LargestAmountMB + 1 : mb * 10 + value;
    }
    if (mb == 0) {
        return false;
    }
    *amount = mb > LargestAmountMB ? ~static_cast<ByteCount>(0) : mb << 20;
    return true;
}

static bool IsSwitch(const wchar_t *argument, const wchar_t *name)
{
    return (argument[0] == L'/' || argument[0] == L'-') && _wcsicmp(argument + 1, name) == 0;
}

static CommandLineAction ActionOfSwitch(const wchar_t *argument)
{
    if (argument[0] != L'/' && argument[0] != L'-') {
        return BadSwitch;
    }
    const wchar_t *names[] = {L"free", L"show", L"exit"};
    const CommandLineAction actions[] = {FreeSwitch, ShowSwitch, ExitSwitch};
    for (int i = 0; i < 3; ++i) {
        if (IsSwitch(argument, names[i])) {
            return actions[i];
        }
    }
    return wcscmp(argument + 1, L"?") == 0 ? HelpSwitch : BadSwitch;
}

static void Quote(CommandLineRequest *request, const wchar_t *argument)
{
    swprintf(request->Argument, QuotedArgumentSize, L"%.*ls", QuotedArgumentSize - 1, argument);
}

// Past one argument as CommandLineToArgvW reads it: blanks end it outside quotes; a quote
// after an even number of backslashes opens or closes quoting, and one doubled inside quotes
// stands for itself and closes quoting.
static const wchar_t *PastArgument(const wchar_t *at)
{
    while (*at == L' ' || *at == L'\t') {
        ++at;
    }
    bool quoted = false;
    unsigned backslashes = 0;
    for (; *at != L'\0'; ++at) {
        if (*at == L'\\') {
            ++backslashes;
            continue;
        }
        if (*at == L'"' && backslashes % 2 == 0) {
            if (quoted && at[1] == L'"') {
                ++at;
            }
            quoted = !quoted;
        } else if (!quoted && (*at == L' ' || *at == L'\t')) {
            break;
        }
        backslashes = 0;
    }
    return at;
}

// The program after /then and, unchanged, the rest of the line as its arguments.
static void TakeThenProgram(const wchar_t *const *argv, int count, const wchar_t *line, CommandLineRequest *request)
{
    if (count < 3 || argv[2][0] == L'\0') {
        request->Action = NoProgram;
        Quote(request, argv[1]);
        return;
    }
    if (wcslen(argv[2]) >= static_cast<size_t>(ThenProgramSize)) {
        request->Action = BadSwitch;
        Quote(request, argv[2]);
        return;
    }
    wcscpy_s(request->ThenProgram, ThenProgramSize, argv[2]);
    const wchar_t *rest = PastArgument(PastArgument(PastArgument(line)));
    while (*rest == L' ' || *rest == L'\t') {
        ++rest;
    }
    request->ThenArguments = rest;
}

static void ParseArguments(const wchar_t *const *argv, int count, const wchar_t *line, CommandLineRequest *request)
{
    if (count == 0) {
        return;
    }
    Quote(request, argv[0]);
    const wchar_t *colon = wcschr(argv[0], L':');
    size_t nameLength = colon ? static_cast<size_t>(colon - argv[0]) : wcslen(argv[0]);
    wchar_t name[SwitchNameSize] = L"";
    if (nameLength < SwitchNameSize) {
        wmemcpy(name, argv[0], nameLength);
        name[nameLength] = L'\0';
    }
    request->Action = nameLength < SwitchNameSize ? ActionOfSwitch(name) : BadSwitch;
    if (colon && request->Action != FreeSwitch) {
        request->Action = BadSwitch;
    } else if (colon && !ParseMegabytes(colon + 1, &request->Amount)) {
        request->Action = BadAmount;
    }
    if (count == 1 || request->Action == BadSwitch || request->Action == BadAmount) {
        return;
    }
    if (request->Action == FreeSwitch && IsSwitch(argv[1], L"then")) {
        TakeThenProgram(argv, count, line, request);
    } else {
        request->Action = BadSwitch;
        Quote(request, argv[1]);
    }
}

CommandLineRequest ParseCommandLine(const wchar_t *arguments)
{
    CommandLineRequest request = {NoSwitch, 0, L"", L"", L""};
    const wchar_t *line = arguments ? arguments : L"";
    // CommandLineToArgvW reads its first argument as the program's path, by rules of its own.
    static wchar_t whole[CommandLineSize];
    whole[0] = L'\0';
    Append(whole, CommandLineSize, L"memvale ");
    Append(whole, CommandLineSize, line);
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(whole, &count);
    if (!argv) {
        request.Action = BadSwitch;
        return request;
    }
    ParseArguments(argv + 1, count - 1, line, &request);
    LocalFree(argv);
    return request;
}

const wchar_t *ArgumentsOfProcess()
{
    // The program's path is read by rules of its own: quoted, or up to the first blank.
    const wchar_t *at = GetCommandLineW();
    if (*at == L'"') {
        at = wcschr(at + 1, L'"');
        at = at ? at + 1 : L"";
    }
    while (*at != L'\0' && *at != L' ' && *at != L'\t') {
        ++at;
    }
    while (*at == L' ' || *at == L'\t') {
        ++at;
    }
    return at;
}

static HANDLE OpenConsoleOutput()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return nullptr;
    }
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    return console == INVALID_HANDLE_VALUE ? nullptr : console;
}

// Output redirected to a file or a pipe comes as a handle even to a GUI program; a console it
// was started from has to be attached first. Null when there is neither.
static HANDLE UserOutput()
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == INVALID_HANDLE_VALUE || output == nullptr) {
        output = OpenConsoleOutput();
    }
    return output;
}

// Consoles and Windows editors want CR LF at each line's end; a file or a pipe gets UTF-8.
static void WriteLines(HANDLE output, const wchar_t *text)
{
    wchar_t lines[OutputSize + 2];
    size_t length = 0;
    for (const wchar_t *at = text; *at != L'\0' && length + 2 < OutputSize; ++at) {
        if (*at == L'\n') {
            lines[length++] = L'\r';
        }
        lines[length++] = *at;
    }
    lines[length++] = L'\r';
    lines[length++] = L'\n';
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        WriteConsoleW(output, lines, static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    // UTF-8 takes at most three bytes for each UTF-16 unit.
    char bytes[3 * (OutputSize + 2)];
    int size = WideCharToMultiByte(CP_UTF8, 0, lines, static_cast<int>(length), bytes, sizeof bytes, nullptr,
                                   nullptr);
    WriteFile(output, bytes, static_cast<DWORD>(size), &written, nullptr);
}

// A run's answer: on the console or the redirected output, else nowhere, for the exit code
// carries it. A box would hold a scheduled task or a silent install until somebody clicked it.
static void Tell(const wchar_t *text)
{
    HANDLE output = UserOutput();
    if (output) {
        WriteLines(output, text);
    }
}

// The list of switches and the complaint about bad arguments: without a console, in a box,
// where somebody can see it.
static void TellInView(const wchar_t *text)
{
    HANDLE output = UserOutput();
    if (output) {
        WriteLines(output, text);
        return;
    }
    if (!WindowStationVisible()) {
        return;
    }
    wchar_t caption[TextSize];
    LoadText(IDS_CMD_BOX_CAPTION, caption, TextSize);
    ShowMessageBox(nullptr, text, caption, MB_ICONINFORMATION | MB_OK);
}

static void TellText(UINT id)
{
    wchar_t text[TextSize];
    LoadText(id, text, TextSize);
    Tell(text);
}

static void TellUsage()
{
    wchar_t usage[OutputSize] = L"";
    bool first = true;
    for (UINT id : UsageLines) {
        wchar_t line[TextSize] = L"";
        if (id != 0) {
            LoadText(id, line, TextSize);
        }
        Append(usage, OutputSize, first ? L"" : L"\n");
        Append(usage, OutputSize, line);
        first = false;
    }
    TellInView(usage);
}

static void TellBadArguments(const CommandLineRequest &request)
{
    UINT id = request.Action == BadAmount ? IDS_CMD_BAD_AMOUNT
            : request.Action == NoProgram ? IDS_CMD_NO_PROGRAM
                                          : IDS_CMD_BAD_SWITCH;
    wchar_t text[SayTextSize];
    FormatText(text, SayTextSize, id, {request.Argument});
    TellInView(text);
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
    Tell(text);
    return true;
}

static int RunInThisProcess(ByteCount amount)
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
    while (!IsWorkerIdle()) {
        Sleep(IdlePollMilliseconds);
    }
    FreeingRun run;
    if (!TakeFinishedRun(&run) || run.Ending == RunDone) {
        return ExitDone;
    }
    if (run.Ending == BlockRefused) {
        wchar_t text[RefusalTextSize];
        FormatCommitRefusal(text, RefusalTextSize, run.Block);
        Tell(text);
    }
    return ExitRefused;
}

// No window and no tray icon: only the worker, which ends with the process. One such run at a
// time: two would commit two whole targets at once. The mutex goes with the process.
static int FreeInThisProcess(ByteCount amount)
{
    HANDLE running = ReachNamedMutex(CommandLineRunMutexName, true);
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) {
        TellText(IDS_CMD_ANOTHER_RUN);
        return ExitRefused;
    }
    return RunInThisProcess(amount);
}

int AnswerWithoutInstance(const CommandLineRequest &request)
{
    switch (request.Action) {
    case HelpSwitch:
        TellUsage();
        return ExitDone;
    case BadSwitch:
    case BadAmount:
    case NoProgram:
        TellBadArguments(request);
        return ExitBadArguments;
    case FreeSwitch: {
        MemoryStatus status;
        ReadMemoryStatus(&status);
        if (request.Amount > status.TotalPhys) {
            wchar_t installed[32];
            swprintf(installed, 32, L"%.2f", Megabytes(status.TotalPhys));
            wchar_t text[SayTextSize];
            FormatText(text, SayTextSize, IDS_CMD_TOO_MUCH, {request.Argument, installed});
            TellInView(text);
            return ExitBadArguments;
        }
        if (request.Amount != 0 && RefuseIfTooMuch(request.Amount)) {
            return ExitRefused;
        }
        return MemvaleRuns(false) ? -1 : FreeInThisProcess(request.Amount);
    }
    case ExitSwitch:
        if (!MemvaleRuns(false)) {
            TellText(IDS_CMD_NOTHING_TO_END);
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
        HWND window = FindWindowW(L"#32770", L"" MEMVALE_WINDOW_CAPTION);
        if (window || waited >= WindowSearchMilliseconds) {
            return window;
        }
        Sleep(WindowSearchPause);
    }
}

static void TellHowTheRunEnded(WPARAM ending)
{
    const UINT texts[] = {0, IDS_CMD_NOT_STARTED, IDS_CMD_BLOCK_REFUSED, IDS_CMD_CANCELLED};
    if (ending < sizeof texts / sizeof texts[0] && texts[ending] != 0) {
        TellText(texts[ending]);
    }
}

// Posted answers come first: the running program may end right after it has answered. Without
// a handle to its process (one that runs as administrator) the wait looks at its window now
// and then, so that it ends when that program does.
static int WaitForRunEnd(HANDLE process, HWND window)
{
    const DWORD timeout = process ? INFINITE : WindowPollMilliseconds;
    for (;;) {
        MSG message;
        if (PeekMessageW(&message, nullptr, WM_APP_RUN_ENDED, WM_APP_RUN_ENDED, PM_REMOVE)) {
            TellHowTheRunEnded(message.wParam);
            return message.wParam == EndedDone ? ExitDone : ExitRefused;
        }
        DWORD waited = MsgWaitForMultipleObjects(process ? 1 : 0, &process, FALSE, timeout, QS_POSTMESSAGE);
        bool ended = process ? waited == WAIT_OBJECT_0 : !IsWindow(window);
        if (ended) {
            if (PeekMessageW(&message, nullptr, WM_APP_RUN_ENDED, WM_APP_RUN_ENDED, PM_NOREMOVE)) {
                continue;
            }
            TellText(IDS_CMD_ENDED_FIRST);
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
    wchar_t seconds[16];
    swprintf(seconds, 16, L"%lu", static_cast<unsigned long>(ExitWaitMilliseconds / 1000));
    wchar_t text[SayTextSize];
    FormatText(text, SayTextSize, IDS_CMD_NOT_ENDED, {seconds});
    Tell(text);
    return ExitRefused;
}

int AskRunningInstance(const CommandLineRequest &request)
{
    HWND window = FindRunningWindow();
    if (!window) {
        TellText(IDS_CMD_NO_WINDOW);
        return ExitRefused;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    // Only the program in front may bring a window forward; this start is, and lends it.
    AllowSetForegroundWindow(processId);
    // The thread's message queue exists before the answer can be posted to it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);

    HandedOverRequest handed = {request.Amount, request.Action, GetCurrentThreadId()};
    COPYDATASTRUCT data = {HandedOverRequestTag, sizeof handed, &handed};
    DWORD_PTR taken = 0;
    int code = ExitDone;
    if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, HandOverMilliseconds, &taken) ||
        taken == 0) {
        TellText(IDS_CMD_NOT_TAKEN);
        code = ExitRefused;
    } else if (request.Action == FreeSwitch) {
        code = WaitForRunEnd(process, window);
    } else if (request.Action == ExitSwitch) {
        code = WaitForExit(process, window);
    }
    if (process) {
        CloseHandle(process);
    }
    return code;
}

// The program is started by this start, never by the running Memvale (which may run as
// another user or elevated), in its own folder, as a shortcut would start it.
int StartProgramAfterwards(const CommandLineRequest &request, int code)
{
    if (request.ThenProgram[0] == L'\0' || code == ExitBadArguments) {
        return code;
    }
    wchar_t quoted[QuotedArgumentSize];
    swprintf(quoted, QuotedArgumentSize, L"%.*ls", QuotedArgumentSize - 1, request.ThenProgram);
    wchar_t text[SayTextSize];
    if (code != ExitDone) {
        FormatText(text, SayTextSize, IDS_CMD_PROGRAM_AFTER, {quoted});
        Tell(text);
    }
    wchar_t folder[ThenProgramSize];
    wcscpy_s(folder, ThenProgramSize, request.ThenProgram);
    wchar_t *separator = wcsrchr(folder, L'\\');
    wchar_t *slash = wcsrchr(folder, L'/');
    separator = slash > separator ? slash : separator;
    if (separator) {
        separator[1] = L'\0';
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpFile = request.ThenProgram;
    info.lpParameters = request.ThenArguments && request.ThenArguments[0] ? request.ThenArguments : nullptr;
    info.lpDirectory = separator ? folder : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (ShellStart(&info)) {
        return code;
    }
    wchar_t error[16];
    swprintf(error, 16, L"%lu", static_cast<unsigned long>(GetLastError()));
    FormatText(text, SayTextSize, IDS_CMD_PROGRAM_FAILED, {quoted, error});
    Tell(text);
    return ExitRefused;
}
