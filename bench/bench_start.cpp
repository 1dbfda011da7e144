// Start-up time: from the process's creation to the tray icon's NIM_ADD, through the real
// start (language, settings, main window, pages, tray menus). Starts itself that many times,
// one measurement a process, and prints each time, then the median as the last line, `start S ms`.
// Usage: bench_start [starts]   (default 21)
#include "base/handles.h"
#include "base/platform.h"
#include "shell/startup.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const unsigned long DefaultStarts = 21;

static ULONGLONG Now100ns()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart;
}

// The first add ends the measurement; the process ends there, before its window would save.
static BOOL WINAPI AddAndReport(DWORD message, PNOTIFYICONDATAW)
{
    if (message == NIM_ADD) {
        ULONGLONG added = Now100ns();
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        ULONGLONG start = ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
        printf("%.2f\n", (added - start) / 1e4);
        fflush(stdout);
        ExitProcess(0);
    }
    return TRUE;
}

static double MeasureOneStart(const char *program)
{
    char command[MAX_PATH + 16];
    snprintf(command, sizeof command, "\"%s\" --once", program);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    double ms = -1;
    if (CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(writeEnd);
        char output[64] = "";
        DWORD read = 0;
        ReadFile(readEnd, output, sizeof output - 1, &read, nullptr);
        output[read] = '\0';
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ms = atof(output);
    } else {
        CloseHandle(writeEnd);
    }
    CloseHandle(readEnd);
    return ms;
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "--once") == 0) {
        NotifyTray = AddAndReport;
        StartUp(GetModuleHandleA(nullptr));
        CreateMainWindow();
        fprintf(stderr, "the tray icon was never added\n");
        return 1;
    }
    unsigned long starts = argc > 1 ? strtoul(argv[1], nullptr, 10) : DefaultStarts;
    if (starts == 0 || starts > 1000) {
        fprintf(stderr, "usage: bench_start [starts], 1 to 1000\n");
        return 2;
    }
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::vector<double> times;
    for (unsigned long i = 0; i < starts; ++i) {
        double ms = MeasureOneStart(program);
        if (ms < 0) {
            fprintf(stderr, "a start failed\n");
            return 1;
        }
        printf("%.2f ms\n", ms);
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    printf("least %.2f ms, greatest %.2f ms\nstart %.2f ms\n", times.front(), times.back(), times[times.size() / 2]);
    return 0;
}
