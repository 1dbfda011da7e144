// The tray icon, its two menus and what its clicks do.
#include "shell/tray.h"

NOTIFYICONDATAA TrayIconData;
HMENU IdleMenu;
HMENU BusyMenu;

void LoadTrayMenus() {}
void AddTrayIcon() {}
void RemoveTrayIcon() {}
void OnTrayNotify(HWND, LPARAM) {}
void RefreshIdleMenu() {}
