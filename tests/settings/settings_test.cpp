// Settings store against the real registry of the test prefix.
#include "settings/settings.h"
#include "base/memstatus.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

static const DWORD MB = 1u << 20;

static void LoadWithInstalled(ULONGLONG megabytes)
{
    UseFakeMemory(megabytes * MB, 100 * MB);
    LoadSettings();
}

// The field a value name stands for, read through the program's own table.
static ULONGLONG Field(const char *name)
{
    for (const SettingEntry &row : SettingsTable) {
        if (Narrow(row.Name) == name) {
            return row.ByteSetting ? *row.ByteSetting : *row.Setting;
        }
    }
    ADD_FAILURE() << "no setting " << name;
    return 0;
}

static StoredValue Stored(const char *name)
{
    return ReadRegistryValue(SettingsKey, name);
}

TEST(SettingsDefaults, ComputedFrom511MegabytesWithTheOthersAtTheirInitialValues)
{
    LoadWithInstalled(511);
    EXPECT_EQ(26214400u, Settings.MinLimit);
    EXPECT_EQ(53477376u, Settings.FreeTo);
    EXPECT_EQ(10485760u, Settings.ManualFree);
    EXPECT_EQ(0u, Settings.AutoFree);
    EXPECT_EQ(0u, Settings.Priority);
    EXPECT_EQ(1000u, Settings.Interval);
    EXPECT_EQ(3u, Settings.TrayIcon);
    EXPECT_EQ(1u, Settings.SaveConfig);
    EXPECT_EQ(0u, Settings.AppLoadFree);
    EXPECT_EQ(4194304u, Settings.AppLoadFreeSize);
    EXPECT_EQ(0u, Settings.Hotkey);
    EXPECT_EQ(0xFFFFFFFFu, Settings.WindowPos);
    EXPECT_EQ(0u, Settings.TrayFigure);
    EXPECT_EQ(1u, Settings.BusyIcon);
    EXPECT_EQ(1u, Settings.Notices);
    EXPECT_EQ(1u, Settings.HistorySpan);
}

// Whole megabytes of installed memory times the single-precision factors, truncated; the
// single-precision 0.02 lies just below 0.02, so 1000 MB gives 19 MB, not 20.
TEST(SettingsDefaults, ComputedFromTrueInstalledMemoryInWholeMegabytes)
{
    struct Row {
        ULONGLONG installed, minLimit, freeTo, manualFree; // MB
    };
    for (const Row &row : {Row{1000, 50, 100, 19}, Row{16384, 819, 1638, 327}, Row{65536, 3276, 6553, 1310}}) {
        LoadWithInstalled(row.installed);
        EXPECT_EQ(row.installed * MB, InstalledMemory.TotalPhys);
        EXPECT_EQ(row.minLimit * MB, Settings.MinLimit) << row.installed;
        EXPECT_EQ(row.freeTo * MB, Settings.FreeTo) << row.installed;
        EXPECT_EQ(row.manualFree * MB, Settings.ManualFree) << row.installed;
    }
    EXPECT_EQ(6871318528u, Settings.FreeTo);
}

TEST(SettingsDefaults, SmallMachinesGetZeroWhereTheShareIsBelowOneMegabyte)
{
    LoadWithInstalled(9);
    EXPECT_EQ(0u, Settings.FreeTo);
    LoadWithInstalled(10);
    EXPECT_EQ(1 * MB, Settings.FreeTo);
    LoadWithInstalled(19);
    EXPECT_EQ(0u, Settings.MinLimit);
    LoadWithInstalled(20);
    EXPECT_EQ(1 * MB, Settings.MinLimit);
    LoadWithInstalled(50);
    EXPECT_EQ(0u, Settings.ManualFree);
    LoadWithInstalled(51);
    EXPECT_EQ(1 * MB, Settings.ManualFree);
}

struct RuleCase {
    const char *name;
    DWORD stored;
    DWORD expected;
};

void PrintTo(const RuleCase &c, std::ostream *out)
{
    *out << c.name << '=' << c.stored;
}

class SettingsValidation : public testing::TestWithParam<RuleCase> {};

TEST_P(SettingsValidation, RuleHoldsAtItsBoundary)
{
    const RuleCase &c = GetParam();
    WriteRegistryDword(SettingsKey, c.name, c.stored);
    LoadWithInstalled(1000);
    EXPECT_EQ(c.expected, Field(c.name));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SettingsValidation, testing::Values(
    RuleCase{"FreeTo", 1000 * MB, 1000 * MB},
    RuleCase{"FreeTo", 1000 * MB + 1, 0},
    RuleCase{"ManualFree", 1000 * MB, 1000 * MB},
    RuleCase{"ManualFree", 1000 * MB + 1, 0},
    RuleCase{"MinLimit", 100 * MB, 100 * MB},
    RuleCase{"MinLimit", 100 * MB + 1, 0},
    RuleCase{"Priority", 2, 2},
    RuleCase{"Priority", 3, 0},
    RuleCase{"Interval", 100, 100},
    RuleCase{"Interval", 99, 1000},
    RuleCase{"Interval", 3600000, 3600000},
    RuleCase{"Interval", 3600001, 1000},
    RuleCase{"Interval", 0xFFFFFFFF, 1000},
    RuleCase{"TrayIcon", 4, 4},
    RuleCase{"TrayIcon", 5, 0},
    RuleCase{"Notices", 2, 2},
    RuleCase{"Notices", 3, 1},
    RuleCase{"TrayFigure", 1, 1},
    RuleCase{"TrayFigure", 2, 0},
    RuleCase{"HistorySpan", 2, 2},
    RuleCase{"HistorySpan", 3, 1}),
    [](const testing::TestParamInfo<RuleCase> &info) {
        return std::string(info.param.name) + (info.param.stored == info.param.expected ? "Kept" : "Replaced") +
               std::to_string(info.param.stored);
    });

TEST(SettingsLoad, FreeToAboveInstalledAlsoClearsTheLowerLimit)
{
    WriteRegistryDword(SettingsKey, "FreeTo", 2000 * MB);
    WriteRegistryDword(SettingsKey, "MinLimit", 1 * MB);
    LoadWithInstalled(1000);
    EXPECT_EQ(0u, Settings.FreeTo);
    EXPECT_EQ(0u, Settings.MinLimit);
}

TEST(SettingsLoad, NamesMatchWhateverTheirLetterCase)
{
    WriteRegistryDword(SettingsKey, "MINLIMIT", 7 * MB);
    WriteRegistryDword(SettingsKey, "interval", 250);
    LoadWithInstalled(1000);
    EXPECT_EQ(7 * MB, Settings.MinLimit);
    EXPECT_EQ(250u, Settings.Interval);
}

// The sampler reads Interval while the UI thread reloads: a watcher in its place must never
// see the stored out-of-range value, however many reloads it watches.
static std::atomic<bool> WatchEnds;
static std::atomic<bool> OutOfRangeSeen;

static DWORD WINAPI WatchInterval(LPVOID)
{
    while (!WatchEnds && !OutOfRangeSeen) {
        DWORD interval = std::atomic_ref<DWORD>(Settings.Interval).load(std::memory_order_relaxed);
        OutOfRangeSeen = interval == 0xFFFFFFFF;
    }
    return 0;
}

TEST(SettingsLoad, AnOutOfRangeIntervalNeverReachesTheSampler)
{
    WriteRegistryDword(SettingsKey, "Interval", 0xFFFFFFFF);
    HANDLE watcher = CreateThread(nullptr, 0, WatchInterval, nullptr, 0, nullptr);
    ASSERT_NE(watcher, nullptr);
    for (int i = 0; i < 2000 && !OutOfRangeSeen; ++i) {
        LoadWithInstalled(1000);
    }
    WatchEnds = true;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    EXPECT_FALSE(OutOfRangeSeen);
    EXPECT_EQ(1000u, Settings.Interval);
}

TEST(SettingsLoad, ReloadRestoresComputedDefaultsButKeepsTheOthersInMemory)
{
    WriteRegistryDword(SettingsKey, "FreeTo", 300 * MB);
    LoadWithInstalled(1000);
    Settings.MinLimit = 3 * MB;
    Settings.Priority = 2;
    Settings.AutoFree = 1;
    LoadSettings();
    EXPECT_EQ(50 * MB, Settings.MinLimit);
    EXPECT_EQ(300 * MB, Settings.FreeTo);
    EXPECT_EQ(2u, Settings.Priority);
    EXPECT_EQ(1u, Settings.AutoFree);
}

TEST(SettingsLoad, ValuesOfOtherTypesCountByTheirFirstFourBytes)
{
    WriteRegistryValue(SettingsKey, "Hotkey", REG_SZ, "2000", 5);  // bytes '2' '0' '0' '0'
    const BYTE binary[6] = {0x00, 0x00, 0x40, 0x00, 0xAA, 0xBB};
    WriteRegistryValue(SettingsKey, "ManualFree", REG_BINARY, binary, sizeof binary);
    LoadWithInstalled(1000);
    EXPECT_EQ(0x30303032u, Settings.Hotkey);
    EXPECT_EQ(4 * MB, Settings.ManualFree);
}

TEST(SettingsLoad, ValueShorterThanFourBytesIsIgnored)
{
    Settings.Priority = 2;
    const BYTE one = 1;
    WriteRegistryValue(SettingsKey, "Priority", REG_BINARY, &one, 1);
    WriteRegistryValue(SettingsKey, "MinLimit", REG_BINARY, "", 0);
    LoadWithInstalled(1000);
    EXPECT_EQ(2u, Settings.Priority);
    EXPECT_EQ(50 * MB, Settings.MinLimit);
}

TEST(SettingsLoad, ForeignValuesTooLongForTheBuffersDoNotHideLaterSettings)
{
    // Names that enumerate before every setting, so that the settings come after them.
    std::string longName(80, '0');
    WriteRegistryDword(SettingsKey, longName.c_str(), 1);
    std::vector<BYTE> bigData(300, 0x11);
    WriteRegistryValue(SettingsKey, "0blob", REG_BINARY, bigData.data(), static_cast<DWORD>(bigData.size()));
    WriteRegistryDword(SettingsKey, "Priority", 1);
    WriteRegistryDword(SettingsKey, "AppLoadFree", 1);
    LoadWithInstalled(1000);
    EXPECT_EQ(1u, Settings.Priority);
    EXPECT_EQ(1u, Settings.AppLoadFree);
}

static std::vector<std::string> StoredNames()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD size = sizeof name;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &size, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

TEST(SettingsSave, FirstSaveCreatesTheKeyWithAllFourteenDwordValues)
{
    LoadWithInstalled(2000);
    SaveSettings();
    std::vector<std::string> expected = {"AppLoadFree", "AppLoadFreeSize", "AutoFree", "BusyIcon",
        "FreeTo", "HistorySpan", "Hotkey", "Interval", "ManualFree", "MinLimit", "Notices", "Priority", "SaveConfig",
        "TrayFigure", "TrayIcon", "WindowPos"};
    std::vector<std::string> stored = StoredNames();
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(40894464u, ReadRegistryDword(SettingsKey, "ManualFree"));
    EXPECT_EQ(0xFFFFFFFFu, ReadRegistryDword(SettingsKey, "WindowPos"));
}

// A byte count of 4 GiB or more is a REG_QWORD of eight bytes; below, a REG_DWORD as ever.
TEST(SettingsSave, ByteCountsFrom4GiBAreWrittenAndReadWhole)
{
    LoadWithInstalled(65536);
    SaveSettings();
    StoredValue freeTo = Stored("FreeTo");
    EXPECT_EQ(static_cast<DWORD>(REG_QWORD), freeTo.Type);
    EXPECT_EQ(8u, freeTo.Size);
    EXPECT_EQ(6871318528u, freeTo.Data);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Stored("MinLimit").Type);

    ULONGLONG fiveGiB = 5ull << 30;
    WriteRegistryValue(SettingsKey, "FreeTo", REG_QWORD, &fiveGiB, sizeof fiveGiB);
    LoadWithInstalled(16384);
    EXPECT_EQ(fiveGiB, Settings.FreeTo);
    Settings.MinLimit = 3ull << 30;
    SaveSettings();
    EXPECT_EQ(fiveGiB, Stored("FreeTo").Data);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Stored("MinLimit").Type);
    EXPECT_EQ(3ull << 30, Stored("MinLimit").Data);

    Settings.MinLimit = 0xFFFFFFFF;
    Settings.FreeTo = 4ull << 30;
    SaveSettings();
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Stored("MinLimit").Type);
    EXPECT_EQ(static_cast<DWORD>(REG_QWORD), Stored("FreeTo").Type);
    EXPECT_EQ(4ull << 30, Stored("FreeTo").Data);

    ULONGLONG aboveInstalled = (16ull << 30) + 1;
    WriteRegistryValue(SettingsKey, "FreeTo", REG_QWORD, &aboveInstalled, sizeof aboveInstalled);
    LoadWithInstalled(16384);
    EXPECT_EQ(0u, Settings.FreeTo);
    EXPECT_EQ(0u, Settings.MinLimit);
}

TEST(SettingsSave, SaveThenLoadGivesEveryFieldBack)
{
    LoadWithInstalled(1000);
    Settings = {1, 10 * MB, 200 * MB, 30 * MB, 2, 500, 4, 0, 1, 8 * MB, 0x0246, 0x00640010, 0, 2, 1, 2};
    std::vector<ULONGLONG> chosen;
    for (const SettingEntry &row : SettingsTable) {
        chosen.push_back(Field(Narrow(row.Name).c_str()));
    }
    SaveSettings();
    Settings = SettingsBlock{};
    LoadSettings();
    for (int i = 0; i < SettingsCount; ++i) {
        EXPECT_EQ(chosen[i], Field(Narrow(SettingsTable[i].Name).c_str())) << Narrow(SettingsTable[i].Name);
    }
    WriteRegistryDword(SettingsKey, "Unrelated", 42);
    SaveSettings();
    EXPECT_EQ(42u, ReadRegistryDword(SettingsKey, "Unrelated"));
}

TEST(SettingsSave, UnreachableKeyIsSilentForSaveAndLoad)
{
    BreakRegistry();
    LoadWithInstalled(1000);
    Settings.Interval = 50;
    SaveSettings();
    LoadSettings();
    EXPECT_EQ(100 * MB, Settings.FreeTo);
    EXPECT_EQ(1000u, Settings.Interval);
    bool found = true;
    ReadRegistryDword(SettingsKey, "Interval", &found);
    EXPECT_FALSE(found);
}
