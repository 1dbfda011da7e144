// The fifteen persisted settings, their registry table, and loading and saving them.
#include "settings/settings.h"
#include "base/memstatus.h"
#include <atomic>
#include <cwchar>
#include <cstring>

const DWORD DefaultInterval = 1000;

SettingsBlock Settings = {
    0,          // AutoFree
    0,          // MinLimit: every load computes it
    0,          // FreeTo: every load computes it
    0,          // ManualFree: every load computes it
    0,          // Priority
    DefaultInterval, // Interval
    3,          // TrayIcon
    1,          // SaveConfig
    0,          // AppLoadFree
    4194304,    // AppLoadFreeSize
    0,          // Hotkey
    NoSavedPosition, // WindowPos
    1,          // BusyIcon
    AskedRunNotices, // Notices
    0,          // TrayFigure
};

// Table order is the order of writing; it differs from the order of the fields.
const SettingEntry SettingsTable[SettingsCount] = {
    {REG_DWORD, "MinLimit", nullptr, &Settings.MinLimit},
    {REG_DWORD, "FreeTo", nullptr, &Settings.FreeTo},
    {REG_DWORD, "ManualFree", nullptr, &Settings.ManualFree},
    {REG_DWORD, "AutoFree", &Settings.AutoFree, nullptr},
    {REG_DWORD, "Priority", &Settings.Priority, nullptr},
    {REG_DWORD, "Interval", &Settings.Interval, nullptr},
    {REG_DWORD, "TrayIcon", &Settings.TrayIcon, nullptr},
    {REG_DWORD, "SaveConfig", &Settings.SaveConfig, nullptr},
    {REG_DWORD, "AppLoadFree", &Settings.AppLoadFree, nullptr},
    {REG_DWORD, "AppLoadFreeSize", nullptr, &Settings.AppLoadFreeSize},
    {REG_DWORD, "Hotkey", &Settings.Hotkey, nullptr},
    {REG_DWORD, "WindowPos", &Settings.WindowPos, nullptr},
    {REG_DWORD, "BusyIcon", &Settings.BusyIcon, nullptr},
    {REG_DWORD, "Notices", &Settings.Notices, nullptr},
    {REG_DWORD, "TrayFigure", &Settings.TrayFigure, nullptr},
};

MemoryStatus InstalledMemory;

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

// A load reads the stored Interval here and hands it to the sampler only once it is checked,
// so that an out-of-range value never reaches the sampler, not even for a moment.
static DWORD LoadedInterval;

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
static ByteCount ShareOfMegabytes(ByteCount mb, float factor)
{
    return static_cast<ByteCount>(static_cast<double>(mb) * static_cast<double>(factor)) << 20;
}

static ULONGLONG LittleEndian(const BYTE *data, DWORD count)
{
    ULONGLONG value = 0;
    for (DWORD i = count; i > 0; --i) {
        value = value << 8 | data[i - 1];
    }
    return value;
}

// A byte count of 4 GiB or more comes as a REG_QWORD of eight bytes; every other value counts
// by its first four bytes, whatever its type.
static void ApplyStoredValue(const char *name, DWORD type, const BYTE *data, DWORD size)
{
    // Fewer than four bytes cannot hold a setting; the field keeps its value.
    if (size < sizeof(DWORD)) {
        return;
    }
    bool whole64 = type == REG_QWORD && size == sizeof(ULONGLONG);
    for (const SettingEntry &row : SettingsTable) {
        if (row.Type != REG_DWORD || !SameNameIgnoringCase(name, row.Name)) {
            continue;
        }
        if (row.ByteSetting) {
            *row.ByteSetting = LittleEndian(data, whole64 ? sizeof(ULONGLONG) : sizeof(DWORD));
        } else {
            DWORD *field = row.Setting == &Settings.Interval ? &LoadedInterval : row.Setting;
            StoreSetting(field, static_cast<DWORD>(LittleEndian(data, sizeof(DWORD))));
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
        DWORD type = REG_NONE;
        LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        // A foreign value too long for the buffers is passed over, not taken as the end.
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return;
        }
        ApplyStoredValue(name, type, data, dataSize);
    }
}

static void ValidateSettings()
{
    ByteCount installed = InstalledMemory.TotalPhys;
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
    if (LoadedInterval < ShortestInterval || LoadedInterval > LongestInterval) {
        LoadedInterval = DefaultInterval;
    }
    if (Settings.TrayIcon > 4) {
        Settings.TrayIcon = 0;
    }
    if (Settings.Notices > EveryRunNotices) {
        Settings.Notices = AskedRunNotices;
    }
    if (Settings.TrayFigure > 1) {
        Settings.TrayFigure = 0;
    }
}

void LoadSettings()
{
    ReadMemoryStatus(&InstalledMemory);
    ByteCount mb = InstalledMemory.TotalPhys >> 20;
    Settings.MinLimit = ShareOfMegabytes(mb, 0.05f);
    Settings.FreeTo = ShareOfMegabytes(mb, 0.1f);
    Settings.ManualFree = ShareOfMegabytes(mb, 0.02f);

    LoadedInterval = Settings.Interval;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        ReadStoredValues(key);
        RegCloseKey(key);
    }
    ValidateSettings();
    StoreSetting(&Settings.Interval, LoadedInterval);
}

static void WriteSetting(HKEY key, const SettingEntry &row)
{
    if (!row.ByteSetting) {
        RegSetValueExA(key, row.Name, 0, row.Type, reinterpret_cast<const BYTE *>(row.Setting), sizeof(DWORD));
        return;
    }
    ByteCount value = *row.ByteSetting;
    BYTE data[sizeof(ULONGLONG)];
    for (BYTE &byte : data) {
        byte = static_cast<BYTE>(value);
        value >>= 8;
    }
    bool fits32 = *row.ByteSetting <= 0xFFFFFFFFu;
    RegSetValueExA(key, row.Name, 0, fits32 ? row.Type : REG_QWORD, data,
                   fits32 ? sizeof(DWORD) : sizeof(ULONGLONG));
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
            WriteSetting(key, row);
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

void LoadLanguageSetting(wchar_t *name, int size)
{
    name[0] = L'\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(size - 1) * sizeof(wchar_t);
    LONG result = RegQueryValueExW(key, L"Language", nullptr, &type, reinterpret_cast<BYTE *>(name), &bytes);
    RegCloseKey(key);
    // The stored text may lack its terminator: the length read ends it.
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        name[0] = L'\0';
        return;
    }
    name[bytes / sizeof(wchar_t)] = L'\0';
}

void SaveLanguageSetting(const wchar_t *name)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, L"Language", 0, REG_SZ, reinterpret_cast<const BYTE *>(name),
                   static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
