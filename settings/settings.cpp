// The sixteen persisted settings, their registry table, and loading and saving them.
#include "settings/settings.h"
#include "base/memstatus.h"
#include <atomic>
#include <cwchar>
#include <cstring>
#include <cwchar>

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
    1,          // HistorySpan: an hour
};

// Table order is the order of writing; it differs from the order of the fields.
const SettingEntry SettingsTable[SettingsCount] = {
    {REG_DWORD, L"MinLimit", nullptr, &Settings.MinLimit},
    {REG_DWORD, L"FreeTo", nullptr, &Settings.FreeTo},
    {REG_DWORD, L"ManualFree", nullptr, &Settings.ManualFree},
    {REG_DWORD, L"AutoFree", &Settings.AutoFree, nullptr},
    {REG_DWORD, L"Priority", &Settings.Priority, nullptr},
    {REG_DWORD, L"Interval", &Settings.Interval, nullptr},
    {REG_DWORD, L"TrayIcon", &Settings.TrayIcon, nullptr},
    {REG_DWORD, L"SaveConfig", &Settings.SaveConfig, nullptr},
    {REG_DWORD, L"AppLoadFree", &Settings.AppLoadFree, nullptr},
    {REG_DWORD, L"AppLoadFreeSize", nullptr, &Settings.AppLoadFreeSize},
    {REG_DWORD, L"Hotkey", &Settings.Hotkey, nullptr},
    {REG_DWORD, L"WindowPos", &Settings.WindowPos, nullptr},
    {REG_DWORD, L"BusyIcon", &Settings.BusyIcon, nullptr},
    {REG_DWORD, L"Notices", &Settings.Notices, nullptr},
    {REG_DWORD, L"TrayFigure", &Settings.TrayFigure, nullptr},
    {REG_DWORD, L"HistorySpan", &Settings.HistorySpan, nullptr},
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

static bool SameNameIgnoringCase(const wchar_t *a, const wchar_t *b)
{
    for (;; ++a, ++b) {
        wchar_t ca = (*a >= L'A' && *a <= L'Z') ? static_cast<wchar_t>(*a - L'A' + L'a') : *a;
        wchar_t cb = (*b >= L'A' && *b <= L'Z') ? static_cast<wchar_t>(*b - L'A' + L'a') : *b;
        if (ca != cb) {
            return false;
        }
        if (ca == L'\0') {
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
static void ApplyStoredValue(const wchar_t *name, DWORD type, const BYTE *data, DWORD size)
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

// A text value counts by its first bytes as they have always been read: in the ANSI code page,
// not in UTF-16. Converted in place; returns the new size in bytes.
static DWORD TextInCodePage(BYTE *data, DWORD size)
{
    char text[EnumDataSize * 2];
    int length = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t *>(data),
                                     static_cast<int>(size / sizeof(wchar_t)), text, sizeof text, nullptr, nullptr);
    memcpy(data, text, static_cast<size_t>(length));
    return static_cast<DWORD>(length);
}

static void ReadStoredValues(HKEY key)
{
    for (DWORD index = 0;; ++index) {
        wchar_t name[EnumNameSize];
        // Room for a text value in UTF-16, twice its size in the code page.
        BYTE data[EnumDataSize * 2];
        DWORD nameSize = EnumNameSize;
        DWORD dataSize = sizeof data;
        DWORD type = REG_NONE;
        LONG result = RegEnumValueW(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        // A foreign value too long for the buffers is passed over, not taken as the end.
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return;
        }
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            dataSize = TextInCodePage(data, dataSize);
        }
        if (dataSize <= EnumDataSize) {
            ApplyStoredValue(name, type, data, dataSize);
        }
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
    if (Settings.HistorySpan > 2) {
        Settings.HistorySpan = 1;
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
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        ReadStoredValues(key);
        RegCloseKey(key);
    }
    ValidateSettings();
    StoreSetting(&Settings.Interval, LoadedInterval);
}

static void WriteSetting(HKEY key, const SettingEntry &row)
{
    if (!row.ByteSetting) {
        RegSetValueExW(key, row.Name, 0, row.Type, reinterpret_cast<const BYTE *>(row.Setting), sizeof(DWORD));
        return;
    }
    ByteCount value = *row.ByteSetting;
    BYTE data[sizeof(ULONGLONG)];
    for (BYTE &byte : data) {
        byte = static_cast<BYTE>(value);
        value >>= 8;
    }
    bool fits32 = *row.ByteSetting <= 0xFFFFFFFFu;
    RegSetValueExW(key, row.Name, 0, fits32 ? row.Type : REG_QWORD, data,
                   fits32 ? sizeof(DWORD) : sizeof(ULONGLONG));
}

static void WriteSettings(const wchar_t *onlyName)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const SettingEntry &row : SettingsTable) {
        if (onlyName == nullptr || wcscmp(row.Name, onlyName) == 0) {
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
    WriteSettings(Settings.SaveConfig ? nullptr : L"SaveConfig");
}

void LoadLanguageSetting(wchar_t *name, int size)
{
    name[0] = L'\0';
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
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
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, L"Language", 0, REG_SZ, reinterpret_cast<const BYTE *>(name),
                   static_cast<DWORD>((wcslen(name) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
