// Start with Windows against the real (private) Run key.
#include "settings/autostart.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <string>

static bool RunValueExists(const char *name)
{
    return RegGetValueA(HKEY_CURRENT_USER, RunKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

static void WriteRunValue(const char *name, const std::string &data)
{
    WriteRegistryValue(RunKey, name, REG_SZ, data.c_str(), static_cast<DWORD>(data.size() + 1));
}

TEST(Autostart, WithoutRunKeyNothingIsRegisteredAndEnablingCreatesKeyAndValue)
{
    EXPECT_FALSE(IsAutostartRegistered());

    SetAutostart(true);

    EXPECT_TRUE(IsAutostartRegistered());
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string expected = std::string("\"") + module + "\"";

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, RunKey, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    char data[MAX_PATH + 8] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, RunValueName, nullptr, &type, reinterpret_cast<BYTE *>(data), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The size is not checked: the registry adds the NUL itself when the byte after the counted
    // text is one, so a text written with or without it reads back the same.
    EXPECT_EQ(std::string(data), expected);
}

TEST(Autostart, NameMustMatchWithLetterCaseButDataMayNameAnyProgram)
{
    WriteRunValue("memvale", "C:\\memvale.exe");
    EXPECT_FALSE(IsAutostartRegistered());

    // Value names are kept in the letter case they were created with.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, RunKey, "memvale");
    WriteRunValue(RunValueName, "C:\\Other\\program.exe");
    EXPECT_TRUE(IsAutostartRegistered());
}

TEST(Autostart, OverlongForeignValuesDoNotHideTheRegistration)
{
    WriteRunValue(std::string(100, 'A').c_str(), "C:\\a.exe");
    WriteRunValue("Beta", std::string(400, 'b'));
    WriteRunValue(RunValueName, "\"C:\\" + std::string(300, 'x') + "\\memvale.exe\"");
    EXPECT_TRUE(IsAutostartRegistered());
}

TEST(Autostart, DisablingRemovesOnlyOurValueAndIsSilentWhenAbsent)
{
    SetAutostart(false);
    EXPECT_FALSE(RunValueExists(RunValueName));

    WriteRunValue("Other", "C:\\other.exe");
    SetAutostart(true);
    SetAutostart(false);
    EXPECT_FALSE(IsAutostartRegistered());
    EXPECT_FALSE(RunValueExists(RunValueName));
    EXPECT_TRUE(RunValueExists("Other"));

    SetAutostart(false);
    EXPECT_FALSE(IsAutostartRegistered());
}

TEST(Autostart, UnreachableRegistryReadsAsNotRegisteredAndChangesNothing)
{
    SetAutostart(true);
    BreakRegistry();
    EXPECT_FALSE(IsAutostartRegistered());
    SetAutostart(false);

    // Back in the private registry, the value is still there.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    std::string run = std::string(PrivateRegistryRoot) + "\\" + RunKey;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, run.c_str(), RunValueName, RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}
