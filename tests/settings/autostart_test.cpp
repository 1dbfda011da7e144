// Start with Windows against the real (private) Run key.
#include "settings/autostart.h"
#include "tests/support/support.h"
#include <gtest/gtest.h>
#include <string>

static bool RunValueExists(const wchar_t *name)
{
    return RegGetValueW(HKEY_CURRENT_USER, RunKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

static void WriteRunValue(const std::wstring &name, const std::wstring &data)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, RunKey, name.c_str(), REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

TEST(Autostart, WithoutRunKeyNothingIsRegisteredAndEnablingCreatesKeyAndValue)
{
    EXPECT_FALSE(IsAutostartRegistered());

    SetAutostart(true);

    EXPECT_TRUE(IsAutostartRegistered());
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    EXPECT_EQ(ReadRegistryText(RunKey, RunValueName), std::wstring(L"\"") + module + L"\"");
}

TEST(Autostart, NameMustMatchWithLetterCaseButDataMayNameAnyProgram)
{
    WriteRunValue(L"memvale", L"C:\\memvale.exe");
    EXPECT_FALSE(IsAutostartRegistered());

    // Value names are kept in the letter case they were created with.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, L"memvale");
    WriteRunValue(RunValueName, L"C:\\Other\\program.exe");
    EXPECT_TRUE(IsAutostartRegistered());
}

TEST(Autostart, OverlongForeignValuesDoNotHideTheRegistration)
{
    WriteRunValue(std::wstring(100, L'A'), L"C:\\a.exe");
    WriteRunValue(L"Beta", std::wstring(400, L'b'));
    WriteRunValue(RunValueName, L"\"C:\\" + std::wstring(300, L'x') + L"\\memvale.exe\"");
    EXPECT_TRUE(IsAutostartRegistered());
}

TEST(Autostart, DisablingRemovesOnlyOurValueAndIsSilentWhenAbsent)
{
    SetAutostart(false);
    EXPECT_FALSE(RunValueExists(RunValueName));

    WriteRunValue(L"Other", L"C:\\other.exe");
    SetAutostart(true);
    SetAutostart(false);
    EXPECT_FALSE(IsAutostartRegistered());
    EXPECT_FALSE(RunValueExists(RunValueName));
    EXPECT_TRUE(RunValueExists(L"Other"));

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
    std::wstring root(PrivateRegistryRoot, PrivateRegistryRoot + strlen(PrivateRegistryRoot));
    std::wstring run = root + L"\\" + RunKey;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, run.c_str(), RunValueName, RRF_RT_ANY, nullptr, nullptr,
                           nullptr),
              ERROR_SUCCESS);
}
