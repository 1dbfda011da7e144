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
#include <cwchar>

NOTIFYICONDATAW TrayIconData;
HMENU IdleMenu;
HMENU BusyMenu;
UINT TaskbarCreatedMessage;
DWORD TrayIconAdded;
DWORD TrayVersion4;

// While the notification area refuses the icon, the ticks try again at most this often: each
// try is two calls that wait on Explorer.
const ULONGLONG TrayRetryPause = 5000;
static ULONGLONG LastAddTried;

void LoadTrayMenus()
{
    IdleMenu = LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_TRAY_IDLE));
    BusyMenu = LoadMenuW(AppInstance, MAKEINTRESOURCEW(IDR_TRAY_BUSY));
    TranslateMenu(IdleMenu, IDR_TRAY_IDLE);
    TranslateMenu(BusyMenu, IDR_TRAY_BUSY);
    TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
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
    // Every add starts the icon at the oldest behaviour again; version 4 brings the keyboard.
    if (added) {
        TrayVersion4 = NotifyTray(NIM_SETVERSION, &TrayIconData) ? 1 : 0;
    }
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
    lstrcpynW(TrayIconData.szTip, ProductName, sizeof TrayIconData.szTip / sizeof TrayIconData.szTip[0]);
    TrayIconData.hBalloonIcon = LoadIconW(AppInstance, MAKEINTRESOURCEW(IDI_APP));
    TrayIconData.uVersion = NOTIFYICON_VERSION_4;
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

void ShowTrayNotice(const wchar_t *title, const wchar_t *text)
{
    lstrcpynW(TrayIconData.szInfoTitle, title, sizeof TrayIconData.szInfoTitle / sizeof TrayIconData.szInfoTitle[0]);
    lstrcpynW(TrayIconData.szInfo, text, sizeof TrayIconData.szInfo / sizeof TrayIconData.szInfo[0]);
    TrayIconData.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_NOSOUND | NIIF_RESPECT_QUIET_TIME;
    TrayIconData.uFlags |= NIF_INFO;
    SendTrayIcon();
    // Every later modify or add would show the notice again.
    TrayIconData.uFlags &= ~static_cast<UINT>(NIF_INFO);
}

static void SetCheck(HMENU menu, UINT id, bool checked)
{
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoW(menu, id, FALSE, &item);
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

    wchar_t text[TextSize];
    FormatFreeUpOffer(text, TextSize, IDS_TRAY_FREE_UP, Settings.ManualFree, free);
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = text;
    item.cch = static_cast<UINT>(wcslen(text));
    SetMenuItemInfoW(IdleMenu, IDM_FREE_NOW, FALSE, &item);
}

// The menu opens at the point given: the cursor after a click, the icon's anchor for the
// keyboard. A choice reaches the window as a menu's WM_COMMAND; a dismissal gives the focus back
// to the icon, where a keyboard user left it.
static void ShowTrayMenu(HWND window, POINT point)
{
    bool idle = IsWorkerIdle();
    if (idle) {
        RefreshIdleMenu();
    } else {
        SetMenuChecks(BusyMenu);
    }
    // Without the foreground a click elsewhere leaves the menu open; WM_NULL lets it close cleanly.
    SetForegroundWindow(window);
    HMENU popup = GetSubMenu(idle ? IdleMenu : BusyMenu, 0);
    UINT chosen = static_cast<UINT>(TrackPopupMenuEx(popup, TPM_RETURNCMD, point.x, point.y, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    if (chosen != 0) {
        PostMessageW(window, WM_COMMAND, chosen, 0);
    } else if (TrayVersion4) {
        NotifyTray(NIM_SETFOCUS, &TrayIconData);
    }
}

static void ShowTrayMenuAtCursor(HWND window)
{
    POINT point;
    GetCursorPos(&point);
    ShowTrayMenu(window, point);
}

// A middle click frees as the menu's "Free up" does; while a run goes on it does nothing.
static void FreeFromTray(HWND window)
{
    if (RequestFreeing(0, 0) != 0) {
        DispatchCommand(window, IDM_FREE_NOW);
    }
}

// Version 4 tells a click as NIN_SELECT and a right click as WM_CONTEXTMENU after the button
// messages, so then only those answer; the keyboard sends NIN_KEYSELECT and WM_CONTEXTMENU alone.
void OnTrayNotify(HWND window, WPARAM anchor, LPARAM event)
{
    UINT message = LOWORD(event);
    if (TrayVersion4) {
        switch (message) {
        case NIN_SELECT:
        case NIN_KEYSELECT:
            DispatchCommand(window, IDM_CONFIG);
            return;
        case WM_CONTEXTMENU:
            ShowTrayMenu(window, {static_cast<short>(LOWORD(anchor)), static_cast<short>(HIWORD(anchor))});
            return;
        }
    } else {
        switch (message) {
        case WM_LBUTTONUP:
            DispatchCommand(window, IDM_CONFIG);
            return;
        case WM_RBUTTONUP:
            ShowTrayMenuAtCursor(window);
            return;
        }
    }
    switch (message) {
    case WM_MBUTTONUP:
        FreeFromTray(window);
        break;
    case NIN_BALLOONUSERCLICK:
        DispatchCommand(window, IDM_CONFIG);
        break;
    }
}
