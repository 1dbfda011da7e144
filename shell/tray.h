// The tray icon, its two menus and what its clicks do.
#pragma once
#include <windows.h>
#include <shellapi.h>

extern NOTIFYICONDATAA TrayIconData;
extern HMENU IdleMenu;
extern HMENU BusyMenu;

void LoadTrayMenus();
void AddTrayIcon();
void RemoveTrayIcon();
void OnTrayNotify(HWND window, LPARAM mouseMessage);
void RefreshIdleMenu();
