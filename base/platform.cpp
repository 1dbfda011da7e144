// Platform calls that would block a test, end its process or reach outside the program.
#include "base/platform.h"
#include "base/systemlibrary.h"
#include <cstdlib>

static void ExitThroughRuntime(int code)
{
    exit(code);
}

static ULONGLONG TickCountOfSystem()
{
    return GetTickCount64();
}

// Windows before 8.1 have one DPI for every monitor; from 8.1 on shcore.dll tells each
// monitor's own (MDT_EFFECTIVE_DPI, 0).
typedef HRESULT(WINAPI *DpiForMonitorCall)(HMONITOR, int, UINT *, UINT *);

static UINT DpiOfTaskbar()
{
    HMONITOR monitor = MonitorFromWindow(FindWindowW(L"Shell_TrayWnd", nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT x;
    UINT y;
    static const DpiForMonitorCall DpiForMonitor = SystemCall<DpiForMonitorCall>(L"shcore.dll", "GetDpiForMonitor");
    if (DpiForMonitor != nullptr && SUCCEEDED(DpiForMonitor(monitor, 0, &x, &y))) {
        return y;
    }
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

int (WINAPI *ShowMessageBox)(HWND, LPCWSTR, LPCWSTR, UINT) = MessageBoxW;
static bool VisibleWindowStation()
{
    USEROBJECTFLAGS flags = {};
    DWORD size = 0;
    if (!GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &size)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Not inheritable: a program this one starts must not keep the mutex alive after it ends.
static HANDLE MutexByName(LPCWSTR name, bool create)
{
    SetLastError(ERROR_SUCCESS);
    return create ? CreateMutexW(nullptr, TRUE, name) : OpenMutexW(SYNCHRONIZE, FALSE, name);
}

static DWORD IntegrityOfLabel(const TOKEN_MANDATORY_LABEL *label)
{
    PSID sid = label->Label.Sid;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

static bool TokenFactsOfProcess(HANDLE process, TokenFacts *facts)
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

static bool HighContrastOfSystem()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void (*EndProcess)(int code) = ExitThroughRuntime;
BOOL (WINAPI *OpenHelpViewer)(HWND, LPCWSTR, UINT, ULONG_PTR) = WinHelpW;
HINSTANCE (WINAPI *ShellOpen)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ShellExecuteW;
BOOL (WINAPI *NotifyTray)(DWORD, PNOTIFYICONDATAW) = Shell_NotifyIconW;
BOOL (WINAPI *LetMessageThrough)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT) = ChangeWindowMessageFilterEx;
HMONITOR (WINAPI *MonitorOfRect)(LPCRECT, DWORD) = MonitorFromRect;
BOOL (WINAPI *MonitorInfoOf)(HMONITOR, LPMONITORINFO) = GetMonitorInfoW;
BOOL (WINAPI *WindowPlacementOf)(HWND, WINDOWPLACEMENT *) = GetWindowPlacement;
ULONGLONG (*TickCount)() = TickCountOfSystem;
UINT (*TaskbarDpi)() = DpiOfTaskbar;
void (WINAPI *LocalTime)(LPSYSTEMTIME) = GetLocalTime;
bool (*WindowStationVisible)() = VisibleWindowStation;
BOOL (WINAPI *ShellStart)(SHELLEXECUTEINFOW *) = ShellExecuteExW;
HANDLE (*ReachNamedMutex)(LPCWSTR, bool) = MutexByName;
bool (*ReadTokenFacts)(HANDLE, TokenFacts *) = TokenFactsOfProcess;
HMODULE (WINAPI *LoadLibraryWithFlags)(LPCWSTR, HANDLE, DWORD) = LoadLibraryExW;
bool (*HighContrastThemeOn)() = HighContrastOfSystem;
