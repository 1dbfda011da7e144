// Start-up: the help file's path, the single-instance rule, and the program itself run from
// the build, from its start to the end of the session.
#include "settings/settings.h"
#include "tests/shell/taskbar.h"
#include "tests/support/program.h"
#include <objbase.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

TEST(HelpFilePath, IsTheProgramsFolderFollowedByTheHelpFileName)
{
    BuildHelpFilePath("D:\\Apps\\Tool\\tool.exe");
    EXPECT_STREQ(HelpFilePath, "D:\\Apps\\Tool\\memvale.hlp");
    BuildHelpFilePath("..\\Tool\\tool.exe");
    EXPECT_STREQ(HelpFilePath, "..\\Tool\\memvale.hlp");
    BuildHelpFilePath("tool");
    EXPECT_STREQ(HelpFilePath, "memvale.hlp");
    BuildHelpFilePath("D:/Apps/tool.exe");
    EXPECT_STREQ(HelpFilePath, "memvale.hlp");
    BuildHelpFilePath("");
    EXPECT_STREQ(HelpFilePath, "memvale.hlp");
}

TEST(HelpFilePath, AFolderTooLongForTheNameLeavesItEmptyNotCut)
{
    // The folder and its backslash, plus "memvale.hlp" (11) and the terminator, in 260.
    std::string fits = "C:\\" + std::string(MAX_PATH - 11 - 1 - 4, 'a') + "\\";
    ASSERT_EQ(fits.size() + 11, static_cast<size_t>(MAX_PATH - 1));
    BuildHelpFilePath((fits + "tool.exe").c_str());
    EXPECT_EQ(std::string(HelpFilePath), fits + "memvale.hlp");

    std::string tooLong = "C:\\" + std::string(MAX_PATH - 11 - 4, 'a') + "\\";
    BuildHelpFilePath((tooLong + "tool.exe").c_str());
    EXPECT_STREQ(HelpFilePath, "");
}

static std::string ModuleFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

TEST(StartUp, TakesTheHelpPathFromTheModulesOwnFileName)
{
    StartUp(GetModuleHandleA(nullptr));
    EXPECT_EQ(AppInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(std::string(HelpFilePath), ModuleFolder() + "memvale.hlp");
}

TEST(StartUp, InitialisesComApartmentThreadedForTheShell)
{
    StartUp(GetModuleHandleA(nullptr));
    // A thread already in a single-threaded apartment cannot join the multithreaded one.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

// The program's own entry point, built to work in this test's private registry.
static HANDLE StartProgram()
{
    char command[MAX_PATH + 24];
    snprintf(command, sizeof command, "\"%smemvale_in_test.exe\"", ModuleFolder().c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

static DWORD ExitCodeWithin(HANDLE process, DWORD milliseconds)
{
    if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

TEST(StartUp, ASecondInstanceEndsAtOnceWithExitCodeZero)
{
    ASSERT_FALSE(AnotherInstanceRuns());
    EXPECT_TRUE(AnotherInstanceRuns());

    HANDLE second = StartProgram();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
    CloseHandle(second);
}

static HWND ProgramWindowOf(DWORD processId)
{
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, "Memvale XP"); window;
         window = FindWindowExA(nullptr, window, nullptr, "Memvale XP")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) {
            return window;
        }
    }
    return nullptr;
}

static int CountPages(HWND window)
{
    int pages = 0;
    for (HWND child = FindWindowExA(window, nullptr, "#32770", nullptr); child;
         child = FindWindowExA(window, child, "#32770", nullptr)) {
        ++pages;
    }
    return pages;
}

TEST(Program, RunsHiddenOnceAndEndsWithTheSessionSavingItsSettings)
{
    // No automatic freeing of this machine's real memory while the test runs.
    WriteRegistryDword(SettingsKey, "AutoFree", 1);

    HANDLE first = StartProgram();
    ASSERT_NE(first, nullptr);
    DWORD firstId = GetProcessId(first);
    // The window has its title before its initialisation has made the pages.
    HWND window = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (window = ProgramWindowOf(firstId)) && CountPages(window) == 3; },
                          20000));
    if (window) {
        EXPECT_FALSE(IsWindowVisible(window));

        HANDLE second = StartProgram();
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
        CloseHandle(second);

        PostMessageA(window, WM_ENDSESSION, TRUE, 0);
    }
    EXPECT_EQ(ExitCodeWithin(first, 20000), 0u);
    CloseHandle(first);

    for (const SettingEntry &row : SettingsTable) {
        bool found = false;
        ReadRegistryDword(SettingsKey, row.Name, &found);
        EXPECT_TRUE(found) << row.Name;
    }
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "AutoFree"), 1u);
}
