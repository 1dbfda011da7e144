// The sixteen persisted settings, their registry table, and loading and saving them.
#pragma once
#include <windows.h>
#include "base/memstatus.h"

struct SettingsBlock {
    DWORD AutoFree;        // nonzero disables automatic freeing
    ByteCount MinLimit;    // bytes of free memory below which automatic freeing starts
    ByteCount FreeTo;      // bytes of free memory that automatic freeing aims for
    ByteCount ManualFree;  // bytes a manual request frees on top of what is free
    DWORD Priority;        // 0 idle, 1 normal, 2 high
    DWORD Interval;        // milliseconds between samples and refresh ticks
    DWORD TrayIcon;        // 0..4, kept for the registry only
    DWORD SaveConfig;      // nonzero: save all settings on exit
    DWORD AppLoadFree;     // nonzero: one freeing run at start-up
    ByteCount AppLoadFreeSize; // bytes of free memory the start-up run aims for
    DWORD Hotkey;          // hot-key control value: low byte key, next byte HOTKEYF_* flags
    DWORD WindowPos;       // low word left, high word top; NoSavedPosition = none saved
    DWORD BusyIcon;        // nonzero: busy tray icon while freeing
    DWORD Notices;         // which runs end with a notice, see NoticesFor
    DWORD TrayFigure;      // what the tray icon shows: 0 the chip, 1 free memory as a figure
    DWORD HistorySpan;     // the History page's span: 0 ten minutes, 1 an hour, 2 eight hours
};

// The values of Notices.
enum NoticesFor : DWORD { NoRunNotices, AskedRunNotices, EveryRunNotices };

// A row ties a registry value to one field: a 32-bit setting, or a byte count, which is
// written as REG_DWORD while it fits 32 bits and as REG_QWORD only above that.
struct SettingEntry {
    DWORD Type;
    const wchar_t *Name;
    DWORD *Setting;
    ByteCount *ByteSetting;
};

// The WindowPos value that says no position is saved.
const DWORD NoSavedPosition = 0xFFFFFFFF;

const int SettingsCount = 16;
const wchar_t *const SettingsKey = L"Software\\Memvale";

extern SettingsBlock Settings;
extern const SettingEntry SettingsTable[SettingsCount];
extern MemoryStatus InstalledMemory;

void LoadSettings();
void SaveSettings();

// The save at the end of the run: all sixteen values when SaveConfig is set, otherwise
// SaveConfig alone.
void SaveSettingsAtExit();

// The Language value (REG_SZ): a shipped language's name such as "de" or "pt-BR", or empty for
// Windows' display language. Kept apart from the fifteen: it is saved the moment it is chosen.
// A missing, overlong or unreadable value reads as empty.
void LoadLanguageSetting(wchar_t *name, int size);
void SaveLanguageSetting(const wchar_t *name);
