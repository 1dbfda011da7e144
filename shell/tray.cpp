// The tray icon, its two menus and what its clicks do.
#include "shell/tray.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/sampler.h"
#include "engine/worker.h"
#include "pages/about.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/commands.h"
#include "shell/startup.h"
#include "shell/traypicture.h"
#include <cstdio>
#include <cstring>

NOTIFYICONDATAA TrayIconData;
HMENU IdleMenu;
HMENU BusyMenu;
UINT TaskbarCreatedMessage;
DWORD TrayIconAdded;

// While the notification area refuses the icon, the ticks try again at most this often: each
// try is two calls that wait on Explorer.
const ULONGLONG TrayRetryPause = 5000;
static ULONGLONG LastAddTried;

void LoadTrayMenus()
{
    IdleMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDR_TRAY_IDLE));
    BusyMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDR_TRAY_BUSY));
    TranslateMenu(IdleMenu, IDR_TRAY_IDLE);
    TranslateMenu(BusyMenu, IDR_TRAY_BUSY);
    TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    // Explorer runs unelevated: an elevated program (one started by an installer run as
    // administrator) gets its restart notice only through the window's message filter.
    LetMessageThrough(MainWindow, TaskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
}

// NIM_ADD also fails for an icon the area holds already (an add that timed out after logon
// yet went through, or a restart notice that came while the icon was there); a modify that
// succeeds shows it is there, so the ticks go on modifying it.
static void AddRecord()
{
    LastAddTried = TickCount();
    bool added = NotifyTray(NIM_ADD, &TrayIconData) || NotifyTray(NIM_MODIFY, &TrayIconData);
    TrayIconAdded = added ? 1 : 0;
}

void AddTrayIcon()
{
    ZeroMemory(&TrayIconData, sizeof TrayIconData);
    // The whole record of Windows Vista and later: the form that carries notices with an icon
    // of their own.
    TrayIconData.cbSize = sizeof TrayIconData;
    TrayIconData.hWnd = MainWindow;
    TrayIconData.uID = 0;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = WM_APP_TRAY;
    TrayIconData.hIcon = ChipPicture(IDI_APP);
    snprintf(TrayIconData.szTip, sizeof TrayIconData.szTip, "%s", ProductName);
    TrayIconData.hBalloonIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_APP));
    AddRecord();
}

void RemoveTrayIcon()
{
    NotifyTray(NIM_DELETE, &TrayIconData);
    TrayIconAdded = 0;
}

// A modify that fails means the area has lost the icon, even when no restart notice came:
// it is added again as after a refused add.
void SendTrayIcon()
{
    if (TrayIconAdded && !NotifyTray(NIM_MODIFY, &TrayIconData)) {
        TrayIconAdded = 0;
    }
    if (!TrayIconAdded && TickCount() - LastAddTried >= TrayRetryPause) {
        AddRecord();
    }
}

void ReAddTrayIcon()
{
    AddRecord();
}

void ShowTrayNotice(const char *title, const char *text)
{
    snprintf(TrayIconData.szInfoTitle, sizeof TrayIconData.szInfoTitle, "%s", title);
    snprintf(TrayIconData.szInfo, sizeof TrayIconData.szInfo, "%s", text);
    TrayIconData.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME;
    TrayIconData.uFlags |= NIF_INFO;
    SendTrayIcon();
    // Every later modify or add would show the notice again.
    TrayIconData.uFlags &= ~static_cast<UINT>(NIF_INFO);
}

static void SetCheck(HMENU menu, UINT id, bool checked)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoA(menu, id, FALSE, &item);
}

// Automatic freeing is on while AutoFree (the disable flag) is 0.
static void SetMenuChecks(HMENU menu)
{
    SetCheck(menu, IDM_AUTOFREE, Settings.AutoFree == 0);
    SetCheck(menu, IDM_TRAY_FIGURE, Settings.TrayFigure != 0);
}

void RefreshIdleMenu()
{
    ByteCount free = CurrentSample().AvailPhys;

    SetMenuChecks(IdleMenu);

    char text[256];
    FormatFreeUpOffer(text, sizeof text, FreeUpMenuFormat, Settings.ManualFree, free);
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = text;
    item.cch = static_cast<UINT>(strlen(text));
    SetMenuItemInfoA(IdleMenu, IDM_FREE_NOW, FALSE, &item);
}

static void ShowTrayMenu(HWND window)
{
    bool idle = RequestFreeing(0, 0) != 0;
    POINT point;
    GetCursorPos(&point);
    if (idle) {
        RefreshIdleMenu();
    } else {
        SetMenuChecks(BusyMenu);
    }
    // Without the foreground a click elsewhere leaves the menu open; WM_NULL lets it close cleanly.
    SetForegroundWindow(window);
    HMENU popup = GetSubMenu(idle ? IdleMenu : BusyMenu, 0);
    TrackPopupMenuEx(popup, 0, point.x, point.y, window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
}

void OnTrayNotify(HWND window, LPARAM mouseMessage)
{
    switch (mouseMessage) {
    case WM_LBUTTONUP:
        DispatchCommand(window, IDM_CONFIG);
        break;
    case WM_RBUTTONUP:
        ShowTrayMenu(window);
        break;
    case NIN_BALLOONUSERCLICK:
        DispatchCommand(window, IDM_CONFIG);
        break;
    }
}
