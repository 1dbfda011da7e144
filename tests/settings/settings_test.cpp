// Settings store against the real registry of the test prefix.
#include "settings/settings.h"
#include "engine/memstatus.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

static const DWORD MB = 1u << 20;

static void LoadWithInstalled(DWORD megabytes)
{
    UseFakeMemory(static_cast<SIZE_T>(megabytes) * MB, 100 * MB);
    LoadSettings();
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
    EXPECT_EQ(1u, Settings.BusyIcon);
}

TEST(SettingsDefaults, SinglePrecisionFactorLeavesManualFreeOneMegabyteShort)
{
    LoadWithInstalled(1000);
    EXPECT_EQ(50 * MB, Settings.MinLimit);
    EXPECT_EQ(100 * MB, Settings.FreeTo);
    EXPECT_EQ(19922944u, Settings.ManualFree);
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

TEST(SettingsDefaults, MoreThanFourGigabytesCountsAsFourGigabytesLessOneByte)
{
    UseFakeMemory(static_cast<SIZE_T>(24) << 30, static_cast<SIZE_T>(20) << 30);
    LoadSettings();
    EXPECT_EQ(0xFFFFFFFFu, InstalledMemory.dwTotalPhys);
    EXPECT_EQ(204 * MB, Settings.MinLimit);  // 4095 MB × 0.05
    EXPECT_EQ(409 * MB, Settings.FreeTo);
    MEMORYSTATUS status;
    ReadMemoryStatus(&status);
    EXPECT_EQ(0xFFFFFFFFu, status.dwAvailPhys);
}

struct RuleCase {
    const char *name;
    DWORD stored;
    DWORD expected;
    DWORD SettingsBlock::*field;
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
    EXPECT_EQ(c.expected, Settings.*c.field);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, SettingsValidation, testing::Values(
    RuleCase{"FreeTo", 1000 * MB, 1000 * MB, &SettingsBlock::FreeTo},
    RuleCase{"FreeTo", 1000 * MB + 1, 0, &SettingsBlock::FreeTo},
    RuleCase{"ManualFree", 1000 * MB, 1000 * MB, &SettingsBlock::ManualFree},
    RuleCase{"ManualFree", 1000 * MB + 1, 0, &SettingsBlock::ManualFree},
    RuleCase{"MinLimit", 100 * MB, 100 * MB, &SettingsBlock::MinLimit},
    RuleCase{"MinLimit", 100 * MB + 1, 0, &SettingsBlock::MinLimit},
    RuleCase{"Priority", 2, 2, &SettingsBlock::Priority},
    RuleCase{"Priority", 3, 0, &SettingsBlock::Priority},
    RuleCase{"Interval", 100, 100, &SettingsBlock::Interval},
    RuleCase{"Interval", 99, 1000, &SettingsBlock::Interval},
    RuleCase{"Interval", 3600000, 3600000, &SettingsBlock::Interval},
    RuleCase{"Interval", 3600001, 1000, &SettingsBlock::Interval},
    RuleCase{"Interval", 0xFFFFFFFF, 1000, &SettingsBlock::Interval},
    RuleCase{"TrayIcon", 4, 4, &SettingsBlock::TrayIcon},
    RuleCase{"TrayIcon", 5, 0, &SettingsBlock::TrayIcon}),
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
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
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

TEST(SettingsSave, FirstSaveCreatesTheKeyWithAllThirteenDwordValues)
{
    LoadWithInstalled(1000);
    SaveSettings();
    std::vector<std::string> expected = {"AppLoadFree", "AppLoadFreeSize", "AutoFree", "BusyIcon",
        "FreeTo", "Hotkey", "Interval", "ManualFree", "MinLimit", "Priority", "SaveConfig",
        "TrayIcon", "WindowPos"};
    std::vector<std::string> stored = StoredNames();
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(expected, stored);
    EXPECT_EQ(19922944u, ReadRegistryDword(SettingsKey, "ManualFree"));
    EXPECT_EQ(0xFFFFFFFFu, ReadRegistryDword(SettingsKey, "WindowPos"));
}

TEST(SettingsSave, SaveThenLoadGivesEveryFieldBack)
{
    LoadWithInstalled(1000);
    SettingsBlock chosen = {1, 10 * MB, 200 * MB, 30 * MB, 2, 500, 4, 0, 1, 8 * MB, 0x0246, 0x00640010, 0};
    Settings = chosen;
    SaveSettings();
    Settings = SettingsBlock{};
    LoadSettings();
    EXPECT_EQ(0, memcmp(&chosen, &Settings, sizeof chosen));
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
