// Start-up: the help file's path, the single-instance rule, and the program itself run from
// the build, from its start to the end of the session.
#include "settings/autostart.h"
#include "settings/settings.h"
#include "tests/shell/taskbar.h"
#include "tests/support/program.h"
#include <objbase.h>
#include <gtest/gtest.h>
#include <string>

TEST(HelpFilePath, IsTheProgramsFolderFollowedByTheHelpFileName)
{
    BuildHelpFilePath(L"D:\\Apps\\Tool\\tool.exe");
    EXPECT_STREQ(HelpFilePath, L"D:\\Apps\\Tool\\memvale.hlp");
    BuildHelpFilePath(L"..\\Tool\\tool.exe");
    EXPECT_STREQ(HelpFilePath, L"..\\Tool\\memvale.hlp");
    BuildHelpFilePath(L"tool");
    EXPECT_STREQ(HelpFilePath, L"memvale.hlp");
    BuildHelpFilePath(L"D:/Apps/tool.exe");
    EXPECT_STREQ(HelpFilePath, L"memvale.hlp");
    BuildHelpFilePath(L"");
    EXPECT_STREQ(HelpFilePath, L"memvale.hlp");
}

TEST(HelpFilePath, AFolderTooLongForTheNameLeavesItEmptyNotCut)
{
    // The folder and its backslash, plus "memvale.hlp" (11) and the terminator, in 260.
    std::wstring fits = L"C:\\" + std::wstring(MAX_PATH - 11 - 1 - 4, L'a') + L"\\";
    ASSERT_EQ(fits.size() + 11, static_cast<size_t>(MAX_PATH - 1));
    BuildHelpFilePath((fits + L"tool.exe").c_str());
    EXPECT_EQ(std::wstring(HelpFilePath), fits + L"memvale.hlp");

    std::wstring tooLong = L"C:\\" + std::wstring(MAX_PATH - 11 - 4, L'a') + L"\\";
    BuildHelpFilePath((tooLong + L"tool.exe").c_str());
    EXPECT_STREQ(HelpFilePath, L"");
}

static std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

TEST(StartUp, TakesTheHelpPathFromTheModulesOwnFileName)
{
    StartUp(GetModuleHandleA(nullptr));
    EXPECT_EQ(AppInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(std::wstring(HelpFilePath), ModuleFolder() + L"memvale.hlp");
}

// A copy of the program in a folder whose Cyrillic name the ANSI code page of a Western
// Windows cannot hold; the folder is this process's own and goes with the copy.
class CyrillicFolder : public testing::Test {
protected:
    void SetUp() override
    {
        std::wstring name = L"\u041f\u0430\u043c\u044f\u0442\u044c " + std::to_wstring(GetCurrentProcessId());
        folder = ModuleFolder() + name + L"\\";
        program = folder + L"memvale.exe";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW((ModuleFolder() + L"memvale_in_test.exe").c_str(), program.c_str(), TRUE));
    }

    void TearDown() override
    {
        DeleteFileW(program.c_str());
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring folder;
    std::wstring program;
};

TEST_F(CyrillicFolder, TheHelpPathKeepsTheFoldersName)
{
    // Loaded only to be a module of that path; none of its code runs.
    HMODULE copy = LoadLibraryExW(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(copy, nullptr);
    StartUp(copy);
    FreeLibrary(copy);
    EXPECT_EQ(std::wstring(HelpFilePath), folder + L"memvale.hlp");
}

TEST(StartUp, InitialisesComApartmentThreadedForTheShell)
{
    StartUp(GetModuleHandleA(nullptr));
    // A thread already in a single-threaded apartment cannot join the multithreaded one.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

// The program's own entry point, built to work in this test's private registry.
static HANDLE StartProgram(const std::wstring &program = ModuleFolder() + L"memvale_in_test.exe")
{
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
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
    ASSERT_FALSE(MemvaleRuns(true));
    EXPECT_TRUE(MemvaleRuns(true));

    HANDLE second = StartProgram();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ExitCodeWithin(second, 20000), 0u);
    CloseHandle(second);
}

static HANDLE DeniedMutex(LPCWSTR, bool)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// A mutex closed to this start is an elevated Memvale's: it runs, for the start-up and the
// command line alike.
TEST(StartUp, AMutexClosedToThisStartCountsAsRunning)
{
    EXPECT_FALSE(MemvaleRuns(false));
    ReachNamedMutex = DeniedMutex;
    EXPECT_TRUE(MemvaleRuns(true));
    EXPECT_TRUE(MemvaleRuns(false));
}

static HWND ProgramWindowOf(DWORD processId)
{
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, MEMVALE_WINDOW_CAPTION); window;
         window = FindWindowExA(nullptr, window, nullptr, MEMVALE_WINDOW_CAPTION)) {
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

    // Read at their true size: from about 40 GB installed, FreeTo is past 4 GiB and a REG_QWORD.
    for (const SettingEntry &row : SettingsTable) {
        DWORD type = ReadRegistryValue(SettingsKey, row.Name).Type;
        EXPECT_TRUE(type == REG_DWORD || (row.ByteSetting && type == REG_QWORD)) << row.Name;
    }
    EXPECT_EQ(ReadRegistryDword(SettingsKey, "AutoFree"), 1u);
}

static HWND PageWith(HWND window, int id)
{
    for (HWND page = FindWindowExA(window, nullptr, "#32770", nullptr); page;
         page = FindWindowExA(window, page, "#32770", nullptr)) {
        if (GetDlgItem(page, id)) {
            return page;
        }
    }
    return nullptr;
}

// The copy ticks its Startup page's box: the Run value must start that very file.
TEST_F(CyrillicFolder, TheRunValueKeepsTheFoldersName)
{
    WriteRegistryDword(SettingsKey, "AutoFree", 1);
    HANDLE process = StartProgram(program);
    ASSERT_NE(process, nullptr);
    HWND window = nullptr;
    DWORD id = GetProcessId(process);
    EXPECT_TRUE(WaitUntil([&] { return (window = ProgramWindowOf(id)) && CountPages(window) == 3; }, 20000));
    HWND page = PageWith(window, IDC_STARTUP_AUTOSTART);
    if (page) {
        HWND box = GetDlgItem(page, IDC_STARTUP_AUTOSTART);
        SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_STARTUP_AUTOSTART, BN_CLICKED),
                     reinterpret_cast<LPARAM>(box));
    }
    PostMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ExitCodeWithin(process, 20000), 0u);
    CloseHandle(process);
    EXPECT_EQ(ReadRegistryText(RunKey, RunValueName), L"\"" + program + L"\"");
}
