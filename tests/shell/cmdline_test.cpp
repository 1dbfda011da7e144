// The command line: its switches parsed, and the program started with them beside a running
// Memvale (this test's, or one it started) and without one, with faked memory figures.
#include "shell/cmdline.h"
#include "shell/handover.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

const ByteCount NoAmount = 0;
const ByteCount Largest = ~static_cast<ByteCount>(0);

TEST(ParseCommandLine, TellsSwitchesAmountsAndBadInputApart)
{
    struct Case {
        const wchar_t *Arguments;
        CommandLineAction Action;
        ByteCount Amount;
        const wchar_t *Program;
        const wchar_t *ProgramArguments;
    } cases[] = {
        {L"", NoSwitch, NoAmount, L"", L""},
        {L"   ", NoSwitch, NoAmount, L"", L""},
        {L"/free", FreeSwitch, NoAmount, L"", L""},
        {L"/free:64", FreeSwitch, 64 * MB, L"", L""},
        {L" \"/FREE:1\" ", FreeSwitch, 1 * MB, L"", L""},
        {L"-free:007", FreeSwitch, 7 * MB, L"", L""},
        {L"/free:17592186044415", FreeSwitch, 17592186044415ull << 20, L"", L""}, // the last that fits 64 bits
        {L"/free:17592186044416", FreeSwitch, Largest, L"", L""},
        {L"/free:99999999999999999999999", FreeSwitch, Largest, L"", L""},
        {L"/show", ShowSwitch, NoAmount, L"", L""},
        {L"/Exit", ExitSwitch, NoAmount, L"", L""},
        {L"/?", HelpSwitch, NoAmount, L"", L""},
        {L"/free:0", BadAmount, NoAmount, L"", L""},
        {L"/free:", BadAmount, NoAmount, L"", L""},
        {L"/free:-5", BadAmount, NoAmount, L"", L""},
        {L"/free:1.5", BadAmount, NoAmount, L"", L""},
        {L"/free:64MB", BadAmount, NoAmount, L"", L""},
        {L"/free64", BadSwitch, NoAmount, L"", L""},
        {L"/show:1", BadSwitch, NoAmount, L"", L""},
        {L"free", BadSwitch, NoAmount, L"", L""},
        {L"/", BadSwitch, NoAmount, L"", L""},
        {L"/free /show", BadSwitch, NoAmount, L"", L""},
        {L"/free /then", NoProgram, NoAmount, L"", L""},
        {L"/free /then \"\"", NoProgram, NoAmount, L"", L""},
        {L"/show /then notepad", BadSwitch, NoAmount, L"", L""},
        {L"/free:x /then notepad", BadAmount, NoAmount, L"", L""},
        {L"/free:64 /THEN notepad", FreeSwitch, 64 * MB, L"notepad", L""},
        // The rest of the line goes on as it was given, quotes, backslashes and blanks included.
        {L"/free -then \"C:\\Games\\Big Game\\game.exe\"  -w \"a  b\" c\\\"d e\" ", FreeSwitch, NoAmount,
         L"C:\\Games\\Big Game\\game.exe", L"-w \"a  b\" c\\\"d e\" "},
        {L"\"/free:8\" /then \"a\"\"b c\" x", FreeSwitch, 8 * MB, L"a\"b", L"c\" x"},
    };
    for (const Case &c : cases) {
        CommandLineRequest request = ParseCommandLine(c.Arguments);
        EXPECT_EQ(request.Action, c.Action) << testing::PrintToString(c.Arguments);
        EXPECT_EQ(request.Amount, c.Amount) << testing::PrintToString(c.Arguments);
        EXPECT_STREQ(request.ThenProgram, c.Program) << testing::PrintToString(c.Arguments);
        EXPECT_STREQ(request.ThenProgram[0] ? request.ThenArguments : L"", c.ProgramArguments)
            << testing::PrintToString(c.Arguments);
    }
    std::wstring longArgument = L"/" + std::wstring(200, L'x');
    EXPECT_EQ(wcslen(ParseCommandLine(longArgument.c_str()).Argument), QuotedArgumentSize - 1u);
}

static std::vector<SHELLEXECUTEINFOW> ShellStarts;
static std::vector<std::wstring> StartedFolders;

static BOOL WINAPI RecordShellStart(SHELLEXECUTEINFOW *info)
{
    ShellStarts.push_back(*info);
    StartedFolders.push_back(info->lpDirectory ? info->lpDirectory : L"");
    SetLastError(ERROR_FILE_NOT_FOUND);
    return wcscmp(info->lpFile, L"missing.exe") != 0;
}

// /then starts the program in its own folder through the shell whatever the run's answer,
// but not after bad arguments; a program that does not start turns success into 1.
TEST(CommandLine, ThenStartsTheProgramInItsFolderAfterEveryRunAnswer)
{
    ShellStart = RecordShellStart;
    struct Case {
        const wchar_t *Arguments;
        int Code;
        int Answer;
        const wchar_t *Folder;
    } cases[] = {
        {L"/free /then \"C:\\Big Game\\game.exe\" -w", ExitDone, ExitDone, L"C:\\Big Game\\"},
        {L"/free /then D:/game.exe", ExitRefused, ExitRefused, L"D:/"},
        {L"/free /then game.exe", ExitRefused, ExitRefused, L""},
        {L"/free /then missing.exe", ExitDone, ExitRefused, L""},
        {L"/free /then game.exe", ExitBadArguments, ExitBadArguments, nullptr},
        {L"/free", ExitDone, ExitDone, nullptr},
    };
    for (const Case &c : cases) {
        ShellStarts.clear();
        StartedFolders.clear();
        CommandLineRequest request = ParseCommandLine(c.Arguments);
        EXPECT_EQ(StartProgramAfterwards(request, c.Code), c.Answer) << testing::PrintToString(c.Arguments);
        ASSERT_EQ(ShellStarts.size(), c.Folder ? 1u : 0u) << testing::PrintToString(c.Arguments);
        if (c.Folder) {
            EXPECT_EQ(StartedFolders[0], c.Folder);
            EXPECT_STREQ(ShellStarts[0].lpFile, request.ThenProgram);
            EXPECT_EQ(ShellStarts[0].lpParameters, request.ThenArguments[0] ? request.ThenArguments : nullptr);
        }
    }
}

static std::string ModuleFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

static bool HasMainWindow(DWORD processId)
{
    for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", MEMVALE_WINDOW_CAPTION); window;
         window = FindWindowExA(nullptr, window, "#32770", MEMVALE_WINDOW_CAPTION)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return true;
        }
    }
    return false;
}

struct ProgramRun {
    HANDLE Process;
    HANDLE Output;
};

// The program in this test's registry, on a machine of 512 MB with 100 MB free, its output
// into a pipe, or with no output and no console at all, as a scheduled task starts it.
static ProgramRun StartProgram(const char *arguments, bool output = true)
{
    _putenv_s(FakeMemoryVariable, "536870912 104857600");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    CreatePipe(&reader, &writer, &inherit, 0);
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
    char command[MAX_PATH + 64];
    snprintf(command, sizeof command, "\"%smemvale_in_test.exe\" %s", ModuleFolder().c_str(), arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output ? writer : nullptr;
    startup.hStdError = output ? writer : nullptr;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, output ? 0 : DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &process)) {
        process.hProcess = nullptr;
    } else {
        CloseHandle(process.hThread);
    }
    CloseHandle(writer);
    return {process.hProcess, reader};
}

struct ProgramEnd {
    DWORD Code;
    std::string Output;
    bool HadWindow;
    std::vector<std::string> Boxes; // the texts of the message boxes it opened
};

// Notes and closes the message boxes the process has open, each once.
static void CloseBoxesOf(DWORD processId, std::vector<HWND> *seen, std::vector<std::string> *texts)
{
    for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", "Message"); box;
         box = FindWindowExA(nullptr, box, "#32770", "Message")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner != processId || std::find(seen->begin(), seen->end(), box) != seen->end()) {
            continue;
        }
        char text[1024] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen->push_back(box);
        texts->push_back(text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

// Waits for the program's end, handling this thread's messages and calling the step meanwhile.
static ProgramEnd FinishProgram(ProgramRun run, const std::function<void()> &step = [] {})
{
    ProgramEnd end = {STILL_ACTIVE, "", false, {}};
    if (!run.Process) {
        return end;
    }
    DWORD id = GetProcessId(run.Process);
    std::vector<HWND> boxes;
    WaitUntil([&] {
        step();
        CloseBoxesOf(id, &boxes, &end.Boxes);
        end.HadWindow = end.HadWindow || HasMainWindow(id);
        return WaitForSingleObject(run.Process, 0) == WAIT_OBJECT_0;
    }, 30000);
    if (WaitForSingleObject(run.Process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(run.Process, STILL_ACTIVE);
    }
    GetExitCodeProcess(run.Process, &end.Code);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(run.Output, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        end.Output.append(buffer, read);
    }
    CloseHandle(run.Output);
    CloseHandle(run.Process);
    return end;
}

static ProgramEnd RunProgram(const char *arguments)
{
    return FinishProgram(StartProgram(arguments));
}

// Without a running Memvale: answers that change nothing, and a run in the starting process,
// all without a window (and so without a tray icon).
TEST(CommandLine, WithoutARunningProgramAnswersAndFreesWithoutAWindow)
{
    struct Case {
        const char *Arguments;
        DWORD Code;
        const char *Says;
    } cases[] = {
        {"/free:64", ExitDone, ""},
        {"/free:500", ExitRefused, "you have only 512.00 MB"},
        {"/free:513", ExitBadArguments, "more than the 512.00 MB"},
        {"/free:99999999", ExitBadArguments, "more than the 512.00 MB"},
        {"/free:x", ExitBadArguments, "whole number of megabytes"},
        {"/frei", ExitBadArguments, "\"/frei\" is not a switch"},
        {"/exit", ExitRefused, "No Memvale runs"},
        {"/?", ExitDone, "memvale /free[:MB]"},
    };
    for (const Case &c : cases) {
        ProgramEnd end = RunProgram(c.Arguments);
        EXPECT_EQ(end.Code, c.Code) << c.Arguments;
        EXPECT_NE(end.Output.find(c.Says), std::string::npos) << c.Arguments << ": " << end.Output;
        EXPECT_FALSE(end.HadWindow) << c.Arguments;
    }
    bool found = false;
    ReadRegistryDword(SettingsKey, "SaveConfig", &found);
    EXPECT_FALSE(found);
}

// Started as a scheduled task starts it, with no console and no output: a run's answer is its
// exit code alone, and only the list of switches and bad arguments open a box, where the window
// station is one the user sees. Another command-line run going on refuses this one.
TEST(CommandLine, WithoutAConsoleOnlyHelpAndBadArgumentsOpenABox)
{
    FreeConsole();
    struct Case {
        const char *Arguments;
        bool Hidden;
        DWORD Code;
        const char *Box; // nullptr: none
    } cases[] = {
        {"/free:500", false, ExitRefused, nullptr},
        {"/exit", false, ExitRefused, nullptr},
        {"/free:64 /then", false, ExitBadArguments, "must be followed by the program"},
        {"/frei", false, ExitBadArguments, "\"/frei\" is not a switch"},
        {"/?", false, ExitDone, "memvale /free[:MB] /then PROGRAM"},
        {"/?", true, ExitDone, nullptr},
        {"/frei", true, ExitBadArguments, nullptr},
    };
    for (const Case &c : cases) {
        _putenv_s(HiddenStationVariable, c.Hidden ? "1" : "");
        ProgramEnd end = FinishProgram(StartProgram(c.Arguments, false));
        EXPECT_EQ(end.Code, c.Code) << c.Arguments;
        ASSERT_EQ(end.Boxes.size(), c.Box ? 1u : 0u) << c.Arguments;
        if (c.Box) {
            EXPECT_NE(end.Boxes[0].find(c.Box), std::string::npos) << end.Boxes[0];
        }
    }
    _putenv_s(HiddenStationVariable, "");

    HANDLE other = CreateMutexW(nullptr, TRUE, CommandLineRunMutexName);
    ProgramEnd refused = RunProgram("/free:64");
    EXPECT_EQ(refused.Code, static_cast<DWORD>(ExitRefused));
    EXPECT_NE(refused.Output.find("Another command-line run"), std::string::npos) << refused.Output;
    CloseHandle(other);
}

static TokenFacts Theirs;

// This process answers as the running program; any other handle as the asking one.
static bool FakeTokenFacts(HANDLE process, TokenFacts *facts)
{
    *facts = {1, SECURITY_MANDATORY_MEDIUM_RID, {}};
    DWORD size = sizeof facts->User;
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, facts->User, &size);
    if (process != GetCurrentProcess()) {
        *facts = Theirs;
    }
    return true;
}

// Only a process of this user, in this session, at this integrity level may hand a request
// over; Wine gives every process the same token, so the tokens are read through the seam.
TEST(CommandLine, AHandedOverRequestIsTakenOnlyFromAPeer)
{
    ReadTokenFacts = FakeTokenFacts;
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TokenFacts ours;
    FakeTokenFacts(GetCurrentProcess(), &ours);
    TokenFacts otherUser = ours;
    DWORD size = sizeof otherUser.User;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, otherUser.User, &size);
    TokenFacts otherSession = ours;
    otherSession.Session = 2;
    TokenFacts higher = ours;
    higher.Integrity = SECURITY_MANDATORY_HIGH_RID;
    TokenFacts lower = ours;
    lower.Integrity = SECURITY_MANDATORY_LOW_RID;
    struct Case {
        const char *Name;
        TokenFacts Facts;
        BOOL Taken;
    } cases[] = {
        {"peer", ours, TRUE},
        {"another user", otherUser, FALSE},
        {"another session", otherSession, FALSE},
        {"elevated", higher, FALSE},
        {"low integrity", lower, FALSE},
    };
    for (const Case &c : cases) {
        Theirs = c.Facts;
        HandedOverRequest handed = {0, ShowSwitch, GetCurrentThreadId()};
        COPYDATASTRUCT data = {HandedOverRequestTag, sizeof handed, &handed};
        EXPECT_EQ(OnCommandLineCopyData(window, &data), c.Taken) << c.Name;
    }
    DestroyWindow(window);
}

static std::atomic<int> Commits;
static std::atomic<ByteCount> CommittedSize;
static std::atomic<bool> RefuseCommit;
static HANDLE CommitsLetThrough; // reset: each commit waits
static HANDLE CommitReached;     // set once the worker asks for its block

static void *CountedCommit(SIZE_T size)
{
    SetEvent(CommitReached);
    WaitForSingleObject(CommitsLetThrough, INFINITE);
    if (RefuseCommit) {
        return nullptr;
    }
    ++Commits;
    CommittedSize = size;
    return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

// This test's own program runs (its window, its mutex, no refresh tick); another start with
// /free hands it the run, waits for its end and exits as it ended, answered as the job ends.
// The running program opens no box for it: the start that asked answers.
TEST(CommandLine, FreeWithARunningProgramIsRunThereAndAnsweredWhenItEnds)
{
    ASSERT_FALSE(MemvaleRuns(true));
    HWND window = OpenProgram(512 * MB, 100 * MB);
    ASSERT_NE(window, nullptr);
    CommitBlock = CountedCommit;
    CommitsLetThrough = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CommitReached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Settings.ManualFree = 32 * MB;

    // Free memory stays at 100 MB, so a run makes all its three attempts unless it ends early.
    struct Case {
        const char *Arguments;
        bool Refuse;
        bool Cancel;
        DWORD Code;
        int Commits;
        ByteCount Block;
    } cases[] = {
        {"/free:64", false, false, ExitDone, 3, 164 * MB},
        {"/free", false, false, ExitDone, 3, 132 * MB},
        {"/free:16", true, false, ExitRefused, 0, 0},
        {"/free:8", false, true, ExitRefused, 1, 108 * MB},
    };
    for (const Case &c : cases) {
        Commits = 0;
        CommittedSize = 0;
        RefuseCommit = c.Refuse;
        ResetEvent(CommitReached);
        MessageTexts.clear();
        if (c.Cancel) {
            ResetEvent(CommitsLetThrough);
        }
        ProgramEnd end = FinishProgram(StartProgram(c.Arguments), [&] {
            // Cancelled while its first block is being committed.
            if (c.Cancel && WaitForSingleObject(CommitReached, 0) == WAIT_OBJECT_0 && !WorkerIdle()) {
                CancelFreeing();
                SetEvent(CommitsLetThrough);
            }
        });
        EXPECT_EQ(end.Code, c.Code) << c.Arguments << ": " << end.Output;
        EXPECT_EQ(Commits.load(), c.Commits) << c.Arguments;
        EXPECT_EQ(CommittedSize.load(), c.Block) << c.Arguments;
        EXPECT_FALSE(end.HadWindow) << c.Arguments;
        EXPECT_TRUE(MessageTexts.empty()) << c.Arguments;
    }

    // The page's amount does not fit above free memory, which only the running program sees:
    // refused without a box there, which would hold the caller until somebody clicked it.
    Settings.ManualFree = 480 * MB;
    MessageTexts.clear();
    ProgramEnd refused = RunProgram("/free");
    EXPECT_EQ(refused.Code, static_cast<DWORD>(ExitRefused)) << refused.Output;
    EXPECT_TRUE(MessageTexts.empty());
}

// A Memvale started by the test: /show opens its window, /exit ends it as its Exit command
// does (settings saved, exit code 0), and a second /exit finds none.
TEST(CommandLine, ShowAndExitReachTheRunningProgram)
{
    WriteRegistryDword(SettingsKey, "AutoFree", 1);
    ProgramRun first = StartProgram("/show");
    ASSERT_NE(first.Process, nullptr);
    DWORD firstId = GetProcessId(first.Process);
    EXPECT_TRUE(WaitUntil([&] { return HasMainWindow(firstId); }, 20000));
    HWND shown = FindWindowA("#32770", MEMVALE_WINDOW_CAPTION);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(shown) != FALSE; }, 5000));

    ShowWindow(shown, SW_HIDE);
    EXPECT_EQ(RunProgram("/show").Code, ExitDone);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(shown) != FALSE; }, 5000));

    EXPECT_EQ(RunProgram("/exit").Code, ExitDone);
    EXPECT_EQ(FinishProgram(first).Code, 0u);
    bool saved = false;
    ReadRegistryDword(SettingsKey, "Interval", &saved);
    EXPECT_TRUE(saved);
    EXPECT_EQ(RunProgram("/exit").Code, ExitRefused);
}
