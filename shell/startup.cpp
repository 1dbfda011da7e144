// Process start-up, the single-instance rule and the message loop.
#include "shell/startup.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/platform.h"
#include "base/language.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "shell/pagehost.h"
#include "shell/placement.h"
#include <commctrl.h>
#include <objbase.h>
#include <cwchar>
#include <vector>

HINSTANCE AppInstance;
wchar_t HelpFilePath[MAX_PATH];

const wchar_t *const HelpFileName = L"memvale.hlp";
// Long enough for any path Windows hands out, so a long one is seen whole, not cut.
const DWORD LongestModulePath = 32768;

// The help file sits in the program's folder. A folder too long for the file name to follow
// within MAX_PATH leaves the path empty rather than naming some other file.
void BuildHelpFilePath(const wchar_t *programPath)
{
    const wchar_t *lastBackslash = wcsrchr(programPath, L'\\');
    size_t folderLength = lastBackslash ? static_cast<size_t>(lastBackslash - programPath) + 1 : 0;
    if (folderLength + wcslen(HelpFileName) >= MAX_PATH) {
        HelpFilePath[0] = L'\0';
        return;
    }
    swprintf(HelpFilePath, MAX_PATH, L"%.*ls%ls", static_cast<int>(folderLength), programPath, HelpFileName);
}

static void BuildHelpFilePathFromModule(HINSTANCE instance)
{
    std::vector<wchar_t> path(LongestModulePath);
    DWORD length = GetModuleFileNameW(instance, path.data(), LongestModulePath);
    if (length == 0 || length >= LongestModulePath) {
        path[0] = L'\0';
    }
    BuildHelpFilePath(path.data());
}

// The mutex of an elevated Memvale exists but is closed to a start that is not elevated: that
// Memvale runs all the same. A taken mutex is never closed: it lives, owned by this instance,
// until it ends.
bool MemvaleRuns(bool take)
{
    HANDLE mutex = ReachNamedMutex(InstanceMutexName, take);
    if (!mutex) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    if (take) {
        return GetLastError() == ERROR_ALREADY_EXISTS;
    }
    CloseHandle(mutex);
    return true;
}

void StartUp(HINSTANCE instance)
{
    AppInstance = instance;
    // The language first: a right-to-left one mirrors every window, and only windows created
    // after this call follow it.
    wchar_t language[LanguageNameSize];
    LoadLanguageSetting(language, LanguageNameSize);
    SetLanguage(language);
    if (LanguageIsRightToLeft()) {
        SetProcessDefaultLayout(LAYOUT_RTL);
    }
    // ShellExecuteW may hand the request to a shell extension, which needs COM on the calling
    // thread; the UI thread is the one that calls it.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    InitCommonControls();
    BuildHelpFilePathFromModule(instance);
}

// Created hidden: at start only the tray icon shows.
void CreateMainWindow()
{
    HWND window = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc, 0);
    if (!window) {
        ReportFatal(IDS_FATAL_MAIN_WINDOW);
        return;
    }
    EnsureOnDesktop();
}

// Only the main window goes through IsDialogMessageW; as a control parent it also covers the
// controls of the page shown inside it: Tab, access keys, and Esc as IDCANCEL.
bool HandleWindowKeys(MSG *message)
{
    return SwitchPageByKey(message) || IsDialogMessageW(MainWindow, message);
}

int RunMessageLoop()
{
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!HandleWindowKeys(&message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
