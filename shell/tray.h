// The tray icon, its two menus and what its clicks do.
#pragma once
#include <windows.h>
#include <shellapi.h>

extern NOTIFYICONDATAW TrayIconData;
extern HMENU IdleMenu;
extern HMENU BusyMenu;

// The message Explorer broadcasts when it has started again with an empty notification area.
extern UINT TaskbarCreatedMessage;
// 1 once the notification area has taken the icon; NIM_ADD can fail right after logon.
extern DWORD TrayIconAdded;
// 1 while the notification area speaks version 4 to the icon (NIM_SETVERSION after each add):
// the keyboard's events, and the event in the low word of the callback's lParam.
extern DWORD TrayVersion4;

void LoadTrayMenus();
void AddTrayIcon();
void RemoveTrayIcon();
// Sends the record as it stands: NIM_MODIFY, or, while the icon is missing (an add refused, or
// a modify failed), NIM_ADD again once 5 seconds have passed since the last try.
void SendTrayIcon();
// Adds the icon again with the current record, after Explorer has restarted.
void ReAddTrayIcon();
// A notice from the tray icon with the program's own icon and no sound, which Windows holds
// back while the user does not want to be disturbed.
void ShowTrayNotice(const wchar_t *title, const wchar_t *text);
// The icon's mouse and keyboard events, and a click on its notice; anchor is where the icon
// is, for the keyboard's menu.
void OnTrayNotify(HWND window, WPARAM anchor, LPARAM event);
void RefreshIdleMenu();
