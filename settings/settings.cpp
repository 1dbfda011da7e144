// The thirteen persisted settings, their registry table, and loading and saving them.
#include "settings/settings.h"
#include "engine/memstatus.h"
#include <atomic>
#include <cstring>

SettingsBlock Settings = {
    0,          // AutoFree
    0,          // MinLimit: every load computes it
    0,          // FreeTo: every load computes it
    0,          // ManualFree: every load computes it
    0,          // Priority
    1000,       // Interval
    3,          // TrayIcon
    1,          // SaveConfig
    0,          // AppLoadFree
    4194304,    // AppLoadFreeSize
    0,          // Hotkey
    0xFFFFFFFF, // WindowPos
    1,          // BusyIcon
};

// Table order is the order of writing; it differs from the order of the fields.
const SettingEntry SettingsTable[SettingsCount] = {
    {REG_DWORD, "MinLimit", &Settings.MinLimit},
    {REG_DWORD, "FreeTo", &Settings.FreeTo},
    {REG_DWORD, "ManualFree", &Settings.ManualFree},
    {REG_DWORD, "AutoFree", &Settings.AutoFree},
    {REG_DWORD, "Priority", &Settings.Priority},
    {REG_DWORD, "Interval", &Settings.Interval},
    {REG_DWORD, "TrayIcon", &Settings.TrayIcon},
    {REG_DWORD, "SaveConfig", &Settings.SaveConfig},
    {REG_DWORD, "AppLoadFree", &Settings.AppLoadFree},
    {REG_DWORD, "AppLoadFreeSize", &Settings.AppLoadFreeSize},
    {REG_DWORD, "Hotkey", &Settings.Hotkey},
    {REG_DWORD, "WindowPos", &Settings.WindowPos},
    {REG_DWORD, "BusyIcon", &Settings.BusyIcon},
};

MEMORYSTATUS InstalledMemory;

// Outside these milliseconds the sampler would spin, or sleep so long (0xFFFFFFFF is forever)
// that the display goes stale for good.
const DWORD ShortestInterval = 100;
const DWORD LongestInterval = 3600000;

const DWORD EnumNameSize = 64;
const DWORD EnumDataSize = 256;

// The sampler thread reads Interval between loads, so fields are stored whole and atomically.
static void StoreSetting(DWORD *field, DWORD value)
{
    std::atomic_ref<DWORD>(*field).store(value, std::memory_order_relaxed);
}

static bool SameNameIgnoringCase(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (ca != cb) {
            return false;
        }
        if (ca == '\0') {
            return true;
        }
    }
}

// Whole part of mb times the single-precision factor, as a byte count of whole megabytes.
static DWORD ShareOfMegabytes(DWORD mb, float factor)
{
    return static_cast<DWORD>(static_cast<double>(mb) * static_cast<double>(factor)) << 20;
}

static void ApplyStoredValue(const char *name, const BYTE *data, DWORD size)
{
    // Fewer than four bytes cannot hold a setting; the field keeps its value.
    if (size < sizeof(DWORD)) {
        return;
    }
    DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                  static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
    for (const SettingEntry &row : SettingsTable) {
        if (row.Type == REG_DWORD && SameNameIgnoringCase(name, row.Name)) {
            StoreSetting(row.Setting, value);
        }
    }
}

static void ReadStoredValues(HKEY key)
{
    for (DWORD index = 0;; ++index) {
        char name[EnumNameSize];
        BYTE data[EnumDataSize];
        DWORD nameSize = EnumNameSize;
        DWORD dataSize = EnumDataSize;
        LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize);
        // A foreign value too long for the buffers is passed over, not taken as the end.
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return;
        }
        ApplyStoredValue(name, data, dataSize);
    }
}

static void ValidateSettings()
{
    DWORD installed = static_cast<DWORD>(InstalledMemory.dwTotalPhys);
    if (Settings.FreeTo > installed) {
        Settings.FreeTo = 0;
    }
    if (Settings.ManualFree > installed) {
        Settings.ManualFree = 0;
    }
    if (Settings.MinLimit > Settings.FreeTo) {
        Settings.MinLimit = 0;
    }
    if (Settings.Priority > 2) {
        Settings.Priority = 0;
    }
    if (Settings.Interval < ShortestInterval || Settings.Interval > LongestInterval) {
        StoreSetting(&Settings.Interval, 1000);
    }
    if (Settings.TrayIcon > 4) {
        Settings.TrayIcon = 0;
    }
}

void LoadSettings()
{
    ReadMemoryStatus(&InstalledMemory);
    DWORD mb = static_cast<DWORD>(InstalledMemory.dwTotalPhys) >> 20;
    Settings.MinLimit = ShareOfMegabytes(mb, 0.05f);
    Settings.FreeTo = ShareOfMegabytes(mb, 0.1f);
    Settings.ManualFree = ShareOfMegabytes(mb, 0.02f);

    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        ReadStoredValues(key);
        RegCloseKey(key);
    }
    ValidateSettings();
}

static void WriteSettings(const char *onlyName)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const SettingEntry &row : SettingsTable) {
        if (onlyName == nullptr || strcmp(row.Name, onlyName) == 0) {
            RegSetValueExA(key, row.Name, 0, row.Type, reinterpret_cast<const BYTE *>(row.Setting),
                           sizeof(DWORD));
        }
    }
    RegCloseKey(key);
}

void SaveSettings()
{
    WriteSettings(nullptr);
}

void SaveSettingsAtExit()
{
    // With saving on exit switched off only that choice itself is kept; the other values
    // stay as last saved.
    WriteSettings(Settings.SaveConfig ? nullptr : "SaveConfig");
}
